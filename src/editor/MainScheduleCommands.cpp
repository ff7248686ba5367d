// The schedule's commands: the tab commands (new, duplicate, rename, delete), the grid's
// structural commands (rows, columns, clear, select all), the drop of a stimulus number
// from the stimulus list, and the enabling of those commands.
#include "CountEditor.h"
#include "EditorShared.h"
#include "EditorWiring.h"
#include "MainUnit.h"
#include "ScheduleCellRules.h"
#include "StringGrid.h"
#include "WindowFilter.h"

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QSignalBlocker>
#include <QTabBar>
#include <algorithm>
#include <utility>

namespace {

CSchedule* CurrentSchedule(TfrmMain& w) {
    const int tab = w.tabSchedule->currentIndex();
    return tab >= 0 && tab < w.project.GetScheduleCount() ? w.project.GetSchedule(tab) : nullptr;
}

bool CaptionTaken(const QTabBar* tabs, const QString& name) {
    for (int i = 0; i < tabs->count(); ++i)
        if (tabs->tabText(i) == name)
            return true;
    return false;
}

// Adds a tab at the end and makes it current without the change events.
void AddCurrentTab(TfrmMain& w, const QString& name) {
    const QSignalBlocker block(w.tabSchedule);
    w.tabSchedule->setCurrentIndex(w.tabSchedule->addTab(name));
}

// ---- tab commands ----------------------------------------------------------------------

void NewSchedule(TfrmMain& w) {
    if (!w.StoreShownSchedule())
        return;
    CSchedule* schedule = w.project.AddSchedule(nullptr);
    QString name;
    for (int n = 2;; ++n) {
        name = TfrmMain::Ids("IDS_131") + QString::number(n);
        if (!CaptionTaken(w.tabSchedule, name))
            break;
    }
    AddCurrentTab(w, name);
    const bool paired = w.project.GetMethod() == 2;
    const int presentations = paired ? 2 : 1;
    w.ResizeScheduleGrid(w.updPrsNumber->Position(), w.updTrlNumber->Position(), presentations, 10);
    w.SetScheduleSize(w.tabSchedule->currentIndex(), 10, presentations);
    if (paired)
        w.updPrsNumber->SetRange(2, 2);
    else
        w.updPrsNumber->SetRange(1, std::max<int>(w.maxPresentations, 1));
    SetCountQuietly(w.updPrsNumber, w.edtPrsNumber, presentations);
    SetCountQuietly(w.updTrlNumber, w.edtTrlNumber, 10);
    w.ShowSchedule(w.tabSchedule->currentIndex());
    schedule->name = name;
    w.projectModified = true;
    w.scheduleUndoAvailable = false;
}

void DuplicateSchedule(TfrmMain& w) {
    CSchedule* current = CurrentSchedule(w);
    if (current == nullptr || !w.StoreShownSchedule())
        return;
    CSchedule* copy = w.project.AddSchedule(current);
    const QString caption = w.tabSchedule->tabText(w.tabSchedule->currentIndex());
    QString name;
    for (int n = 2;; ++n) {
        name = caption + QStringLiteral(" (L") + QString::number(n) + QLatin1Char(')');
        if (!CaptionTaken(w.tabSchedule, name))
            break;
    }
    AddCurrentTab(w, name);
    copy->name = name;
    // The grid already shows the same trials.
    w.projectModified = true;
    w.scheduleUndoAvailable = false;
}

bool Renaming(const TfrmMain& w) {
    return w.edtTabName->property("Tag").toInt() == 1;
}

void EndRename(TfrmMain& w) {
    w.edtTabName->setProperty("Tag", 0);
    w.edtTabName->hide();
}

void StartRename(TfrmMain& w) {
    const int tab = w.tabSchedule->currentIndex();
    if (tab < 0)
        return;
    const QRect r = w.tabSchedule->tabRect(tab);
    w.edtTabName->setText(w.tabSchedule->tabText(tab));
    w.edtTabName->selectAll();
    w.edtTabName->setGeometry(r.left() + 4, r.top() + 1, r.width() - 8, r.height() - 4);
    w.edtTabName->setProperty("Tag", 1);
    w.edtTabName->show();
    w.edtTabName->raise();
    w.edtTabName->setFocus();
}

// Enter commits the name as typed; Esc or leaving the box abandons it.
class RenameBoxEvents : public WindowFilter {
public:
    explicit RenameBoxEvents(TfrmMain& w) : WindowFilter(w, w.edtTabName) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::FocusOut && Renaming(m_w)) {
            EndRename(m_w);
            return false;
        }
        if (event->type() != QEvent::KeyPress || !Renaming(m_w))
            return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            const int tab = m_w.tabSchedule->currentIndex();
            const QString name = m_w.edtTabName->text();
            m_w.tabSchedule->setTabText(tab, name);
            if (CSchedule* schedule = CurrentSchedule(m_w))
                schedule->name = name;
            EndRename(m_w);
            m_w.projectModified = true;
            m_w.scheduleUndoAvailable = false;
            return true;
        }
        if (key == Qt::Key_Escape) {
            EndRename(m_w);
            return true;
        }
        return false;
    }
};

void DeleteSchedule(TfrmMain& w) {
    const int tab = w.tabSchedule->currentIndex();
    if (tab < 0 || w.tabSchedule->count() <= 1 || !w.project.DeleteSchedule(tab))
        return;
    {
        const QSignalBlocker block(w.tabSchedule);
        w.tabSchedule->removeTab(tab);
        w.tabSchedule->setCurrentIndex(std::min(tab, w.tabSchedule->count() - 1));
    }
    CSchedule* shown = CurrentSchedule(w);
    w.ResizeScheduleGrid(w.updPrsNumber->Position(), w.updTrlNumber->Position(), shown->GetStimulusCount(),
                         shown->GetTrialCount());
    SetCountQuietly(w.updPrsNumber, w.edtPrsNumber, shown->GetStimulusCount());
    SetCountQuietly(w.updTrlNumber, w.edtTrlNumber, shown->GetTrialCount());
    w.ShowSchedule(w.tabSchedule->currentIndex());
    w.projectModified = true;
    w.scheduleUndoAvailable = false;
}

// ---- grid commands ---------------------------------------------------------------------

int CurrentTrial(const TfrmMain& w) {
    return w.asgdSchedule->Row() - w.asgdSchedule->FixedRows();
}

// The presentation (0-based) that the column commands act on for the current column.
int CurrentPresentation(const TfrmMain& w) {
    const int c = w.asgdSchedule->Col() - w.asgdSchedule->FixedCols();
    const int n = w.updPrsNumber->Position();
    if (c <= 1)
        return 0;
    if (c <= 2 * n + 1)
        return (c - 2) / 2;
    return n - 1;
}

void NewTrialValues(CTrial& trial) {
    trial.repeatCount = 1;
    trial.startWait = 1.0;
    std::fill(trial.stimuli.begin(), trial.stimuli.end(), -1);
    std::fill(trial.intervals.begin(), trial.intervals.end(), 1.0);
    trial.responseWait = 1.0;
    trial.correctAnswer = -1;
}

void InsertTrialRow(TfrmMain& w) {
    CSchedule* schedule = CurrentSchedule(w);
    const int trials = w.updTrlNumber->Position();
    if (schedule == nullptr || trials >= w.updTrlNumber->Max())
        return;
    const int tab = w.tabSchedule->currentIndex();
    const int t = CurrentTrial(w);
    if (!w.StoreShownSchedule() || !schedule->InsertTrial(t))
        return;
    NewTrialValues(schedule->trials[static_cast<size_t>(t)]);
    const int presentations = w.updPrsNumber->Position();
    w.ResizeScheduleGrid(presentations, trials, presentations, trials + 1);
    SetCountQuietly(w.updTrlNumber, w.edtTrlNumber, schedule->GetTrialCount());
    w.ShowSchedule(tab);
    w.projectModified = true;
    w.scheduleUndoAvailable = false;
}

void DeleteTrialRow(TfrmMain& w) {
    CSchedule* schedule = CurrentSchedule(w);
    if (schedule == nullptr)
        return;
    if (schedule->GetTrialCount() <= 1) {
        w.ShowMessage("IDS_459", UiServices::Kind::Warning);
        return;
    }
    const int tab = w.tabSchedule->currentIndex();
    if (!w.StoreShownSchedule() || !schedule->DeleteTrial(CurrentTrial(w)))
        return;
    const int presentations = w.updPrsNumber->Position();
    const int trials = w.updTrlNumber->Position();
    w.ResizeScheduleGrid(presentations, trials, presentations, trials - 1);
    SetCountQuietly(w.updTrlNumber, w.edtTrlNumber, schedule->GetTrialCount());
    w.ShowSchedule(tab);
    w.projectModified = true;
    w.scheduleUndoAvailable = false;
}

void InsertPresentation(TfrmMain& w) {
    CSchedule* schedule = CurrentSchedule(w);
    const int presentations = w.updPrsNumber->Position();
    if (schedule == nullptr || presentations >= w.updPrsNumber->Max())
        return;
    const int tab = w.tabSchedule->currentIndex();
    const int p = CurrentPresentation(w);
    w.asgdSchedule->UnHideColumnsAll();
    if (!w.StoreShownSchedule() || !schedule->InsertStimulus(p)) {
        w.HideAnswerColumns();
        return;
    }
    for (CTrial& trial : schedule->trials) {
        trial.stimuli[static_cast<size_t>(p)] = -1;
        if (static_cast<size_t>(p) < trial.intervals.size())
            trial.intervals[static_cast<size_t>(p)] = 1.0;
    }
    const int trials = w.updTrlNumber->Position();
    w.ResizeScheduleGrid(presentations, trials, presentations + 1, trials);
    SetCountQuietly(w.updPrsNumber, w.edtPrsNumber, schedule->GetStimulusCount());
    w.ShowSchedule(tab);
    w.HideAnswerColumns();
    w.projectModified = true;
    w.scheduleUndoAvailable = false;
}

void DeletePresentation(TfrmMain& w) {
    CSchedule* schedule = CurrentSchedule(w);
    if (schedule == nullptr)
        return;
    w.asgdSchedule->UnHideColumnsAll();
    if (schedule->GetStimulusCount() <= 1) {
        w.ShowMessage("IDS_460", UiServices::Kind::Warning);
        w.HideAnswerColumns();
        return;
    }
    const int tab = w.tabSchedule->currentIndex();
    const int p = CurrentPresentation(w);
    if (!w.StoreShownSchedule() || !schedule->DeleteStimulus(p)) {
        w.HideAnswerColumns();
        return;
    }
    const int presentations = w.updPrsNumber->Position();
    const int trials = w.updTrlNumber->Position();
    w.ResizeScheduleGrid(presentations, trials, presentations - 1, trials);
    SetCountQuietly(w.updPrsNumber, w.edtPrsNumber, schedule->GetStimulusCount());
    w.ShowSchedule(tab);
    w.HideAnswerColumns();
    w.projectModified = true;
    w.scheduleUndoAvailable = false;
}

void ClearCells(TfrmMain& w) {
    StringGrid* grid = w.asgdSchedule;
    SaveScheduleUndo(w);
    const QRect selection = grid->Selection();
    for (int c = std::max(selection.left(), grid->FixedCols()); c <= selection.right(); ++c) {
        const QString value = schedulecell::EmptyValue(grid->Cell(c, 0), DecimalSeparator());
        for (int r = std::max(selection.top(), grid->FixedRows()); r <= selection.bottom(); ++r)
            grid->SetCell(c, r, value);
    }
    w.projectModified = true;
    w.scheduleUndoAvailable = true;
}

void SelectAllCells(TfrmMain& w) {
    StringGrid* grid = w.asgdSchedule;
    if (grid->RowCount() > grid->FixedRows() && grid->ColCount() > grid->FixedCols())
        grid->SetSelection(QRect(QPoint(grid->FixedCols(), grid->FixedRows()),
                                 QPoint(grid->ColCount() - 1, grid->RowCount() - 1)));
}

// A stimulus number dragged from the stimulus list goes into a stimulus cell; the cell
// under the pointer becomes current as the drag passes over it.
void ConnectStimulusNumberDrops(TfrmMain& w) {
    StringGrid* grid = w.asgdSchedule;
    grid->acceptsDrag = [](const QMimeData& data) { return data.hasFormat(kStimulusNumberMime); };
    grid->dragOver = [&w, grid](int col, int row, const QMimeData&) {
        if (col < grid->FixedCols() || row < grid->FixedRows())
            return false;
        grid->SetCurrentCell(col, row);
        return EditorIdle(w) && !w.scheduleEditing && grid->Cell(col, 0).contains(TfrmMain::Ids("IDS_6"));
    };
    grid->dragDrop = [&w, grid](int col, int row, const QMimeData& data) {
        bool ok = false;
        const int number = data.data(kStimulusNumberMime).toInt(&ok);
        if (!ok || number < 1)
            return;
        SaveScheduleUndo(w);
        w.projectModified = true;
        w.scheduleUndoAvailable = true;
        grid->SetCell(col, row, QString::number(number));
        grid->viewport()->update();
    };
}

} // namespace

void UpdateScheduleActions(TfrmMain& w) {
    const bool idle = EditorIdle(w);
    const bool renaming = Renaming(w);
    const int tab = w.tabSchedule->currentIndex();
    const bool tabVisible = tab >= 0 && w.tabSchedule->tabRect(tab).right() <= w.tabSchedule->width();
    w.actSdlAllNew->setEnabled(idle && !renaming);
    w.actSdlCopyNew->setEnabled(idle && !renaming && tab >= 0);
    w.actSdlRename->setEnabled(idle && !renaming && tabVisible);
    w.actSdlDelete->setEnabled(idle && !renaming && tabVisible && w.tabSchedule->count() > 1);

    const bool listIdle = idle && w.popSdlListMenu->property("Tag").toInt() == 0 && !w.scheduleEditing;
    const StringGrid* grid = w.asgdSchedule;
    const bool trialRow = grid->Row() >= grid->FixedRows();
    const int c = grid->Col() - grid->FixedCols();
    const int n = w.updPrsNumber->Position();
    const bool presentationColumn = c >= 2 && c <= 2 * n + 1;
    // Paired comparison keeps exactly two presentations, as its count editor does.
    const bool paired = w.project.GetMethod() == 2;
    const CSchedule* schedule = CurrentSchedule(w);
    const int trials = schedule ? schedule->GetTrialCount() : 0;
    const int presentations = schedule ? schedule->GetStimulusCount() : 0;
    w.actSdlListInsRow->setEnabled(listIdle && schedule && trialRow && trials < w.updTrlNumber->Max());
    w.actSdlListDelRow->setEnabled(listIdle && trialRow && trials >= 2);
    w.actSdlListInsCol->setEnabled(listIdle && schedule && !paired && presentationColumn &&
                                   presentations < w.updPrsNumber->Max());
    w.actSdlListDelCol->setEnabled(listIdle && !paired && presentationColumn && presentations >= 2);
    const bool active = listIdle && ControlActive(w, w.asgdSchedule);
    w.actSdlListClear->setEnabled(active);
    w.actSdlListSelectAll->setEnabled(active);
}

void ConnectScheduleCommands(TfrmMain& w) {
    new RenameBoxEvents(w);
    ConnectStimulusNumberDrops(w);
    const std::pair<QAction*, void (*)(TfrmMain&)> commands[] = {
        {w.actSdlAllNew, NewSchedule},
        {w.actSdlCopyNew, DuplicateSchedule},
        {w.actSdlRename, StartRename},
        {w.actSdlDelete, DeleteSchedule},
        {w.actSdlListInsRow, InsertTrialRow},
        {w.actSdlListDelRow, DeleteTrialRow},
        {w.actSdlListInsCol, InsertPresentation},
        {w.actSdlListDelCol, DeletePresentation},
        {w.actSdlListClear, ClearCells},
        {w.actSdlListSelectAll, SelectAllCells},
    };
    for (const auto& [action, run] : commands)
        QObject::connect(action, &QAction::triggered, &w, [&w, run = run] { run(w); });
    w.actSdlListClear->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Delete));
    w.actSdlListSelectAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    for (QAction* a : {w.actSdlListClear, w.actSdlListSelectAll, w.actSdlListListen}) {
        a->setShortcutContext(Qt::WindowShortcut);
        w.addAction(a);
    }
    // After the tab menu, the last column follows the self-training option again.
    QObject::connect(w.popSdlTabMenu, &QMenu::aboutToHide, &w, [&w] {
        const int last = w.asgdSchedule->ColCount() - 1;
        if (w.selfTraining)
            w.asgdSchedule->HideColumn(last);
        else
            w.asgdSchedule->UnHideColumn(last);
    });
}
