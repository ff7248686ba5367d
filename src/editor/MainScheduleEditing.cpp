// In-place editing of schedule cells: which keys open the editor, which characters it
// takes (typed, pasted or composed), and how the text is normalised when the edit ends.
#include "CountEditor.h"
#include "EditorShared.h"
#include "EditorWiring.h"
#include "MainUnit.h"
#include "ScheduleCellRules.h"
#include "StringGrid.h"
#include "WindowFilter.h"

#include <QKeyEvent>
#include <QLineEdit>
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

void SetCountEditorsEnabled(TfrmMain& w, bool enabled) {
    for (QWidget* control : {static_cast<QWidget*>(w.updTrlNumber), static_cast<QWidget*>(w.edtTrlNumber),
                             static_cast<QWidget*>(w.updPrsNumber), static_cast<QWidget*>(w.edtPrsNumber)})
        control->setEnabled(enabled);
}

// The cell editor's hooks: the snapshot is taken as it opens, "Infinity" and "Pause" are
// edited as "i" and "p", characters that do not fit the column are dropped as they are
// typed (the validator holds paste and input methods to the same rule), the count editors
// wait while it is open, and the text is normalised as it is committed. Esc closes it with
// the cell as it was.
void ConnectCellEditor(TfrmMain& w) {
    StringGrid* grid = w.asgdSchedule;
    grid->editStart = [&w](int col, int row, StringGrid::EditStart& start) {
        if (!EditorIdle(w))
            return false;
        StringGrid* grid = w.asgdSchedule;
        SaveScheduleUndo(w);
        const Kind kind = schedulecell::KindOf(grid->Cell(col, 0));
        start.text = schedulecell::EditText(grid->Cell(col, row));
        start.validator = new CellValidator(kind, nullptr);
        start.keyFilter = [kind](QLineEdit& editor, QKeyEvent& key) {
            const QString text = key.text();
            if (text.isEmpty() || !text.at(0).isPrint())
                return StringGrid::KeyAction::Pass; // Backspace, Enter, Esc and the cursor keys
            QString rest = editor.text();
            if (editor.hasSelectedText())
                rest.remove(editor.selectionStart(), editor.selectedText().size());
            for (QChar ch : text) {
                if (!schedulecell::AcceptsChar(kind, ch, rest, DecimalSeparator()))
                    return StringGrid::KeyAction::Drop;
                rest += ch;
            }
            return StringGrid::KeyAction::Pass;
        };
        SetCountEditorsEnabled(w, false);
        w.scheduleEditing = true;
        return true;
    };
    grid->editValidate = [&w](int col, int, QString& text) {
        StringGrid* grid = w.asgdSchedule;
        const auto result = schedulecell::Normalise(grid->Cell(col, 0), text, col == grid->FixedCols() + 1,
                                                    DecimalSeparator());
        text = result.text;
        // An emptied cell is a change as much as a typed one.
        w.projectModified = true;
        w.scheduleUndoAvailable = true;
        if (result.refused)
            w.ShowMessage("IDS_259", UiServices::Kind::Warning);
        return true;
    };
    grid->editEnd = [&w](int, int, bool) {
        w.scheduleEditing = false;
        w.asgdSchedule->SetEditing(false);
        SetCountEditorsEnabled(w, true);
    };
}

// Keys that open the editor on the current cell: digits, the decimal separator, Enter, I
// in a repeat column and P in a time column.
class GridKeys : public WindowFilter {
public:
    explicit GridKeys(TfrmMain& w) : WindowFilter(w, w.asgdSchedule) {}

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
};

} // namespace

void ConnectScheduleEditing(TfrmMain& w) {
    ConnectCellEditor(w);
    new GridKeys(w);
    // A double click on a data cell opens the editor as well (TfrmMain::AllGridsDblClickCell).
}
