// Rearranging the schedule as a user does: the rearranging dialog for trials and for
// presentations (items dragged inside its list), and the selected trials put into a
// random order.
#include "EditorFixture.h"

#include "ModalScript.h"
#include "ShuffleUnit.h"

#include <QDropEvent>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <functional>

namespace {

// Drops the list's item from onto the point at of its viewport, as a drag inside the list
// ends; false when the list refused the drag.
bool DropItem(TfrmShuffle* dialog, int from, QPoint at) {
    QWidget* viewport = dialog->lstShuffle->viewport();
    QMimeData data;
    data.setData(QStringLiteral("application/x-tamvik-shuffle-item"), ShuffleDragData(from));
    QDragEnterEvent enter(at, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(at), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &drop);
    return true;
}

QPoint ItemCentre(TfrmShuffle* dialog, int index) {
    return dialog->lstShuffle->visualItemRect(dialog->lstShuffle->item(index)).center();
}

} // namespace

class ScheduleSortingTest : public EditorTest {
protected:
    StringGrid* grid() const { return w->asgdSchedule; }
    CSchedule* schedule() const { return w->project.GetSchedule(0); }

    // A method-1 project whose schedule has 10 trials of 4 presentations; trial t has
    // repeat count t and stimulus 10t + k at presentation k, interval k + 0.5 after it.
    void MakeNumberedSchedule() {
        NewProject(1);
        TypeCount(w->edtPrsNumber, QStringLiteral("4"));
        ASSERT_EQ(schedule()->GetStimulusCount(), 4);
        for (int t = 0; t < 10; ++t) {
            CTrial& trial = schedule()->trials[static_cast<size_t>(t)];
            trial.repeatCount = t + 1;
            for (int k = 0; k < 4; ++k)
                trial.stimuli[static_cast<size_t>(k)] = 10 * (t + 1) + k + 1;
            for (int k = 0; k < 3; ++k)
                trial.intervals[static_cast<size_t>(k)] = k + 1.5;
        }
        ASSERT_TRUE(w->ShowSchedule(0));
        w->projectModified = false;
        w->scheduleUndoAvailable = false;
    }

    // Clicks the first cell and shift-clicks the second, as a user selects a rectangle.
    void Select(int col1, int row1, int col2, int row2) {
        ClickCell(grid(), col1, row1);
        grid()->scrollTo(grid()->model()->index(row2, col2));
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                          grid()->visualRect(grid()->model()->index(row2, col2)).center());
        ASSERT_EQ(grid()->Selection(), QRect(QPoint(col1, row1), QPoint(col2, row2)));
    }

    // Runs script inside the modal rearranging dialog that the command shows; the script
    // ends the dialog with one of its buttons.
    void TriggerWithDialog(QAction* command, const std::function<void(TfrmShuffle*)>& script) {
        TfrmShuffle* dialog = w->frmShuffle;
        WhileModal(dialog, [dialog, script] {
            dialog->lstShuffle->doItemsLayout();
            script(dialog);
        });
        Trigger(command);
        EXPECT_FALSE(dialog->isVisible());
    }

    std::vector<int> RepeatCounts() const {
        std::vector<int> ids;
        for (const CTrial& t : schedule()->trials)
            ids.push_back(t.repeatCount);
        return ids;
    }
};

TEST_F(ScheduleSortingTest, TrialsRearrangedInTheDialogMoveWhole) {
    MakeNumberedSchedule();
    Select(3, 2, 3, 4);
    // The grid's popup does not offer it; the Edit menu's List item does.
    QAction* item = Find<QAction>("popSdlListSortTrl_a");
    w->UpdateActions();
    EXPECT_FALSE(Find<QAction>("popSdlListSortTrl")->isVisible());
    EXPECT_TRUE(item->isVisible());
    TriggerWithDialog(item, [](TfrmShuffle* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Rearranging"));
        EXPECT_EQ(dialog->Items(), (QStringList{"Trial2", "Trial3", "Trial4"}));
        ASSERT_TRUE(DropItem(dialog, 2, ItemCentre(dialog, 0)));
        EXPECT_EQ(dialog->Items(), (QStringList{"Trial4", "Trial2", "Trial3"}));
        QTest::mouseClick(dialog->btnOK, Qt::LeftButton);
    });
    EXPECT_EQ(RepeatCounts(), (std::vector<int>{1, 4, 2, 3, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(schedule()->trials[1].stimuli, (std::vector<int>{41, 42, 43, 44})) << "the whole trial moves";
    EXPECT_EQ(grid()->Cell(1, 2), QStringLiteral("4"));
    EXPECT_EQ(grid()->Cell(3, 2), QStringLiteral("41"));
    EXPECT_TRUE(w->projectModified);
    EXPECT_TRUE(w->scheduleUndoAvailable);
    EXPECT_EQ(w->scheduleUndo[0][1], QStringLiteral("2")) << "the snapshot holds the grid from before";
}

TEST_F(ScheduleSortingTest, PresentationsRearrangedMoveOnlyTheStimuliOfTheSelectedTrials) {
    MakeNumberedSchedule();
    // The stimulus columns of presentations 2 and 4 (columns 5 and 9) in trials 1 and 2.
    Select(5, 1, 9, 2);
    TriggerWithDialog(Find<QAction>("popSdlListSortPrs_a"), [](TfrmShuffle* dialog) {
        EXPECT_EQ(dialog->Items(), (QStringList{"Stimulus2", "Stimulus3", "Stimulus4"}));
        ASSERT_TRUE(DropItem(dialog, 2, ItemCentre(dialog, 0)));
        QTest::mouseClick(dialog->btnOK, Qt::LeftButton);
    });
    EXPECT_EQ(schedule()->trials[0].stimuli, (std::vector<int>{11, 14, 12, 13}));
    EXPECT_EQ(schedule()->trials[1].stimuli, (std::vector<int>{21, 24, 22, 23}));
    EXPECT_EQ(schedule()->trials[2].stimuli, (std::vector<int>{31, 32, 33, 34})) << "not selected";
    EXPECT_EQ(schedule()->trials[0].intervals, (std::vector<double>{1.5, 2.5, 3.5})) << "intervals stay";
    EXPECT_EQ(grid()->Cell(5, 1), QStringLiteral("14"));
    EXPECT_TRUE(w->projectModified);
}

TEST_F(ScheduleSortingTest, CancelChangesNothingAndOkAloneStillCounts) {
    MakeNumberedSchedule();
    Select(1, 1, 1, 3);
    TriggerWithDialog(w->actSdlListSortTrl, [](TfrmShuffle* dialog) {
        ASSERT_TRUE(DropItem(dialog, 0, ItemCentre(dialog, 2)));
        QTest::mouseClick(dialog->btnCancel, Qt::LeftButton);
    });
    EXPECT_EQ(RepeatCounts(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_FALSE(w->projectModified);
    EXPECT_FALSE(w->scheduleUndoAvailable);

    TriggerWithDialog(w->actSdlListSortTrl,
                      [](TfrmShuffle* dialog) { QTest::mouseClick(dialog->btnOK, Qt::LeftButton); });
    EXPECT_EQ(RepeatCounts(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_TRUE(w->projectModified);
    EXPECT_TRUE(w->scheduleUndoAvailable);
}

TEST_F(ScheduleSortingTest, DropsBelowTheItemsGoToTheEndAndAboveToTheFront) {
    TfrmShuffle* dialog = w->frmShuffle;
    dialog->SetItems({"Trial1", "Trial2", "Trial3", "Trial4"});
    dialog->show();
    dialog->lstShuffle->doItemsLayout();
    const QRect last = dialog->lstShuffle->visualItemRect(dialog->lstShuffle->item(3));
    ASSERT_TRUE(DropItem(dialog, 0, QPoint(last.center().x(), last.bottom() + 20)));
    EXPECT_EQ(dialog->Items(), (QStringList{"Trial2", "Trial3", "Trial4", "Trial1"}));
    ASSERT_TRUE(DropItem(dialog, 2, QPoint(5, -3)));
    EXPECT_EQ(dialog->Items(), (QStringList{"Trial4", "Trial2", "Trial3", "Trial1"}));
    ASSERT_TRUE(DropItem(dialog, 1, ItemCentre(dialog, 3)));
    EXPECT_EQ(dialog->Items(), (QStringList{"Trial4", "Trial3", "Trial1", "Trial2"}));

    // A drag from elsewhere (another process's list, a file) is refused.
    QMimeData foreign;
    foreign.setData(QStringLiteral("application/x-tamvik-shuffle-item"), QByteArray("1:0"));
    QDragEnterEvent enter(ItemCentre(dialog, 0), Qt::MoveAction, &foreign, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog->lstShuffle->viewport(), &enter);
    EXPECT_FALSE(enter.isAccepted());
    dialog->hide();
}

TEST_F(ScheduleSortingTest, RandomOrderStaysInsideTheSelectedTrials) {
    MakeNumberedSchedule();
    Select(1, 1, 1, 1);
    w->UpdateActions();
    EXPECT_FALSE(w->actSdlListSortTrlRdm->isEnabled()) << "one row gives no range";
    EXPECT_FALSE(w->actSdlListSortTrl->isEnabled());
    EXPECT_FALSE(w->actSdlListSortPrs->isEnabled());

    Select(1, 3, 1, 8);
    CSchedule::ShuffleGenerator().seed(7);
    Trigger(w->actSdlListSortTrlRdm);
    const std::vector<int> ids = RepeatCounts();
    EXPECT_EQ(ids[0], 1);
    EXPECT_EQ(ids[1], 2);
    EXPECT_EQ(ids[8], 9);
    EXPECT_EQ(ids[9], 10);
    std::vector<int> inside(ids.begin() + 2, ids.begin() + 8);
    EXPECT_NE(inside, (std::vector<int>{3, 4, 5, 6, 7, 8})) << "seed 7 moves something";
    std::sort(inside.begin(), inside.end());
    EXPECT_EQ(inside, (std::vector<int>{3, 4, 5, 6, 7, 8}));
    for (int t = 0; t < 10; ++t)
        EXPECT_EQ(grid()->Cell(1, t + 1), QString::number(ids[static_cast<size_t>(t)]));
    EXPECT_TRUE(w->projectModified);
    EXPECT_TRUE(w->scheduleUndoAvailable);
}

TEST_F(ScheduleSortingTest, TheDialogSpeaksTheActiveLanguage) {
    MakeNumberedSchedule();
    Select(1, 2, 1, 3);
    TextTable::Instance().setLanguage(TextTable::Language::Japanese);
    TriggerWithDialog(w->actSdlListSortTrl, [](TfrmShuffle* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("並べ替え"));
        EXPECT_EQ(dialog->btnCancel->text(), QStringLiteral("キャンセル"));
        EXPECT_EQ(dialog->Items(), (QStringList{QStringLiteral("試行2"), QStringLiteral("試行3")}));
        ASSERT_TRUE(DropItem(dialog, 1, ItemCentre(dialog, 0)));
        QTest::mouseClick(dialog->btnOK, Qt::LeftButton);
    });
    TextTable::Instance().setLanguage(TextTable::Language::English);
    EXPECT_EQ(RepeatCounts()[1], 3) << "the Japanese items name the trials as well";
    EXPECT_EQ(RepeatCounts()[2], 2);
}
