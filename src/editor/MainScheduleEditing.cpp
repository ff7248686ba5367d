// In-place editing of schedule cells: which keys open the editor, which characters it
// takes (typed, pasted or composed), and how the text is normalised when the edit ends.
#include "CountEditor.h"
#include "EditorShared.h"
#include "EditorWiring.h"
#include "MainUnit.h"
#include "ScheduleCellRules.h"
#include "StringGrid.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QValidator>

namespace {

using schedulecell::Kind;

// Paste and input methods go through the same rule as typing.
class CellValidator : public QValidator {
public:
    CellValidator(Kind kind, QObject* parent) : QValidator(parent), m_kind(kind) {}
    State validate(QString& input, int&) const override {
        return schedulecell::AcceptsText(m_kind, input, DecimalSeparator()) ? Acceptable : Invalid;
    }

private:
    Kind m_kind;
};

// Characters that do not fit the column are dropped as they are typed.
class CellKeyFilter : public QObject {
public:
    CellKeyFilter(Kind kind, QLineEdit* edit) : QObject(edit), m_kind(kind), m_edit(edit) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        if (text.isEmpty() || !text.at(0).isPrint())
            return false; // Backspace, Enter, Esc and the cursor keys
        QString rest = m_edit->text();
        if (m_edit->hasSelectedText())
            rest.remove(m_edit->selectionStart(), m_edit->selectedText().size());
        for (QChar ch : text) {
            if (!schedulecell::AcceptsChar(m_kind, ch, rest, DecimalSeparator()))
                return true;
            rest += ch;
        }
        return false;
    }

private:
    Kind m_kind;
    QLineEdit* m_edit;
};

void SetCountEditorsEnabled(TfrmMain& w, bool enabled) {
    for (QWidget* control : {static_cast<QWidget*>(w.updTrlNumber), static_cast<QWidget*>(w.edtTrlNumber),
                             static_cast<QWidget*>(w.updPrsNumber), static_cast<QWidget*>(w.edtPrsNumber)})
        control->setEnabled(enabled);
}

// The cell editor: the snapshot is taken as it opens, the count editors wait while it is
// open, and the typed text is normalised as it is committed. Esc closes it with the cell
// as it was.
class CellDelegate : public QStyledItemDelegate {
public:
    explicit CellDelegate(TfrmMain& w) : QStyledItemDelegate(w.asgdSchedule), m_w(w) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex& index) const override {
        if (!EditorIdle(m_w))
            return nullptr;
        SaveScheduleUndo(m_w);
        const Kind kind = schedulecell::KindOf(m_w.asgdSchedule->Cell(index.column(), 0));
        auto* edit = new QLineEdit(parent);
        edit->setObjectName(QStringLiteral("asgdScheduleEditor"));
        edit->setFrame(false);
        edit->setValidator(new CellValidator(kind, edit));
        edit->installEventFilter(new CellKeyFilter(kind, edit));
        SetCountEditorsEnabled(m_w, false);
        m_w.scheduleEditing = true;
        return edit;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        static_cast<QLineEdit*>(editor)->setText(
            schedulecell::EditText(m_w.asgdSchedule->Cell(index.column(), index.row())));
    }

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override {
        StringGrid* grid = m_w.asgdSchedule;
        const int col = index.column();
        const auto result =
            schedulecell::Normalise(grid->Cell(col, 0), static_cast<QLineEdit*>(editor)->text(),
                                    col == grid->FixedCols() + 1, DecimalSeparator());
        grid->SetCell(col, index.row(), result.text);
        // An emptied cell is a change as much as a typed one.
        m_w.projectModified = true;
        m_w.scheduleUndoAvailable = true;
        if (result.refused)
            m_w.ShowMessage("IDS_259", UiServices::Kind::Warning);
    }

    void destroyEditor(QWidget* editor, const QModelIndex& index) const override {
        m_w.scheduleEditing = false;
        m_w.asgdSchedule->SetEditing(false);
        SetCountEditorsEnabled(m_w, true);
        QStyledItemDelegate::destroyEditor(editor, index);
    }

private:
    TfrmMain& m_w;
};

// Keys that open the editor on the current cell: digits, the decimal separator, Enter, I
// in a repeat column and P in a time column.
class GridKeys : public QObject {
public:
    explicit GridKeys(TfrmMain& w) : QObject(w.asgdSchedule), m_w(w) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        StringGrid* grid = m_w.asgdSchedule;
        if (event->type() == QEvent::KeyRelease) {
            // The editing option lasts no longer than the key that opened an editor.
            if (!m_w.scheduleEditing)
                grid->SetEditing(false);
            return false;
        }
        if (event->type() != QEvent::KeyPress || m_w.scheduleEditing || !EditorIdle(m_w))
            return false;
        const int col = grid->Col();
        const int row = grid->Row();
        if (col < grid->FixedCols() || row < grid->FixedRows())
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
            return false;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            grid->SetEditing(true);
            grid->edit(grid->model()->index(row, col));
            return true; // the Enter that opened the editor goes no further
        }
        const QString text = key->text();
        const Kind kind = schedulecell::KindOf(grid->Cell(col, 0));
        const QChar ch = text.size() == 1 ? text.at(0) : QChar();
        const bool opens = (ch.isDigit() && ch.unicode() < 128) || ch == DecimalSeparator() ||
                           (kind == Kind::Repeat && ch.toLower() == QLatin1Char('i')) ||
                           (kind == Kind::Time && ch.toLower() == QLatin1Char('p'));
        if (opens)
            grid->SetEditing(true); // the grid opens its editor with this key typed into it
        return false;
    }

private:
    TfrmMain& m_w;
};

} // namespace

void ConnectScheduleEditing(TfrmMain& w) {
    StringGrid* grid = w.asgdSchedule;
    grid->setItemDelegate(new CellDelegate(w));
    grid->installEventFilter(new GridKeys(w));
    // A double click on a data cell opens the editor as well (TfrmMain::AllGridsDblClickCell).
}
