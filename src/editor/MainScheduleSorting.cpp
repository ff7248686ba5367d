// Rearranging the schedule: trials or presentations put into an order chosen in the
// rearranging dialog, the selected trials put into a random order, and the enabling of
// those commands. The random run's order is TfrmMain::RandomizeTrials.
#include "EditorShared.h"
#include "EditorWiring.h"
#include "MainUnit.h"
#include "ShuffleUnit.h"
#include "StringGrid.h"

#include <QAction>
#include <QMenu>
#include <algorithm>
#include <vector>

namespace {

// The selected trial rows as 0-based trial indices; false when they are not two or more.
bool SelectedTrials(const TfrmMain& w, int& first, int& last) {
    const StringGrid* grid = w.asgdSchedule;
    const QRect selection = grid->Selection();
    first = std::max(selection.top(), grid->FixedRows()) - grid->FixedRows();
    last = std::min(selection.bottom(), grid->RowCount() - 1) - grid->FixedRows();
    return first >= 0 && last > first;
}

// The presentation numbers of the selected stimulus columns, left to right.
std::vector<int> SelectedPresentations(const TfrmMain& w) {
    const StringGrid* grid = w.asgdSchedule;
    const QRect selection = grid->Selection();
    const QString word = TfrmMain::Ids("IDS_6");
    std::vector<int> numbers;
    for (int c = std::max(selection.left(), grid->FixedCols());
         c <= selection.right() && c < grid->ColCount(); ++c) {
        const QString header = grid->Cell(c, 0);
        if (!header.contains(word))
            continue;
        // "Stimulus2\r\n[ID]": the number between the word and the line break.
        const QString head = header.section(QLatin1Char('\r'), 0, 0).section(QLatin1Char('\n'), 0, 0);
        bool ok = false;
        const int number = head.mid(head.indexOf(word) + word.size()).trimmed().toInt(&ok);
        if (ok)
            numbers.push_back(number);
    }
    return numbers;
}

// The numbers the dialog's items name, in the list's order; empty when one does not read.
std::vector<int> ChosenOrder(const QStringList& items, const QString& word) {
    std::vector<int> order;
    for (const QString& item : items) {
        bool ok = false;
        const int number = item.mid(word.size()).toInt(&ok);
        if (!item.startsWith(word) || !ok)
            return {};
        order.push_back(number);
    }
    return order;
}

// Shows the dialog with word + number for first..last; the chosen order, or empty when
// cancelled.
std::vector<int> AskOrder(TfrmMain& w, const QString& word, int first, int last) {
    QStringList items;
    for (int i = first; i <= last; ++i)
        items << word + QString::number(i);
    w.frmShuffle->SetItems(items);
    if (w.frmShuffle->exec() != QDialog::Accepted)
        return {};
    return ChosenOrder(w.frmShuffle->Items(), word);
}

// Puts the places base..base+n-1 into order (order[j] names the 1-based number, counted
// from base + 1, that goes to place base + j) by exchanges of two places.
template <typename Swap> void ArrangeBySwaps(const std::vector<int>& order, int base, Swap swap) {
    std::vector<int> at; // at[place - base]: the number now in that place
    for (size_t j = 0; j < order.size(); ++j)
        at.push_back(base + static_cast<int>(j) + 1);
    for (size_t j = 0; j < order.size(); ++j) {
        const auto found = std::find(at.begin() + static_cast<std::ptrdiff_t>(j), at.end(), order[j]);
        if (found == at.end())
            continue;
        const size_t k = static_cast<size_t>(found - at.begin());
        if (k != j) {
            swap(base + static_cast<int>(j), base + static_cast<int>(k));
            std::swap(at[j], at[k]);
        }
    }
}

// After a change of order: the grid shows it, and Undo can bring the grid back.
void ShowRearranged(TfrmMain& w, int tab) {
    w.ShowSchedule(tab);
    w.projectModified = true;
    w.scheduleUndoAvailable = true;
}

void RandomOrderOfSelectedTrials(TfrmMain& w) {
    int first = 0;
    int last = 0;
    const int tab = w.tabSchedule->currentIndex();
    if (!SelectedTrials(w, first, last) || tab < 0 || tab >= w.project.GetScheduleCount())
        return;
    if (!w.StoreShownSchedule())
        return;
    SaveScheduleUndo(w);
    w.project.GetSchedule(tab)->ShuffleTrials(first, last);
    ShowRearranged(w, tab);
}

} // namespace

void TfrmMain::SortScheduleDialog(int mode) {
    const int tab = tabSchedule->currentIndex();
    if (tab < 0 || tab >= project.GetScheduleCount())
        return;
    int firstTrial = 0;
    int lastTrial = 0;
    if (mode == 0) {
        if (!SelectedTrials(*this, firstTrial, lastTrial))
            return;
        const std::vector<int> order = AskOrder(*this, Ids("IDS_11"), firstTrial + 1, lastTrial + 1);
        if (order.empty())
            return;
        if (!StoreShownSchedule())
            return;
        SaveScheduleUndo(*this);
        CSchedule* schedule = project.GetSchedule(tab);
        ArrangeBySwaps(order, firstTrial, [schedule](int a, int b) { schedule->SwapTrials(a, b); });
        ShowRearranged(*this, tab);
        return;
    }
    const std::vector<int> columns = SelectedPresentations(*this);
    if (columns.size() < 2)
        return;
    const int first = columns.front();
    const int last = columns.back();
    const QRect selection = asgdSchedule->Selection();
    firstTrial = std::max(selection.top(), asgdSchedule->FixedRows()) - asgdSchedule->FixedRows();
    lastTrial = std::min(selection.bottom(), asgdSchedule->RowCount() - 1) - asgdSchedule->FixedRows();
    if (first < 1 || last <= first || lastTrial < firstTrial)
        return;
    const std::vector<int> order = AskOrder(*this, Ids("IDS_6"), first, last);
    if (order.empty())
        return;
    if (!StoreShownSchedule())
        return;
    SaveScheduleUndo(*this);
    CSchedule* schedule = project.GetSchedule(tab);
    ArrangeBySwaps(order, first - 1, [&](int a, int b) {
        schedule->SwapStimuli(std::min(a, b), std::max(a, b), firstTrial, lastTrial);
    });
    ShowRearranged(*this, tab);
}

void UpdateSortingActions(TfrmMain& w) {
    const bool idle = EditorIdle(w) && w.popSdlListMenu->property("Tag").toInt() == 0 && !w.scheduleEditing;
    int first = 0;
    int last = 0;
    const bool trials = idle && SelectedTrials(w, first, last);
    w.actSdlListSortTrl->setEnabled(trials);
    w.actSdlListSortTrlRdm->setEnabled(trials);
    w.actSdlListSortPrs->setEnabled(idle && SelectedPresentations(w).size() >= 2);
}

void ConnectScheduleSorting(TfrmMain& w) {
    QObject::connect(w.actSdlListSortTrl, &QAction::triggered, &w, [&w] { w.SortScheduleDialog(0); });
    QObject::connect(w.actSdlListSortPrs, &QAction::triggered, &w, [&w] { w.SortScheduleDialog(1); });
    QObject::connect(w.actSdlListSortTrlRdm, &QAction::triggered, &w,
                     [&w] { RandomOrderOfSelectedTrials(w); });
}
