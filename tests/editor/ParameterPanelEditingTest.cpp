// The parameter panel driven as a user does: captions typed into its grids, counts moved by
// their arrows, options clicked, the project saved and opened again; projects whose
// stored lists do not fit the editors; and the questionnaire page's commands.
#include "EditorFixture.h"

#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>

namespace {

CProject* OpenStored(CProject& p, const QString& path) {
    p.SetFileName(path);
    return p.Open() ? &p : nullptr;
}

} // namespace

class ParameterPanelEditingTest : public EditorTest {
protected:
    void ShowPage(QWidget* page) {
        QTabBar* bar = w->pgeParameter->tabBar();
        const int index = w->pgeParameter->indexOf(page);
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
        ASSERT_EQ(w->pgeParameter->currentWidget(), page);
    }

    // Clicks the cell and types text (the first key opens the editor), then Enter.
    static void TypeCell(StringGrid* grid, int col, int row, const QString& text) {
        ClickCell(grid, col, row);
        ASSERT_EQ(QApplication::focusWidget(), grid);
        QTest::keyClicks(nullptr, text);
        ASSERT_NE(QApplication::focusWidget(), grid) << "typing opened no editor";
        PressEnter(QApplication::focusWidget());
    }

    void SaveAs(const QString& path) {
        ui->fileNames = {path};
        if (QFileInfo::exists(path))
            ui->answers = {UiServices::Answer::Yes}; // replace it

        Trigger(w->actFileSaveAsPrj);
        ASSERT_FALSE(w->projectModified);
    }

    void Open(const QString& path) {
        ui->fileNames = {path};
        Trigger(w->actFileOpenPrj);
        ASSERT_EQ(w->project.GetFileName(), path);
    }

    // A project file written by the model itself, changed by edit first.
    QString WriteProject(int method, const std::function<void(CProject&)>& edit) {
        const QString path = root->file(QStringLiteral("stored%1.tmv").arg(method));
        CProject p;
        EXPECT_TRUE(p.New());
        p.SetMethod(method);
        p.GetGeneral()->title = QStringLiteral("Stored");
        EXPECT_TRUE(p.SetStimulusCount(2));
        CSchedule* s = p.AddSchedule(nullptr);
        s->name = QStringLiteral("Main");
        s->SetTrialCount(2);
        s->SetStimulusCount(method == 2 ? 2 : 1);
        edit(p);
        p.SetFileName(path);
        EXPECT_TRUE(p.Save());
        return path;
    }

    static QStringList Column(const StringGrid* grid, int col) {
        QStringList cells;
        for (int row = grid->FixedRows(); row < grid->RowCount(); ++row)
            cells << grid->Cell(col, row);
        return cells;
    }
};

TEST_F(ParameterPanelEditingTest, TrainingEditsReachTheSavedProjectAndComeBackOnOpen) {
    NewProject(0);
    ShowPage(w->shtPrmExplain);
    w->memExplain->setFocus();
    QTest::keyClicks(w->memExplain, QStringLiteral("Listen."));
    QTest::keyClick(w->memExplain, Qt::Key_Return);
    QTest::keyClicks(w->memExplain, QStringLiteral("Answer."));

    w->asgdSchedule->setFocus();
    ShowPage(w->shtPrmButton);
    EXPECT_TRUE(w->pnlParameter->isAncestorOf(QApplication::focusWidget()))
        << "a page chosen: the panel is active";
    ClickArrow(w->updTrnBtnNum, true);
    EXPECT_EQ(w->edtTrnBtnNum->text(), QStringLiteral("3"));
    ASSERT_EQ(w->asgdTrnBtn->RowCount(), 4);
    TypeCell(w->asgdTrnBtn, 1, 1, QStringLiteral("low"));
    TypeCell(w->asgdTrnBtn, 1, 2, QStringLiteral("mid"));
    TypeCell(w->asgdTrnBtn, 1, 3, QStringLiteral("high"));
    EXPECT_EQ(Column(w->asgdTrnBtn, 1), (QStringList{"low", "mid", "high"}));

    ShowPage(w->shtPrmOption);
    QTest::mouseClick(w->rdbJudgeOFF, Qt::LeftButton);
    QTest::mouseClick(w->rdbYellowON, Qt::LeftButton);
    QTest::mouseClick(w->rdbPlayOFF, Qt::LeftButton);
    EXPECT_TRUE(w->projectModified);

    const QString path = root->file(QStringLiteral("training.tmv"));
    SaveAs(path);
    CProject stored;
    ASSERT_NE(OpenStored(stored, path), nullptr);
    const CExpTraining* training = stored.GetExperimentParameter()->GetTraining();
    ASSERT_NE(training, nullptr);
    EXPECT_EQ(training->buttonLabels, (std::vector<QString>{"low", "mid", "high"}));
    EXPECT_FALSE(training->judge);
    EXPECT_TRUE(training->yellow);
    EXPECT_FALSE(training->play);
    EXPECT_EQ(stored.GetInstruction()->lines, (QStringList{"Listen.", "Answer."}));

    // Another project in between, then the saved one opened again.
    NewProject(3);
    EXPECT_EQ(w->memExplain->toPlainText(), QString());
    Open(path);
    EXPECT_EQ(w->memExplain->toPlainText(), QStringLiteral("Listen.\nAnswer."));
    EXPECT_EQ(w->edtTrnBtnNum->text(), QStringLiteral("3"));
    EXPECT_EQ(Column(w->asgdTrnBtn, 1), (QStringList{"low", "mid", "high"}));
    EXPECT_EQ(Column(w->asgdTrnBtn, 0), (QStringList{"1", "2", "3"}));
    EXPECT_TRUE(w->rdbJudgeOFF->isChecked());
    EXPECT_TRUE(w->rdbYellowON->isChecked());
    EXPECT_TRUE(w->rdbPlayOFF->isChecked());
    EXPECT_FALSE(w->projectModified);
    EXPECT_TRUE(ui->messages.empty());
}

TEST_F(ParameterPanelEditingTest, EveryOtherMethodsGridIsTypedIntoAndSaved) {
    struct Case {
        int method;
        StringGrid* grid;
        UpDown* count; // clicked down once, when there is one
        std::vector<std::tuple<int, int, QString>> typed;
        std::function<void(CExperimentParameter&)> check;
    };
    const Case cases[] = {
        {1,
         w->asgdSdmExpress,
         w->updSdmExpressNum,
         {{1, 1, "dark"}, {2, 1, "bright"}, {2, 4, "hard"}},
         [](CExperimentParameter& p) {
             EXPECT_EQ(p.GetSD()->scales, (std::vector<CSDScale>{{"dark", "bright"}, {}, {}, {"", "hard"}}));
             EXPECT_EQ(p.GetSD()->divisions, 5);
         }},
        {2,
         w->asgdParBtn,
         nullptr,
         {{0, 1, "first"}, {1, 1, "second"}},
         [](CExperimentParameter& p) {
             EXPECT_EQ(p.GetPair()->buttonLabels, (std::vector<QString>{"first", "second"}));
         }},
        {3,
         w->asgdCatCategory,
         w->updCatCategoryNum,
         {{1, 1, "no"}, {1, 2, "yes"}},
         [](CExperimentParameter& p) {
             EXPECT_EQ(p.GetCategory()->buttonLabels, (std::vector<QString>{"no", "yes"}));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.method);
        NewProject(c.method);
        ShowPage(w->shtPrmButton);
        if (c.count)
            ClickArrow(c.count, false);
        for (const auto& [col, row, text] : c.typed)
            TypeCell(c.grid, col, row, text);
        const QString path = root->file(QStringLiteral("method%1.tmv").arg(c.method));
        SaveAs(path);
        CProject stored;
        ASSERT_NE(OpenStored(stored, path), nullptr);
        c.check(*stored.GetExperimentParameter());
    }
}

TEST_F(ParameterPanelEditingTest, AnEditHoldsTheCountsOffAndEnterAloneOpensNothing) {
    NewProject(0);
    ShowPage(w->shtPrmButton);
    StringGrid* grid = w->asgdTrnBtn;
    ClickCell(grid, 1, 1);
    w->projectModified = false;
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), grid) << "Enter opens no editor";
    EXPECT_FALSE(grid->IsEditorOpen());
    EXPECT_FALSE(grid->Editing());

    QTest::keyClick(grid, Qt::Key_Y);
    ASSERT_TRUE(grid->IsEditorOpen());
    for (QWidget* control : {static_cast<QWidget*>(w->updTrnBtnNum), static_cast<QWidget*>(w->edtTrnBtnNum),
                             static_cast<QWidget*>(w->updCatCategoryNum)})
        EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
    PressEnter(QApplication::focusWidget());
    EXPECT_FALSE(grid->IsEditorOpen());
    EXPECT_EQ(grid->Cell(1, 1), QStringLiteral("y"));
    EXPECT_TRUE(w->projectModified);
    EXPECT_TRUE(w->updTrnBtnNum->isEnabled());
    EXPECT_TRUE(w->edtTrnBtnNum->isEnabled());
    EXPECT_FALSE(grid->Editing()) << "the next key starts a new edit, not this one";

    // A double click edits too; the arrows only move.
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_FALSE(grid->IsEditorOpen());
    EXPECT_EQ(grid->Row(), 2);
    const QModelIndex cell = grid->model()->index(2, 1);
    // A double click is a click followed by the double-click event.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(cell).center());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(cell).center());
    ASSERT_TRUE(grid->IsEditorOpen());
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("no"));
    PressEnter(QApplication::focusWidget());
    EXPECT_EQ(grid->Cell(1, 2), QStringLiteral("no"));
}

TEST_F(ParameterPanelEditingTest, StoredCountsOutsideTheEditorsAreClampedAndLossIsSaid) {
    struct Case {
        const char* what;
        int method;
        std::function<void(CExperimentParameter&)> store;
        StringGrid* grid;
        int rows; // data rows shown
        QString warning;
        std::function<void(CExperimentParameter&)> check; // after a save
    };
    std::vector<QString> twelve;
    for (int i = 1; i <= 12; ++i)
        twelve.push_back(QStringLiteral("c%1").arg(i));
    const Case cases[] = {
        {"twelve training captions", 0,
         [&](CExperimentParameter& p) { p.GetTraining()->buttonLabels = twelve; }, w->asgdTrnBtn, 10,
         "No. of buttons: the project holds 12 entries, at most 10 can be edited. The entries after the "
         "first 10 are not kept when the project is saved.",
         [&](CExperimentParameter& p) {
             EXPECT_EQ(p.GetTraining()->buttonLabels,
                       std::vector<QString>(twelve.begin(), twelve.begin() + 10));
         }},
        {"one category", 3, [](CExperimentParameter& p) { p.GetCategory()->buttonLabels = {"only"}; },
         w->asgdCatCategory, 2, QString(),
         [](CExperimentParameter& p) {
             EXPECT_EQ(p.GetCategory()->buttonLabels, (std::vector<QString>{"only", ""}));
         }},
        {"no training captions", 0, [](CExperimentParameter& p) { p.GetTraining()->buttonLabels.clear(); },
         w->asgdTrnBtn, 1, QString(),
         [](CExperimentParameter& p) {
             // One empty caption is stored as no caption at all.
             EXPECT_TRUE(p.GetTraining()->buttonLabels.empty());
         }},
        {"fifteen scale steps", 1,
         [](CExperimentParameter& p) {
             p.GetSD()->divisions = 15;
             p.GetSD()->scales = {{"a", "b"}};
         },
         w->asgdSdmExpress, 1,
         "No. of steps: the project holds 15, outside the range 3 to 13; 13 is used instead.",
         [](CExperimentParameter& p) {
             EXPECT_EQ(p.GetSD()->divisions, 13);
             EXPECT_EQ(p.GetSD()->scales, (std::vector<CSDScale>{{"a", "b"}}));
         }},
        {"one pair caption", 2, [](CExperimentParameter& p) { p.GetPair()->buttonLabels = {"left"}; },
         w->asgdParBtn, 1, QString(),
         [](CExperimentParameter& p) {
             EXPECT_EQ(p.GetPair()->buttonLabels, (std::vector<QString>{"left", ""}));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // A project of the same kind first, with other captions in the grids.
        NewProject(c.method);
        for (int row = 1; row < c.grid->RowCount(); ++row)
            for (int col = c.grid->FixedCols(); col < c.grid->ColCount(); ++col)
                c.grid->SetCell(col, row, QStringLiteral("old"));
        w->projectModified = false;
        const QString path =
            WriteProject(c.method, [&](CProject& p) { c.store(*p.GetExperimentParameter()); });
        Open(path);
        EXPECT_EQ(ShownTexts(), c.warning.isEmpty() ? QStringList() : QStringList{c.warning});
        EXPECT_EQ(c.grid->RowCount(), c.grid->FixedRows() + c.rows) << "the grid holds exactly the count";
        for (int row = c.grid->FixedRows(); row < c.grid->RowCount(); ++row)
            for (int col = c.grid->FixedCols(); col < c.grid->ColCount(); ++col)
                EXPECT_NE(c.grid->Cell(col, row), QStringLiteral("old")) << col << "," << row;
        const QString saved = root->file(QStringLiteral("saved%1.tmv").arg(&c - cases));
        SaveAs(saved);
        CProject stored;
        ASSERT_NE(OpenStored(stored, saved), nullptr);
        c.check(*stored.GetExperimentParameter());
        ui->messages.clear();
    }
}

TEST_F(ParameterPanelEditingTest, TheLossWarningSpeaksJapanese) {
    const QString path = WriteProject(3, [](CProject& p) {
        p.GetExperimentParameter()->GetCategory()->buttonLabels =
            std::vector<QString>(11, QStringLiteral("x"));
    });
    NewProject(3);
    Find<QAction>("mnuViewLanguageJapanese")->trigger();
    Open(path);
    EXPECT_EQ(ShownTexts(),
              QStringList{QStringLiteral(
                  "カテゴリ数：プロジェクトには11個の項目がありますが、編集できるのは10個までです。"
                  "10個目より後の項目はプロジェクトの保存時に失われます。")});
    EXPECT_EQ(w->edtCatCategoryNum->text(), QStringLiteral("10"));
}

TEST_F(ParameterPanelEditingTest, QuestionnaireRowsAreInsertedAndDeletedOnTheProject) {
    const QString path = WriteProject(0, [](CProject& p) {
        CQuestionnaire* q = p.GetQuestionnaire();
        q->SetTermCount(2);
        q->GetTerm(0)->itemName = QStringLiteral("age");
        q->GetTerm(0)->kind = QuestionnaireTermNumber;
        q->GetTerm(1)->itemName = QStringLiteral("hand");
        q->GetTerm(1)->kind = QuestionnaireTermSelection;
        q->GetTerm(1)->choices = {QStringLiteral("left"), QStringLiteral("right")};
    });
    NewProject(0);
    Open(path);
    w->UpdateActions();
    EXPECT_TRUE(w->actExecQst->isEnabled()) << "a questionnaire with items can be run";
    EXPECT_FALSE(w->actQstInsRow->isEnabled()) << "only while its grid has the focus";

    // The page is never offered; shown here to reach its grid.
    w->pgeParameter->setTabVisible(w->pgeParameter->indexOf(w->shtPrmQuestion), true);
    ShowPage(w->shtPrmQuestion);
    StringGrid* grid = w->asgdQuestion;
    EXPECT_EQ(Column(grid, 1), (QStringList{"age", "hand"}));
    EXPECT_EQ(Column(grid, 3), (QStringList{"Number type", "Selection type"}));
    EXPECT_EQ(Column(grid, 4), (QStringList{"", "2"}));

    ClickCell(grid, 1, 2);
    w->projectModified = false;
    emit w->popQstMenu->aboutToShow();
    EXPECT_EQ(Find<QAction>("popQstInsRow")->text(), QStringLiteral("&Insert Row"));
    EXPECT_TRUE(Find<QAction>("popQstInsRow")->isEnabled()) << "the popup offers it";
    EXPECT_EQ(Find<QAction>("popQstDelRow")->text(), QStringLiteral("&Delete Row"));
    Trigger(w->actQstInsRow);
    const CQuestionnaire* q = w->project.GetQuestionnaire();
    ASSERT_EQ(q->GetTermCount(), 3);
    EXPECT_EQ(q->GetTerm(1)->itemName, QString());
    EXPECT_EQ(q->GetTerm(1)->kind, QuestionnaireTermText);
    EXPECT_EQ(q->GetTerm(2)->itemName, QStringLiteral("hand"));
    EXPECT_EQ(Column(grid, 1), (QStringList{"age", "", "hand"}));
    EXPECT_EQ(w->edtQstNum->text(), QStringLiteral("3")) << "the count follows the items";
    EXPECT_TRUE(w->projectModified);

    ClickCell(grid, 1, 1);
    Trigger(w->actQstDelRow);
    Trigger(w->actQstDelRow);
    ASSERT_EQ(q->GetTermCount(), 1);
    EXPECT_EQ(q->GetTerm(0)->itemName, QStringLiteral("hand"));
    EXPECT_EQ(w->edtQstNum->text(), QStringLiteral("1"));
    Trigger(w->actQstDelRow);
    EXPECT_EQ(q->GetTermCount(), 0);
    EXPECT_EQ(w->edtQstNum->text(), QStringLiteral("0"));
    EXPECT_EQ(grid->RowCount(), 2);
    EXPECT_EQ(grid->rowHeight(1), 0) << "no item: one invisible row";
    w->UpdateActions();
    EXPECT_FALSE(w->actQstInsRow->isEnabled()) << "an empty questionnaire takes no insert";
    EXPECT_FALSE(w->actQstDelRow->isEnabled());
    EXPECT_FALSE(w->actExecQst->isEnabled());

    SaveAs(path);
    CProject stored;
    ASSERT_NE(OpenStored(stored, path), nullptr);
    EXPECT_EQ(stored.GetQuestionnaire()->GetTermCount(), 0);
}
