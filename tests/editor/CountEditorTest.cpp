// The count editors, driven through their edit boxes and arrows: limits per member,
// refusals with their messages, and the grids and project following every change.
#include "EditorFixture.h"

#include "CardUnit.h"
#include "WavWriter.h"

#include <QFileInfo>
#include <QTabBar>

class CountEditorTest : public EditorTest {};

TEST_F(CountEditorTest, TypedCountsOutsideTheRangeOrNotNumbersAreRefusedWithTheirMessage) {
    NewProject(1);
    struct Case {
        const char* what;
        CountEdit* edit;
        UpDown* upDown;
        QString typed;
        QString message;
    };
    const Case cases[] = {
        {"stimuli 0", w->edtStmNumber, w->updStmNumber, "0", "Please input the value from 1 to 200."},
        {"stimuli 201", w->edtStmNumber, w->updStmNumber, "201", "Please input the value from 1 to 200."},
        {"trials empty", w->edtTrlNumber, w->updTrlNumber, "", "Please input numerical value."},
        {"overflow", w->edtTrlNumber, w->updTrlNumber, "99999999999", "Please input numerical value."},
        {"scale steps 2", w->edtSdmScale, w->updSdmScale, "2", "Please input the value from 3 to 13."},
        {"word pairs 100", w->edtSdmExpressNum, w->updSdmExpressNum, "100",
         "Please input the value from 1 to 99."},
    };
    for (const Case& c : cases) {
        ui->messages.clear();
        const int before = c.upDown->Position();
        const QString shown = c.edit->text();
        TypeCount(c.edit, c.typed);
        EXPECT_EQ(ShownTexts(), QStringList{c.message}) << c.what;
        EXPECT_EQ(c.upDown->Position(), before) << c.what;
        EXPECT_EQ(c.edit->text(), shown) << c.what << ": the typing is taken back";
    }
    EXPECT_EQ(w->project.GetStimuli()->GetCount(), 10);
    EXPECT_EQ(w->asgdStimulus->RowCount(), 11);

    // Only digits reach the box.
    w->edtStmNumber->setFocus();
    w->edtStmNumber->selectAll();
    QTest::keyClicks(w->edtStmNumber, QStringLiteral("a1-2.x"));
    EXPECT_EQ(w->edtStmNumber->text(), QStringLiteral("12"));
    QTest::keyClick(w->edtStmNumber, Qt::Key_Backspace);
    EXPECT_EQ(w->edtStmNumber->text(), QStringLiteral("1"));
}

TEST_F(CountEditorTest, RangeMessageInJapanese) {
    NewProject(2);
    TextTable::Instance().setLanguage(TextTable::Language::Japanese);
    TypeCount(w->edtStmNumber, QStringLiteral("0"));
    EXPECT_EQ(ShownTexts(), QStringList{QStringLiteral("1から200までの間で指定してください。")});
    ui->messages.clear();
    // Paired comparison keeps two presentations.
    TypeCount(w->edtPrsNumber, QStringLiteral("3"));
    EXPECT_EQ(ShownTexts(), QStringList{QStringLiteral("2から2までの間で指定してください。")});
    EXPECT_EQ(w->updPrsNumber->Position(), 2);
}

TEST_F(CountEditorTest, PairedComparisonAcceptsOnlyTwoPresentations) {
    NewProject(2);
    TypeCount(w->edtPrsNumber, QStringLiteral("3"));
    EXPECT_EQ(ShownTexts(), QStringList{"Please input the value from 2 to 2."});
    ClickArrow(w->updPrsNumber, true);
    EXPECT_EQ(w->updPrsNumber->Position(), 2) << "an arrow past the range does nothing";
    EXPECT_EQ(w->edtPrsNumber->text(), QStringLiteral("2"));
    EXPECT_EQ(w->project.GetSchedule(0)->GetStimulusCount(), 2);
}

TEST_F(CountEditorTest, ScaleStepsAreOdd) {
    NewProject(1);
    TypeCount(w->edtSdmScale, QStringLiteral("9"));
    EXPECT_EQ(w->updSdmScale->Position(), 9);
    TypeCount(w->edtSdmScale, QStringLiteral("6"));
    EXPECT_EQ(w->updSdmScale->Position(), 5);
    EXPECT_EQ(w->edtSdmScale->text(), QStringLiteral("5"));
    TypeCount(w->edtSdmScale, QStringLiteral("14"));
    EXPECT_EQ(w->updSdmScale->Position(), 13);
    ClickArrow(w->updSdmScale, false);
    EXPECT_EQ(w->updSdmScale->Position(), 11);
    EXPECT_EQ(w->edtSdmScale->text(), QStringLiteral("11"));
    EXPECT_TRUE(ui->messages.empty());
}

TEST_F(CountEditorTest, StimulusCountResizesListAndProjectAndDropsWavCopies) {
    NewProject(0);
    TestDir wavs;
    TypeCount(w->edtStmNumber, QStringLiteral("12"));
    ASSERT_EQ(w->project.GetStimuli()->GetCount(), 12);
    EXPECT_EQ(w->asgdStimulus->RowCount(), 13);
    EXPECT_EQ(w->asgdStimulus->Cell(0, 12), QStringLiteral("Stimulus12"));
    QStringList copies;
    for (int i : {9, 10, 11}) {
        const QString wav = wavs.file(QStringLiteral("s%1.wav").arg(i));
        ASSERT_TRUE(WriteWav(wav, WavLayout::pcm(1, 44100, 16), PatternBytes(100)));
        copies << w->project.GetWorkFolder() + w->project.SetStimulusFile(i, wav, false);
    }
    // The card shows the last stimulus; the list shrinks under it.
    ClickCell(w->asgdStimulus, 2, 12);
    EXPECT_EQ(w->frmCard->currentNumber, 12);
    TypeCount(w->edtStmNumber, QStringLiteral("10"));
    EXPECT_EQ(w->project.GetStimuli()->GetCount(), 10);
    EXPECT_EQ(w->asgdStimulus->RowCount(), 11);
    EXPECT_TRUE(QFileInfo::exists(copies[0]));
    EXPECT_FALSE(QFileInfo::exists(copies[1]));
    EXPECT_FALSE(QFileInfo::exists(copies[2]));
    EXPECT_EQ(w->frmCard->currentNumber, 10) << "the card is kept within the list";
    EXPECT_EQ(w->frmCard->lastNumber, 10);

    // The arrows do the same one step at a time.
    ClickArrow(w->updStmNumber, false);
    EXPECT_EQ(w->project.GetStimuli()->GetCount(), 9);
    EXPECT_EQ(w->asgdStimulus->RowCount(), 10);
    EXPECT_EQ(w->edtStmNumber->text(), QStringLiteral("9"));
    EXPECT_EQ(w->frmCard->currentNumber, 9);
    EXPECT_TRUE(w->projectModified);
}

TEST_F(CountEditorTest, TrialAndPresentationCountsStoreTheGridFirstAndResizeTheSchedule) {
    NewProject(0);
    StringGrid* grid = w->asgdSchedule;
    grid->SetCell(1, 1, QStringLiteral("7")); // as left by a cell edit
    ClickArrow(w->updTrlNumber, true);
    CSchedule* schedule = w->project.GetSchedule(0);
    ASSERT_EQ(schedule->GetTrialCount(), 11);
    EXPECT_EQ(schedule->trials[0].repeatCount, 7) << "the cell typed before the click survives";
    EXPECT_EQ(grid->RowCount(), 12);
    EXPECT_EQ(grid->Cell(0, 11), QStringLiteral("Trial11"));
    EXPECT_EQ(grid->Cell(1, 11), QStringLiteral("1"));
    EXPECT_EQ(grid->Cell(2, 11), QStringLiteral("1.0"));

    TypeCount(w->edtPrsNumber, QStringLiteral("3"));
    EXPECT_EQ(schedule->GetStimulusCount(), 3);
    EXPECT_EQ(grid->ColCount(), 10);
    EXPECT_EQ(grid->Cell(7, 0), QStringLiteral("Stimulus3\r\n[ID]"));
    EXPECT_EQ(grid->Cell(1, 1), QStringLiteral("7"));
    TypeCount(w->edtTrlNumber, QStringLiteral("2"));
    EXPECT_EQ(schedule->GetTrialCount(), 2);
    EXPECT_EQ(grid->RowCount(), 3);
    ClickArrow(w->updPrsNumber, false);
    EXPECT_EQ(schedule->GetStimulusCount(), 2);
    EXPECT_EQ(grid->ColCount(), 8);
    EXPECT_TRUE(ui->messages.empty());
}

TEST_F(CountEditorTest, ParameterCountsResizeOnlyTheirGrids) {
    NewProject(0);
    const auto labels = w->project.GetExperimentParameter()->GetTraining()->buttonLabels;
    ClickArrow(w->updTrnBtnNum, true);
    EXPECT_EQ(w->asgdTrnBtn->RowCount(), 4);
    EXPECT_EQ(w->asgdTrnBtn->Cell(0, 3), QStringLiteral("3"));
    TypeCount(w->edtTrnBtnNum, QStringLiteral("10"));
    EXPECT_EQ(w->asgdTrnBtn->RowCount(), 11);
    TypeCount(w->edtTrnBtnNum, QStringLiteral("11"));
    EXPECT_EQ(ShownTexts(), QStringList{"Please input the value from 1 to 10."});
    EXPECT_EQ(w->project.GetExperimentParameter()->GetTraining()->buttonLabels, labels)
        << "the project takes the buttons when the panel is saved";

    NewProject(3);
    TypeCount(w->edtCatCategoryNum, QStringLiteral("5"));
    EXPECT_EQ(w->asgdCatCategory->RowCount(), 6);
    ClickArrow(w->updCatCategoryNum, false);
    EXPECT_EQ(w->asgdCatCategory->RowCount(), 5);
}
