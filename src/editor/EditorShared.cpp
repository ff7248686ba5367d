// Helpers that the editors of the stimulus list and the schedule share.
#include "EditorShared.h"

#include "Cexectable.h"
#include "CountEditor.h"
#include "MainUnit.h"
#include "StringGrid.h"

#include <QFontMetrics>
#include <QLocale>
#include <QStyle>
#include <algorithm>
#include <utility>

QString FileNamePart(const QString& path) {
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(cut + 1);
}

void SetCountQuietly(UpDown* upDown, CountEdit* edit, int value) {
    const auto veto = std::exchange(upDown->onChangingEx, nullptr);
    upDown->SetPosition(value);
    upDown->onChangingEx = veto;
    upDown->Tag = value;
    edit->setText(QString::number(value));
}

void SaveStimulusUndo(TfrmMain& w) {
    const StringGrid* grid = w.asgdStimulus;
    const int rows = std::max(grid->RowCount() - grid->FixedRows(), 0);
    // The snapshot follows the grid rather than failing when the two disagree.
    w.stimulusUndo.resize(static_cast<size_t>(rows));
    for (int r = 0; r < rows; ++r)
        w.stimulusUndo[static_cast<size_t>(r)] = grid->Cell(grid->FixedCols() + 1, grid->FixedRows() + r);
}

void SaveScheduleUndo(TfrmMain& w) {
    const StringGrid* grid = w.asgdSchedule;
    const int cols = std::max(grid->ColCount() - grid->FixedCols(), 0);
    const int rows = std::max(grid->RowCount() - grid->FixedRows(), 0);
    w.scheduleUndo.assign(static_cast<size_t>(cols), std::vector<QString>(static_cast<size_t>(rows)));
    for (int c = 0; c < cols; ++c)
        for (int r = 0; r < rows; ++r)
            w.scheduleUndo[static_cast<size_t>(c)][static_cast<size_t>(r)] =
                grid->Cell(grid->FixedCols() + c, grid->FixedRows() + r);
}

QChar DecimalSeparator() {
    const QString point = QLocale().decimalPoint();
    return point.isEmpty() ? QLatin1Char('.') : point.at(0);
}

bool EditorIdle(const TfrmMain& w) {
    return w.execTable->state() == ExecIdle && w.frmExecute == nullptr;
}

bool ControlActive(const TfrmMain& w, const QWidget* control) {
    const QWidget* active = w.ActiveControl();
    return w.isActiveWindow() && active && (active == control || control->isAncestorOf(active));
}

void FitRowHeadings(StringGrid* grid) {
    grid->resizeColumnToContents(0);
    QFont bold = grid->font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    int widest = 0;
    for (int row = 0; row < grid->RowCount(); ++row)
        widest = std::max(widest, metrics.horizontalAdvance(grid->Cell(0, row)));
    // The margins a cell keeps on either side of its text, and the grid line.
    const int margins = 2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1) + 1;
    grid->SetColWidth(0, std::max(grid->ColWidth(0), widest + margins));
}
