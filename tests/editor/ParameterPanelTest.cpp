// The parameter panel between the window and the project, and the rows of its grids.
#include "MainWindowFixture.h"

#include "CountEditor.h"
#include "OptionIni.h"
#include "StringGrid.h"

#include <QGroupBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>

class ParameterPanelTest : public MainWindowTest {};

TEST_F(ParameterPanelTest, TrainingButtonCountDecidesTheLabelsSaved) {
    w->NewProject(0);
    w->asgdTrnBtn->SetCell(1, 1, QStringLiteral("yes"));
    w->asgdTrnBtn->SetCell(1, 2, QStringLiteral("no"));
    ASSERT_TRUE(w->updTrnBtnNum->SetPosition(4));
    w->ResizeParameterGrid(w->asgdTrnBtn, 2, 4);
    ASSERT_TRUE(w->SaveParameterPanel());
    const CExpTraining* training = w->project.GetExperimentParameter()->GetTraining();
    EXPECT_EQ(training->buttonLabels, (std::vector<QString>{"yes", "no", "", ""}));

    ASSERT_TRUE(w->updTrnBtnNum->SetPosition(1));
    w->ResizeParameterGrid(w->asgdTrnBtn, 4, 1);
    ASSERT_TRUE(w->SaveParameterPanel());
    EXPECT_EQ(training->buttonLabels, (std::vector<QString>{"yes"}));
    EXPECT_FALSE(w->updTrnBtnNum->SetPosition(11)) << "outside the editor's range";
    EXPECT_EQ(w->edtTrnBtnNum->text(), QStringLiteral("1"));
}

TEST_F(ParameterPanelTest, EveryMethodRoundTripsAndKeepsWhatThePanelDoesNotShow) {
    for (int method = 0; method <= 4; ++method) {
        w->NewProject(method);
        CExperimentParameter* parameter = w->project.GetExperimentParameter();
        parameter->GetParameters()->fontSize = 31;
        parameter->GetParameters()->play = false;
        w->project.GetInstruction()->lines = {"Listen.", "", "Then answer."};
        if (auto* t = parameter->GetTraining()) {
            t->buttonLabels = {"A", "B", "C"};
            t->judge = false;
            t->correct = true;
            t->yellow = true;
            t->showAnswer = 2.5;
        }
        if (auto* sd = parameter->GetSD()) {
            sd->scales = {{"dark", "bright"}, {"soft", "hard"}};
            sd->divisions = 7;
        }
        if (auto* pair = parameter->GetPair())
            pair->buttonLabels = {"first", "second"};
        if (auto* category = parameter->GetCategory()) {
            category->buttonLabels = {"low", "mid", "high", "top"};
            category->horizontalButtons = false;
        }
        const CExperimentParameter before = *parameter;

        w->projectModified = false;
        ASSERT_TRUE(w->LoadParameterPanel()) << method;
        EXPECT_TRUE(w->projectModified) << method << ": filling the panel marks the project";
        EXPECT_EQ(w->memExplain->toPlainText(), QStringLiteral("Listen.\n\nThen answer.")) << method;
        parameter->GetParameters()->play = true; // the panel, not the project, holds it now
        w->projectModified = false;
        ASSERT_TRUE(w->SaveParameterPanel()) << method;
        EXPECT_FALSE(w->projectModified) << method << ": saving into the project does not mark it";
        EXPECT_TRUE(*parameter == before) << method;
        EXPECT_EQ(w->project.GetInstruction()->lines, (QStringList{"Listen.", "", "Then answer."})) << method;
    }
}

TEST_F(ParameterPanelTest, PairedComparisonSavesExactlyTwoLabels) {
    w->NewProject(2);
    w->project.GetExperimentParameter()->GetPair()->buttonLabels = {"a", "b", "c"};
    w->asgdParBtn->SetCell(0, 1, QStringLiteral("left"));
    w->asgdParBtn->SetCell(1, 1, QStringLiteral("right"));
    ASSERT_TRUE(w->SaveParameterPanel());
    EXPECT_EQ(w->project.GetExperimentParameter()->GetPair()->buttonLabels,
              (std::vector<QString>{"left", "right"}));
}

TEST_F(ParameterPanelTest, RestrictedUserSeesOwnIndicatorChoices) {
    w->NewProject(0);
    w->project.SetFileName(root->file("lesson.tmv"));
    CExpTraining* training = w->project.GetExperimentParameter()->GetTraining();
    training->play = true;
    training->judge = false;
    training->correct = true;
    training->yellow = false;
    ASSERT_TRUE(SaveRdbSettings(QStringLiteral("lesson.tmv"), "0", "1", "", "x"));

    ASSERT_TRUE(w->LoadParameterPanel());
    EXPECT_TRUE(w->rdbPlayON->isChecked()) << "full rights ignore the stored choices";
    EXPECT_TRUE(w->rdbJudgeOFF->isChecked());

    w->tbtnFileOpenPrj->hide();
    ASSERT_TRUE(w->LoadParameterPanel());
    EXPECT_TRUE(w->rdbPlayOFF->isChecked());
    EXPECT_TRUE(w->rdbJudgeON->isChecked());
    EXPECT_TRUE(w->rdbCorrectON->isChecked()) << "empty: as stored in the project";
    EXPECT_TRUE(w->rdbYellowOFF->isChecked()) << "anything else: as stored in the project";
}

TEST_F(ParameterPanelTest, ResizeParameterGridRows) {
    w->NewProject(3);
    StringGrid* grid = w->asgdCatCategory;
    ASSERT_EQ(grid->RowCount(), 4);
    grid->SetCell(1, 1, QStringLiteral("one"));
    grid->SetCell(1, 3, QStringLiteral("three"));
    w->projectModified = false;
    w->ResizeParameterGrid(grid, 3, 0);
    EXPECT_TRUE(w->projectModified);
    EXPECT_EQ(grid->RowCount(), 2) << "one invisible data row stays";
    EXPECT_EQ(grid->rowHeight(1), 0);
    EXPECT_EQ(grid->Cell(1, 1), QString());

    w->ResizeParameterGrid(grid, 0, 2);
    EXPECT_EQ(grid->RowCount(), 3);
    EXPECT_GT(grid->rowHeight(1), 0);
    EXPECT_EQ(grid->Cell(0, 1), QStringLiteral("1"));
    EXPECT_EQ(grid->Cell(0, 2), QStringLiteral("2"));
    grid->SetCell(1, 2, QStringLiteral("kept"));
    w->ResizeParameterGrid(grid, 2, 4);
    EXPECT_EQ(grid->Cell(0, 4), QStringLiteral("4"));
    EXPECT_EQ(grid->Cell(1, 2), QStringLiteral("kept"));
    EXPECT_EQ(grid->Cell(1, 3), QString());

    w->projectModified = false;
    w->ResizeParameterGrid(grid, 4, 4);
    w->ResizeParameterGrid(nullptr, 1, 2);
    EXPECT_FALSE(w->projectModified);
}

TEST_F(ParameterPanelTest, EditsOfThePanelMarkTheProjectAndTheQuestionnaireFollowsItsCount) {
    w->NewProject(0);
    w->projectModified = false;
    w->memExplain->setPlainText(QStringLiteral("new text"));
    EXPECT_TRUE(w->projectModified);
    w->projectModified = false;
    w->rdbJudgeOFF->click();
    EXPECT_TRUE(w->projectModified);

    EXPECT_TRUE(w->SetQuestionCount(3));
    EXPECT_EQ(w->project.GetQuestionnaire()->GetTermCount(), 3);
    EXPECT_TRUE(w->SetQuestionCount(0));
    EXPECT_EQ(w->project.GetQuestionnaire()->GetTermCount(), 0);
}

TEST_F(ParameterPanelTest, PanelCaptionsFollowTheLanguage) {
    auto* pages = Find<QTabWidget>("pgeParameter");
    const int buttons = pages->indexOf(w->shtPrmButton);
    EXPECT_EQ(pages->tabText(buttons), QStringLiteral("Buttons"));
    EXPECT_FALSE(pages->isTabVisible(pages->indexOf(w->shtPrmQuestion)));
    TextTable::Instance().setLanguage(TextTable::Language::Japanese);
    EXPECT_EQ(pages->tabText(buttons), QStringLiteral("ボタン"));
    EXPECT_EQ(Find<QGroupBox>("grpPlayIndicator")->title(), QStringLiteral("呈示ランプ"));
    TextTable::Instance().setLanguage(TextTable::Language::English);
    EXPECT_EQ(Find<QGroupBox>("grpPlayIndicator")->title(), QStringLiteral("Play indicator"));
}
