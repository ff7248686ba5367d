// The answer grid of the test-run window: layout, answerer columns, row selection,
// colours and the display order of terminal columns.
#include "ExecuteUnit.h"

#include "AnswerGridMath.h"
#include "Cexectable.h"
#include "Cproject.h"
#include "Csch.h"
#include "PanelStatusBar.h"
#include "StringGrid.h"
#include "TextTable.h"

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QItemSelectionModel>
#include <QPalette>
#include <algorithm>

namespace {

// Widths and hidden columns, which a change of the grid's size does not keep.
struct ColumnLayout {
    std::vector<bool> hidden;
    std::vector<int> widths;

    explicit ColumnLayout(const StringGrid& grid) {
        for (int col = 0; col < grid.ColCount(); ++col) {
            hidden.push_back(grid.IsHiddenColumn(col));
            widths.push_back(grid.ColWidth(col));
        }
    }
    // Puts column `from` of the saved layout on column `to`.
    void Apply(StringGrid& grid, int from, int to) const {
        if (from < 0 || size_t(from) >= widths.size())
            return;
        if (hidden[size_t(from)])
            grid.HideColumn(to);
        else
            grid.UnHideColumn(to);
        grid.SetColWidth(to, widths[size_t(from)]);
    }
};

// An answerer's column: its usual width, or what its heading and subject id need.
void FitAnswererColumn(StringGrid& grid, int col) {
    constexpr int usualWidth = 64;
    const QFontMetrics metrics(grid.font());
    int width = 0;
    for (int row = 0; row < std::min(2, grid.RowCount()); ++row)
        width = std::max(width, metrics.horizontalAdvance(grid.Cell(col, row)));
    grid.SetColWidth(col, std::max(usualWidth, width + 12));
}

} // namespace

bool TfrmExecute::Training() const {
    return project && project->GetMethod() == 0;
}

CSchedule* TfrmExecute::ChosenSchedule() const {
    if (!project || cboSchedule->currentIndex() < 0)
        return nullptr;
    const int index = cboSchedule->currentData().toInt();
    return index >= 0 && index < project->GetScheduleCount() ? project->GetSchedule(index) : nullptr;
}

AnswerGridShape TfrmExecute::GridShape() const {
    return {asgdResponse->ColCount(), asgdResponse->RowCount(), Training()};
}

void TfrmExecute::SetCellIfChanged(int col, int row, const QString& text) {
    if (asgdResponse->Cell(col, row) != text)
        asgdResponse->SetCell(col, row, text);
}

void TfrmExecute::InsertAnswererColumn(const QString& answererId) {
    StringGrid* grid = asgdResponse;
    const int cols = grid->ColCount();
    const int rows = grid->RowCount();
    const ColumnLayout layout(*grid);
    grid->SetColCount(cols + 1);
    layout.Apply(*grid, 0, 0);
    for (int col = cols; col > 1; --col) {
        for (int row = 0; row < rows; ++row)
            SetCellIfChanged(col, row, grid->Cell(col - 1, row));
        layout.Apply(*grid, col - 1, col);
    }
    for (int row = 0; row < rows; ++row)
        SetCellIfChanged(1, row, QString());
    grid->UnHideColumn(1);
    grid->SetCell(1, 0, Ids("IDS_3") + QString::number(ExecAnswererCount));
    stbStatus->SetPanelText(0, Ids("IDS_19") + QString::number(ExecAnswererCount));
    ++ExecAnswererCount;
    grid->SetCell(1, 1, answererId);
    FitAnswererColumn(*grid, 1);
    if (windowState == ExecWaitingAnswerers)
        SetState(windowState);
}

void TfrmExecute::RebuildTrialRows(const CSchedule& schedule) {
    StringGrid* grid = asgdResponse;
    const bool training = Training();
    grid->setUpdatesEnabled(false);
    const int trials = schedule.GetTrialCount();
    const int rows = trials + 2 + (training ? 1 : 0);
    if (grid->RowCount() != rows) {
        const ColumnLayout layout(*grid);
        grid->SetRowCount(rows);
        for (int col = 0; col < grid->ColCount(); ++col)
            layout.Apply(*grid, col, col);
    }
    for (int n = 1; n <= trials; ++n) {
        const int row = n + 1;
        for (int col = 1; col < grid->ColCount(); ++col)
            SetCellIfChanged(col, row, QString());
    }
    if (training) {
        const int row = grid->RowCount() - 1;
        for (int col = 1; col < grid->ColCount(); ++col)
            SetCellIfChanged(col, row, QString());
        WriteCorrectAnswers(schedule);
    }
    RelabelAnswerGrid();
    grid->setUpdatesEnabled(true);
    grid->RepaintAll();
}

void TfrmExecute::RelabelAnswerGrid() {
    StringGrid* grid = asgdResponse;
    if (grid->RowCount() < 2 || grid->ColCount() < 2)
        return;
    const auto mainText = [](const char* key) {
        return TextTable::Instance().Text(QStringLiteral("TfrmMain"), QString::fromLatin1(key));
    };
    const bool training = Training();
    // Answerer columns, then the hidden placeholder, then for training the two columns of
    // the correct answers.
    const int placeholder = grid->ColCount() - (training ? 3 : 1);
    SetCellIfChanged(0, 1, mainText("IDS_267"));
    for (int col = 1; col < placeholder; ++col) {
        // An answerer's column keeps its terminal's number.
        const QString header = grid->Cell(col, 0);
        qsizetype digits = header.size();
        while (digits > 0 && header.at(digits - 1).isDigit())
            --digits;
        SetCellIfChanged(col, 0, Ids("IDS_3") + header.mid(digits));
        FitAnswererColumn(*grid, col);
    }
    if (placeholder >= 1)
        SetCellIfChanged(placeholder, 0, mainText("IDS_266"));
    if (training) {
        SetCellIfChanged(grid->ColCount() - 2, 1, mainText("IDS_269"));
        SetCellIfChanged(grid->ColCount() - 1, 1, mainText("IDS_270"));
        SetCellIfChanged(0, grid->RowCount() - 1, Ids("IDS_15"));
    }
    const int trials = grid->RowCount() - 2 - (training ? 1 : 0);
    for (int n = 1; n <= trials; ++n)
        SetCellIfChanged(0, n + 1, Ids("IDS_30") + QString::number(n));
}

void TfrmExecute::WriteCorrectAnswers(const CSchedule& schedule) {
    if (!Training())
        return;
    const int col = asgdResponse->ColCount() - 1;
    for (int i = 0; i < schedule.GetTrialCount(); ++i)
        SetCellIfChanged(col, asgdResponse->FixedRows() + i,
                         QString::number(schedule.trials[size_t(i)].correctAnswer));
}

bool TfrmExecute::IsTrialRowSelected(int trial) const {
    auto* model = asgdResponse->selectionModel();
    return model && model->isRowSelected(AnswerGridShape::TrialRow(trial), QModelIndex());
}

void TfrmExecute::SelectTrialRow(int trial, bool select) {
    auto* model = asgdResponse->selectionModel();
    const int row = AnswerGridShape::TrialRow(trial);
    if (!model || row < asgdResponse->FixedRows() || row >= asgdResponse->RowCount())
        return;
    const QModelIndex index = asgdResponse->model()->index(row, asgdResponse->FixedCols());
    model->select(index, (select ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                             QItemSelectionModel::Rows);
}

void TfrmExecute::ClearRowSelection() {
    if (auto* model = asgdResponse->selectionModel())
        model->clearSelection();
}

void TfrmExecute::GridCellColor(int col, int row, QColor& background, QColor& text) {
    if (col < 1 && row < 2)
        return;
    const QPalette palette = QApplication::palette();
    if (!showSelection && row >= 2 && selectedTrials.contains(QString::number(row - 1))) {
        background = palette.color(QPalette::Highlight);
        text = palette.color(QPalette::HighlightedText);
    }
    if (execTable && currentTrial > 0 && row == currentTrial + 1) {
        const int state = execTable->state();
        if (state != ExecIdle && state != ExecScheduleEnded) {
            background = palette.color(QPalette::ToolTipBase);
            text = palette.color(QPalette::ToolTipText);
        }
    }
}

bool TfrmExecute::RebuildDisplayOrder(int mode) {
    std::vector<TERMDATA> copy = terminals;
    if (mode == 1)
        std::stable_sort(copy.begin(), copy.end(),
                         [](const TERMDATA& a, const TERMDATA& b) { return a.subjectId < b.subjectId; });
    else if (mode == 2)
        std::stable_sort(copy.begin(), copy.end(),
                         [](const TERMDATA& a, const TERMDATA& b) { return a.sortText < b.sortText; });
    displayOrder.clear();
    for (const TERMDATA& t : copy)
        displayOrder.push_back(t.number);
    return true;
}

int TfrmExecute::DisplayColumnToTerminal(int col) const {
    return col >= 0 && size_t(col) < displayOrder.size() ? displayOrder[size_t(col)] : -1;
}

int TfrmExecute::TerminalToDisplayColumn(int terminal) const {
    const auto it = std::find(displayOrder.begin(), displayOrder.end(), terminal);
    return it == displayOrder.end() ? -1 : static_cast<int>(it - displayOrder.begin());
}
