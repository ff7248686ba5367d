#include "GridEditDelegate.h"

#include "StringGrid.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QValidator>

GridEditDelegate::GridEditDelegate(StringGrid* grid) : GridCellPainter(grid, grid) {}

QWidget* GridEditDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                        const QModelIndex& index) const {
    const int col = index.column();
    const int row = index.row();
    StringGrid::EditStart start;
    start.text = m_grid->Cell(col, row);
    if (m_grid->editStart && !m_grid->editStart(col, row, start)) {
        delete start.validator;
        return nullptr;
    }
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    if (m_grid->isPasswordCell && m_grid->isPasswordCell(col, row))
        editor->setEchoMode(QLineEdit::Password);
    if (start.validator) {
        start.validator->setParent(editor);
        editor->setValidator(start.validator);
    }
    StringGrid::OpenEdit& edit = m_grid->m_edit;
    edit = {};
    edit.col = col;
    edit.row = row;
    edit.active = true;
    edit.textPending = true;
    edit.text = start.text;
    edit.keyFilter = std::move(start.keyFilter);
    edit.editor = editor;
    // An editor can go without closing, when the grid is reset or destroyed.
    edit.editorGone = connect(editor, &QObject::destroyed, m_grid, [grid = m_grid](QObject* gone) {
        if (grid->m_edit.active && grid->m_edit.editor == gone)
            grid->FinishEdit();
    });
    return editor;
}

void GridEditDelegate::setEditorData(QWidget* editor, const QModelIndex&) const {
    // The editor owns its text while it is open: a cell written meanwhile does not
    // overwrite what the user is typing.
    StringGrid::OpenEdit& edit = m_grid->m_edit;
    if (edit.editor != editor || !edit.textPending)
        return;
    edit.textPending = false;
    static_cast<QLineEdit*>(editor)->setText(edit.text);
}

void GridEditDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                    const QModelIndex& index) const {
    StringGrid::OpenEdit& edit = m_grid->m_edit;
    if (edit.editor != editor || edit.validating)
        return;
    QString text = static_cast<QLineEdit*>(editor)->text();
    if (m_grid->editValidate) {
        edit.validating = true;
        const bool accepted = m_grid->editValidate(index.column(), index.row(), text);
        edit.validating = false;
        if (!accepted)
            return;
    }
    edit.committed = true;
    model->setData(index, text, Qt::EditRole);
}

bool GridEditDelegate::eventFilter(QObject* object, QEvent* event) {
    StringGrid::OpenEdit& edit = m_grid->m_edit;
    if (object != edit.editor)
        return GridCellPainter::eventFilter(object, event);
    // A message shown while the text is validated takes the focus; that is no end of
    // the edit.
    if (edit.validating && event->type() == QEvent::FocusOut)
        return false;
    if (event->type() == QEvent::KeyPress && edit.keyFilter) {
        auto* editor = static_cast<QLineEdit*>(object);
        switch (edit.keyFilter(*editor, *static_cast<QKeyEvent*>(event))) {
        case StringGrid::KeyAction::Drop:
            return true;
        case StringGrid::KeyAction::Commit:
            emit commitData(editor);
            emit closeEditor(editor, QAbstractItemDelegate::SubmitModelCache);
            return true;
        case StringGrid::KeyAction::Pass:
            break;
        }
    }
    return GridCellPainter::eventFilter(object, event);
}
