// The schedule grid: its layout, its exchange with the project's schedules, the check of
// a range of trials, the playback highlight and the schedule's audition command.
//
// Layout with n presentations (F fixed columns): F repeat, F+1 start, F+2k stimulus k,
// F+2k+1 interval after stimulus k, then limit and, for training, the correct button.
#include "Cexectable.h"
#include "EditorShared.h"
#include "ExecuteUnit.h"
#include "MainUnit.h"
#include "ScheduleCellRules.h"
#include "ScheduleOrder.h"
#include "StringGrid.h"

#include <QApplication>
#include <QHeaderView>
#include <QLocale>
#include <QMenu>
#include <QPalette>
#include <QTabBar>
#include <algorithm>

namespace {

const QString kInfinity = QStringLiteral("Infinity");
const QString kPause = QStringLiteral("Pause");

// Columns between the start and the limit column: the stimuli and the intervals.
int MiddleColumns(int presentations) {
    return presentations > 0 ? 2 * presentations - 1 : 0;
}

QLocale EditorLocale() {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}

QString SecondsText(const QLocale& locale, double seconds) {
    return seconds == -1.0 ? kPause : schedulecell::OneDecimal(seconds, locale.decimalPoint().at(0));
}

// Cell texts read back; false for a text that does not convert.
bool ReadCount(const QLocale& locale, const QString& text, int& value) {
    if (text == kInfinity) {
        value = -1;
        return true;
    }
    bool ok = false;
    value = locale.toInt(text, &ok);
    return ok;
}

bool ReadSeconds(const QLocale& locale, const QString& text, double& value) {
    if (text == kPause) {
        value = -1.0;
        return true;
    }
    bool ok = false;
    value = locale.toDouble(text, &ok);
    return ok;
}

bool ReadInteger(const QLocale& locale, const QString& text, int& value) {
    bool ok = false;
    value = locale.toInt(text, &ok);
    return ok;
}

QString MiddleHeader(int index) {
    if (index % 2 == 0)
        return TfrmMain::Ids("IDS_6") + QString::number(index / 2 + 1) + QStringLiteral("\r\n[ID]");
    return TfrmMain::Ids("IDS_422") + QString::number((index + 1) / 2) + TfrmMain::Ids("IDS_423");
}

bool IsWaitForOperatorOrAtLeast(double value, double least) {
    return value == -1.0 || value >= least;
}

} // namespace

bool TfrmMain::ResizeScheduleGrid(int oldPresentations, int oldTrials, int newPresentations, int newTrials) {
    projectModified = true;
    scheduleUndoAvailable = false;
    StringGrid* grid = asgdSchedule;
    GridData& data = grid->Data();
    grid->setUpdatesEnabled(false);
    const int fixedCols = grid->FixedCols();
    const int fixedRows = grid->FixedRows();
    const int currentCol = grid->Col();
    const int currentRow = grid->Row();

    // Rows dropped now come back empty when they are added again later.
    for (int t = newTrials + 1; t <= oldTrials; ++t)
        data.ClearRow(fixedRows + t - 1);
    if (newTrials != oldTrials)
        data.SetRowCount(fixedRows + std::max(newTrials, 0));
    for (int t = oldTrials + 1; t <= newTrials; ++t)
        data.SetCell(0, fixedRows + t - 1, Ids("IDS_11") + QString::number(t));

    const int oldCols = data.ColCount();
    std::vector<bool> hidden(static_cast<size_t>(oldCols));
    std::vector<int> widths(static_cast<size_t>(oldCols));
    for (int c = 0; c < oldCols; ++c) {
        hidden[static_cast<size_t>(c)] = grid->IsHiddenColumn(c);
        widths[static_cast<size_t>(c)] = grid->ColWidth(c);
    }
    std::vector<bool> newHidden = hidden;
    std::vector<int> newWidths = widths;
    if (newPresentations != oldPresentations) {
        // The columns up to the last middle column that stays keep their place; the
        // trailing ones (limit, correct) move with their contents and headers.
        const int first = fixedCols + 2;
        const int oldMiddle = MiddleColumns(oldPresentations);
        const int newMiddle = MiddleColumns(newPresentations);
        const int kept = std::min(first + std::min(oldMiddle, newMiddle), oldCols);
        const int trailing = std::max(0, oldCols - (first + oldMiddle));
        const int newCols = first + newMiddle + trailing;
        const int rows = data.RowCount();
        std::vector<std::vector<QString>> tail(static_cast<size_t>(trailing), std::vector<QString>(rows));
        for (int i = 0; i < trailing; ++i)
            for (int r = 0; r < rows; ++r)
                tail[static_cast<size_t>(i)][static_cast<size_t>(r)] = data.Cell(first + oldMiddle + i, r);
        data.SetColCount(newCols);
        newHidden.assign(static_cast<size_t>(newCols), false);
        newWidths.assign(static_cast<size_t>(newCols), grid->horizontalHeader()->defaultSectionSize());
        for (int c = 0; c < kept; ++c) {
            newHidden[static_cast<size_t>(c)] = hidden[static_cast<size_t>(c)];
            newWidths[static_cast<size_t>(c)] = widths[static_cast<size_t>(c)];
        }
        for (int c = kept; c < first + newMiddle; ++c) {
            for (int r = 0; r < rows; ++r)
                data.SetCell(c, r, QString());
            data.SetCell(c, 0, MiddleHeader(c - first));
        }
        for (int i = 0; i < trailing; ++i) {
            const int to = first + newMiddle + i;
            for (int r = 0; r < rows; ++r)
                data.SetCell(to, r, tail[static_cast<size_t>(i)][static_cast<size_t>(r)]);
            newHidden[static_cast<size_t>(to)] = hidden[static_cast<size_t>(first + oldMiddle + i)];
            newWidths[static_cast<size_t>(to)] = widths[static_cast<size_t>(first + oldMiddle + i)];
        }
    }
    // One model reset for the whole change, then the columns' own state again.
    grid->SetColCount(data.ColCount());
    for (int c = 0; c < grid->ColCount(); ++c) {
        grid->SetColWidth(c, newWidths[static_cast<size_t>(c)]);
        if (newHidden[static_cast<size_t>(c)])
            grid->HideColumn(c);
        else
            grid->UnHideColumn(c);
    }

    if (newPresentations != oldPresentations) {
        int visibleData = 0;
        for (int c = fixedCols; c < grid->ColCount(); ++c) {
            if (!grid->IsHiddenColumn(c))
                ++visibleData;
        }
        scheduleUndo.resize(static_cast<size_t>(visibleData),
                            std::vector<QString>(static_cast<size_t>(std::max(newTrials, 0))));
    }
    if (newTrials != oldTrials) {
        for (auto& column : scheduleUndo)
            column.resize(static_cast<size_t>(std::max(newTrials, 0)));
    }

    FitRowHeadings(grid);
    // The new shape resets the view; the cursor stays where it was, within the new shape.
    if (currentRow >= fixedRows && currentCol >= fixedCols && grid->RowCount() > fixedRows)
        grid->SetCurrentCell(std::min(currentCol, grid->ColCount() - 1),
                             std::min(currentRow, grid->RowCount() - 1));
    grid->setUpdatesEnabled(true);
    grid->RepaintAll();
    return true;
}

namespace {

// The column count of the layout for a schedule of n presentations.
int LayoutColumns(int fixedCols, int presentations, bool training) {
    return fixedCols + 2 + MiddleColumns(presentations) + 1 + (training ? 1 : 0);
}

} // namespace

bool TfrmMain::ShowSchedule(int tab) {
    if (tab < 0 || tab >= project.GetScheduleCount())
        return false;
    CSchedule* schedule = project.GetSchedule(tab);
    StringGrid* grid = asgdSchedule;
    const int fixedCols = grid->FixedCols();
    const int fixedRows = grid->FixedRows();
    const int n = schedule->GetStimulusCount();
    const bool training = project.GetMethod() == 0;
    // Hidden columns count: they are part of the layout, only not shown.
    if (grid->RowCount() != fixedRows + schedule->GetTrialCount() ||
        grid->ColCount() != LayoutColumns(fixedCols, n, training))
        return false;

    const QLocale locale = EditorLocale();
    const int limitCol = fixedCols + 2 + MiddleColumns(n);
    grid->setUpdatesEnabled(false);
    // Straight into the cells, with one repaint at the end.
    const auto write = [grid](int col, int row, const QString& text) {
        grid->Data().SetCell(col, grid->RealRowIndex(row), text);
    };
    for (int t = 0; t < schedule->GetTrialCount(); ++t) {
        const CTrial& trial = schedule->trials[static_cast<size_t>(t)];
        const int row = fixedRows + t;
        write(fixedCols, row, trial.repeatCount == -1 ? kInfinity : locale.toString(trial.repeatCount));
        const double start = trial.startWait;
        write(fixedCols + 1, row, SecondsText(locale, start >= 1.0 || start == -1.0 ? start : 1.0));
        for (int k = 1; k <= n; ++k) {
            // Every number is written, so no text of another schedule stays in the cell.
            const int stimulus = trial.stimuli[static_cast<size_t>(k - 1)];
            write(fixedCols + 2 * k, row, stimulus == -1 ? QString() : locale.toString(stimulus));
            if (k < n)
                write(fixedCols + 2 * k + 1, row,
                      SecondsText(locale, trial.intervals[static_cast<size_t>(k - 1)]));
        }
        write(limitCol, row, SecondsText(locale, trial.responseWait));
        if (training)
            write(limitCol + 1, row, locale.toString(trial.correctAnswer));
    }
    grid->setUpdatesEnabled(true);
    grid->RepaintAll();
    return true;
}

namespace {

// Reads the cells of one trial row; the column of the first cell that does not read is
// kept for the message that names it.
struct RowReader {
    const StringGrid* grid;
    const QLocale& locale;
    int row;
    int unreadCol = -1;

    bool Done(bool ok, int col) {
        if (!ok)
            unreadCol = col;
        return ok;
    }
    bool Count(int col, int& value) { return Done(ReadCount(locale, grid->Cell(col, row), value), col); }
    bool Seconds(int col, double& value) {
        return Done(ReadSeconds(locale, grid->Cell(col, row), value), col);
    }
    bool Integer(int col, int& value) { return Done(ReadInteger(locale, grid->Cell(col, row), value), col); }
    bool Stimulus(int col, int& value) {
        if (grid->Cell(col, row).isEmpty()) {
            value = -1;
            return true;
        }
        return Integer(col, value);
    }
};

enum class ScheduleStore { Stored, NoMatch, Unread };

// The grid read into the tab's schedule; unread is the first cell that does not read.
ScheduleStore ReadScheduleGrid(TfrmMain& w, int tab, QPoint& unread) {
    CProject& project = w.project;
    unread = QPoint(-1, -1);
    if (tab < 0 || tab >= project.GetScheduleCount())
        return ScheduleStore::NoMatch;
    CSchedule* schedule = project.GetSchedule(tab);
    const StringGrid* grid = w.asgdSchedule;
    const int fixedCols = grid->FixedCols();
    const int fixedRows = grid->FixedRows();
    const int n = schedule->GetStimulusCount();
    const bool training = project.GetMethod() == 0;
    if (grid->RowCount() - fixedRows != schedule->GetTrialCount() ||
        grid->ColCount() != LayoutColumns(fixedCols, n, training))
        return ScheduleStore::NoMatch;

    // Every cell is read before anything is stored: a schedule is never half stored.
    const QLocale locale = EditorLocale();
    const int limitCol = fixedCols + 2 + MiddleColumns(n);
    std::vector<CTrial> trials = schedule->trials;
    for (int t = 0; t < schedule->GetTrialCount(); ++t) {
        CTrial& trial = trials[static_cast<size_t>(t)];
        RowReader read{grid, locale, fixedRows + t};
        bool ok = read.Count(fixedCols, trial.repeatCount) && read.Seconds(fixedCols + 1, trial.startWait);
        for (int k = 1; ok && k <= n; ++k) {
            ok = read.Stimulus(fixedCols + 2 * k, trial.stimuli[static_cast<size_t>(k - 1)]);
            if (ok && k < n)
                ok = read.Seconds(fixedCols + 2 * k + 1, trial.intervals[static_cast<size_t>(k - 1)]);
        }
        ok = ok && read.Seconds(limitCol, trial.responseWait);
        if (ok && training)
            ok = read.Integer(limitCol + 1, trial.correctAnswer);
        if (!ok) {
            unread = QPoint(read.unreadCol, read.row);
            return ScheduleStore::Unread;
        }
    }
    // Element by element: the trials stay where they are for whoever holds them.
    for (size_t t = 0; t < trials.size(); ++t)
        schedule->trials[t] = std::move(trials[t]);
    return ScheduleStore::Stored;
}

} // namespace

bool TfrmMain::StoreScheduleGrid(int tab) {
    QPoint unread;
    return ReadScheduleGrid(*this, tab, unread) == ScheduleStore::Stored;
}

bool TfrmMain::StoreShownSchedule() {
    QPoint unread;
    if (ReadScheduleGrid(*this, tabSchedule->currentIndex(), unread) != ScheduleStore::Unread)
        return true;
    // The cell is left as typed and the cursor put on it, so it can be mended at once.
    StringGrid* grid = asgdSchedule;
    if (!grid->IsHiddenColumn(unread.x()))
        grid->SetCurrentCell(unread.x(), unread.y());
    // Headers break their lines; the message names them on one.
    const QString header = grid->Cell(unread.x(), 0).simplified();
    UiServices::Get().MessageText(this, Ids("ScheduleCellUnread").arg(grid->Cell(0, unread.y()), header),
                                  QStringLiteral("Tamvik"), UiServices::Kind::Warning,
                                  UiServices::Buttons::Ok);
    return false;
}

bool TfrmMain::SetScheduleSize(int tab, int trials, int presentations) {
    if (tab < 0 || tab >= project.GetScheduleCount())
        return false;
    CSchedule* schedule = project.GetSchedule(tab);
    const int oldTrials = schedule->GetTrialCount();
    const int oldPresentations = schedule->GetStimulusCount();
    schedule->SetTrialCount(trials);
    schedule->SetStimulusCount(presentations);

    const bool moreTrials = trials > oldTrials;
    const bool morePresentations = presentations > oldPresentations;
    auto newTrialDefaults = [](CTrial& trial) {
        trial.repeatCount = 1;
        trial.startWait = 1.0;
        trial.responseWait = 1.0;
        trial.correctAnswer = -1;
    };
    auto newPositions = [](CTrial& trial, int fromStimulus, int fromInterval, int count) {
        for (int k = fromStimulus; k < count; ++k)
            trial.stimuli[static_cast<size_t>(k)] = -1;
        for (int k = std::max(fromInterval, 0); k < count - 1; ++k)
            trial.intervals[static_cast<size_t>(k)] = 1.0;
    };
    if (moreTrials && morePresentations) {
        for (int t = oldTrials; t < trials; ++t) {
            CTrial& trial = schedule->trials[static_cast<size_t>(t)];
            newTrialDefaults(trial);
            newPositions(trial, oldPresentations, oldPresentations, presentations);
        }
    } else if (moreTrials && presentations == oldPresentations) {
        for (int t = oldTrials; t < trials; ++t) {
            CTrial& trial = schedule->trials[static_cast<size_t>(t)];
            newTrialDefaults(trial);
            newPositions(trial, 0, 0, presentations);
        }
    } else if (morePresentations && trials == oldTrials) {
        for (CTrial& trial : schedule->trials) {
            for (int k = oldPresentations; k < presentations; ++k)
                trial.stimuli[static_cast<size_t>(k)] = -1;
            if (oldPresentations > 0)
                newPositions(trial, presentations, oldPresentations - 1, presentations);
        }
    }
    return true;
}

void TfrmMain::HideAnswerColumns() {
    if (!selfTraining)
        return;
    const QString correct = Ids("IDS_10");
    for (int c = 1; c < asgdSchedule->ColCount(); ++c) {
        const QString header = asgdSchedule->Cell(c, 0);
        if (header.isEmpty() || header == correct)
            asgdSchedule->HideColumn(c);
    }
}

bool TfrmMain::ValidateScheduleRange(int schedule, int firstTrial, int lastTrial) {
    if (schedule < 0 || schedule >= project.GetScheduleCount())
        return false;
    const CSchedule* s = project.GetSchedule(schedule);
    if (firstTrial < 0 || lastTrial < 0 || firstTrial > lastTrial || lastTrial > s->GetTrialCount() - 1)
        return false;
    CStimuli* stimuli = project.GetStimuli();
    const bool training = project.GetMethod() == 0;
    const CExpTraining* parameters = project.GetExperimentParameter()->GetTraining();
    const int buttons = parameters ? static_cast<int>(parameters->buttonLabels.size()) : 0;
    const int n = s->GetStimulusCount();
    for (int t = firstTrial; t <= lastTrial; ++t) {
        const CTrial& trial = s->trials[static_cast<size_t>(t)];
        if (trial.repeatCount < 1 && trial.repeatCount != -1)
            return false;
        if (!IsWaitForOperatorOrAtLeast(trial.startWait, 0.0))
            return false;
        for (int k = 0; k < n; ++k) {
            const int number = trial.stimuli[static_cast<size_t>(k)];
            if (number < 1 || number > stimuli->GetCount() || (*stimuli)[number - 1].fileName.isEmpty())
                return false;
        }
        for (int k = 0; k + 1 < n; ++k) {
            if (!IsWaitForOperatorOrAtLeast(trial.intervals[static_cast<size_t>(k)], 0.0))
                return false;
        }
        if (!IsWaitForOperatorOrAtLeast(trial.responseWait, 0.0))
            return false;
        if (training && (trial.correctAnswer < 1 || trial.correctAnswer > buttons))
            return false;
    }
    return true;
}

void TfrmMain::RandomizeTrials() {
    const int tab = tabSchedule->currentIndex();
    if (tab < 0 || tab >= project.GetScheduleCount())
        return;
    CSchedule* schedule = project.GetSchedule(tab);
    if (schedule->GetTrialCount() == 0)
        return;
    schedule->ShuffleTrials(0, schedule->GetTrialCount() - 1);
    const CExpTraining* training = project.GetExperimentParameter()->GetTraining();
    if (project.GetMethod() == 0 && training && training->buttonLabels.size() > 2)
        SpreadCorrectAnswers(schedule->trials);
    ShowSchedule(tab);
    if (frmExecute)
        frmExecute->WriteCorrectAnswers(*schedule);
}

bool ScheduleCellHighlighted(const TfrmMain& w, int col, int row) {
    if (w.playColumn < 0 || w.playRow < 0)
        return false;
    if (!((col == w.playColumn && row == w.playRow) || (col == 0 && row == w.playRow) ||
          (col == w.playColumn && row == 0)))
        return false;
    if (w.frmExecute != nullptr)
        return true;
    const int state = w.execTable->state();
    return !(state == ExecIdle || state == ExecListEnded || state == ExecScheduleEnded ||
             w.execTable->scheduleRequest() == nullptr);
}

bool asgdScheduleIsPasswordCell(const TfrmMain& w, int col, int row) {
    return w.selfTraining && row >= w.asgdSchedule->FixedRows() &&
           w.asgdSchedule->Cell(col, 0).startsWith(TfrmMain::Ids("IDS_6"));
}

void TfrmMain::asgdScheduleGetCellColor(int col, int row, QColor& background, QColor& text) {
    if (!ScheduleCellHighlighted(*this, col, row))
        return;
    const QPalette palette = QApplication::palette();
    background = palette.color(QPalette::ToolTipBase);
    text = palette.color(QPalette::ToolTipText);
}

void TfrmMain::actSdlListListenExecute() {
    if (ControlActive(*this, asgdStimulus)) {
        actStmListListenExecute();
        return;
    }
    const int tab = tabSchedule->currentIndex();
    if (!StoreShownSchedule())
        return;
    StoreStimulusComments();
    SaveParameterPanel();

    // A selection that takes in the header row (Select All does) means its trials.
    const QRect selection = asgdSchedule->Selection();
    const int fixedRows = asgdSchedule->FixedRows();
    const int first = std::max(selection.top(), fixedRows);
    const int last = std::min(selection.bottom(), asgdSchedule->RowCount() - 1);
    if (!ValidateScheduleRange(tab, first - fixedRows, last - fixedRows)) {
        ShowMessage("IDS_321", UiServices::Kind::Warning);
        return;
    }
    // A stimulus the device cannot play is named before the run starts, not met halfway.
    const CSchedule* schedule = project.GetSchedule(tab);
    std::vector<bool> checked(size_t(project.GetStimuli()->GetCount()) + 1);
    for (int trial = first - fixedRows; trial <= last - fixedRows && trial < schedule->GetTrialCount();
         ++trial) {
        for (int number : schedule->trials[size_t(trial)].stimuli) {
            if (number < 1 || size_t(number) >= checked.size() || checked[size_t(number)])
                continue;
            if (!CheckPlayable(number))
                return;
            checked[size_t(number)] = true;
        }
    }
    execTable->setCheckRepetition(false);
    execTable->setWaitResponses(false);
    execTable->setFeedbackSeconds(0.0);
    execTable->setNotifyWindow(handle());
    const QString range = QString::number(first) + QLatin1Char('-') + QString::number(last);
    if (!execTable->StartSchedule(project.GetSchedule(tab), range))
        ShowMessage("IDS_319", UiServices::Kind::Error);
}

void TfrmMain::popSdlListMenuPopup() {
    popSdlListMenu->setProperty("Tag", static_cast<int>(execTable->state()));
}
