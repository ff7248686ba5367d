// The one-level undo of both lists and the batch change that writes one value into every
// selected cell of one column.
#include "UndoBatch.h"

#include "EditorShared.h"
#include "MainUnit.h"
#include "ScheduleCellRules.h"
#include "StringGrid.h"

#include <QLocale>

namespace {

int DataRows(const StringGrid* grid) {
    return grid->RowCount() - grid->FixedRows();
}

QString AskValue(TfrmMain& w, bool& given) {
    QString value;
    given = UiServices::Get().InputBox(&w, TfrmMain::Ids("IDS_445"), TfrmMain::Ids("IDS_446"), value);
    return value;
}

} // namespace

void UndoStimuli(TfrmMain& w) {
    StringGrid* grid = w.asgdStimulus;
    if (w.stimulusUndo.size() != static_cast<size_t>(DataRows(grid))) {
        w.ShowMessage("IDS_455", UiServices::Kind::Warning);
        return;
    }
    for (int r = 0; r < DataRows(grid); ++r)
        grid->SetCell(grid->FixedCols() + 1, grid->FixedRows() + r, w.stimulusUndo[static_cast<size_t>(r)]);
    w.StoreStimulusComments();
    w.stimulusUndoAvailable = false;
    // The grid no longer shows what was saved.
    w.projectModified = true;
    w.ShowCard(grid->Row(), DataRows(grid));
}

void UndoSchedule(TfrmMain& w) {
    StringGrid* grid = w.asgdSchedule;
    // Every data column counts, hidden ones too: the snapshot holds them all.
    const size_t cols = static_cast<size_t>(std::max(grid->ColCount() - grid->FixedCols(), 0));
    const size_t rows = static_cast<size_t>(std::max(DataRows(grid), 0));
    bool fits = w.scheduleUndo.size() == cols;
    for (const std::vector<QString>& column : w.scheduleUndo)
        fits = fits && column.size() == rows;
    if (!fits) {
        w.ShowMessage("IDS_455", UiServices::Kind::Warning);
        return;
    }
    for (size_t c = 0; c < cols; ++c)
        for (size_t r = 0; r < rows; ++r)
            grid->SetCell(grid->FixedCols() + static_cast<int>(c), grid->FixedRows() + static_cast<int>(r),
                          w.scheduleUndo[c][r]);
    w.scheduleUndoAvailable = false;
    w.projectModified = true;
}

void BatchChangeStimuli(TfrmMain& w) {
    bool given = false;
    const QString value = AskValue(w, given);
    if (!given || value.isEmpty())
        return;
    StringGrid* grid = w.asgdStimulus;
    SaveStimulusUndo(w);
    w.projectModified = true;
    w.stimulusUndoAvailable = true;
    const QRect s = grid->Selection();
    for (int r = std::max(s.top(), grid->FixedRows()); r <= s.bottom(); ++r)
        grid->SetCell(s.left(), r, value);
    w.StoreStimulusComments();
    w.ShowCard(grid->Row(), DataRows(grid));
}

void BatchChangeSchedule(TfrmMain& w) {
    bool given = false;
    QString value = AskValue(w, given);
    if (!given)
        return;
    StringGrid* grid = w.asgdSchedule;
    const QRect s = grid->Selection();
    const QString header = grid->Cell(s.left(), 0);
    const bool time = header.contains(TfrmMain::Ids("IDS_254"));
    const bool repeat = header.contains(TfrmMain::Ids("IDS_258"));
    const bool pause = time && value.compare(QLatin1String("p"), Qt::CaseInsensitive) == 0;
    const bool endless = repeat && value.compare(QLatin1String("i"), Qt::CaseInsensitive) == 0;
    const QChar sep = DecimalSeparator();
    if (!pause && !endless) {
        if (!TfrmMain::IsNumeric(value)) {
            UiServices::Get().MessageText(&w, QLatin1Char('"') + value + TfrmMain::Ids("IDS_290"),
                                          QStringLiteral("Tamvik"), UiServices::Kind::Warning,
                                          UiServices::Buttons::Ok);
            return;
        }
        const double number = value.contains(sep) ? QLocale().toDouble(value) : value.trimmed().toDouble();
        if (number < 0) {
            w.ShowMessage("IDS_450", UiServices::Kind::Warning);
            return;
        }
        // What typing refuses in the column ("2.5" or 0 as a count, a stimulus or a button)
        // is refused here too, with its message: the schedule could not be stored with it.
        if (!schedulecell::AcceptsText(schedulecell::KindOf(header), value, sep) ||
            schedulecell::Normalise(header, value, false, sep).refused) {
            w.ShowMessage("IDS_259", UiServices::Kind::Warning);
            return;
        }
    }
    SaveScheduleUndo(w);
    w.projectModified = true;
    w.scheduleUndoAvailable = true;
    if (pause)
        value = QStringLiteral("Pause");
    else if (endless)
        value = QStringLiteral("Infinity");
    else if (time && !value.contains(sep))
        value += sep + QStringLiteral("0");
    else if (time && value.endsWith(sep))
        value += QLatin1Char('0');
    for (int r = std::max(s.top(), grid->FixedRows()); r <= s.bottom(); ++r)
        grid->SetCell(s.left(), r, value);
}
