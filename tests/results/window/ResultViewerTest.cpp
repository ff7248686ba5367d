// The result window on a project with three results: lists, pages, sorting and deletion,
// the totaling command and the close notice.
#include "ResultWindowFixture.h"

#include "CountEditor.h"
#include "IniFile.h"
#include "MainSettings.h"
#include "OptionIni.h"
#include "RstDlgUnit.h"
#include "TableText.h"
#include "TextFits.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

TEST_F(ResultViewerTest, OpensOnTheLastResultAndClickingShowsAnother) {
    OpenResults();
    EXPECT_EQ(r->windowTitle(), QStringLiteral("Result report"));
    EXPECT_EQ(Column(r->asgdRstList, 0), QStringList({"Index", "Result01", "Result02", "Result03"}));
    EXPECT_EQ(Column(r->asgdRstList, 2), QStringList({"Schedule name", "Alpha", "Bravo", "Charlie"}));
    EXPECT_EQ(r->asgdRstData->Cell(1, 0), QStringLiteral("SubjectID\r\nP2"));
    EXPECT_EQ(r->asgdStmData->RowCount(), 4);

    ClickCell(r->asgdRstList, 1, 1);
    EXPECT_EQ(r->asgdRstData->Cell(1, 0), QStringLiteral("SubjectID\r\nP0"));
    EXPECT_EQ(r->asgdStmData->RowCount(), 2);
    EXPECT_EQ(r->asgdSdlData->Cell(3, 1), QStringLiteral("1"));

    // The detail pages switch by their tabs; the link buttons work on the schedule page.
    QTabBar* tabs = r->pgeOtherList->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(2).center());
    EXPECT_EQ(r->pgeOtherList->currentWidget(), r->shtSchedule);
    EXPECT_TRUE(r->sbtnLink->isEnabled());
    QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(1).center());
    EXPECT_EQ(r->pgeOtherList->currentWidget(), static_cast<QWidget*>(r->shtExecPrm));
    EXPECT_FALSE(r->sbtnLink->isEnabled());
    EXPECT_EQ(r->lblBtnNum->text(), QStringLiteral("No. of categories:"));

    // Hiding the detail pages leaves the answers.
    QTest::mouseClick(r->tbtnOtherListVisible, Qt::LeftButton);
    EXPECT_FALSE(r->pnlOtherData->isVisible());
    EXPECT_TRUE(r->asgdRstData->isVisible());
}

TEST_F(ResultViewerTest, RowsKeepTheirResultsThroughSortingAndDeletion) {
    OpenResults();
    // Sorted by date, then by date again: the latest first.
    ClickCell(r->asgdRstList, 5, 0);
    EXPECT_EQ(Column(r->asgdRstList, 2), QStringList({"Schedule name", "Alpha", "Bravo", "Charlie"}));
    ClickCell(r->asgdRstList, 5, 0);
    EXPECT_EQ(Column(r->asgdRstList, 2), QStringList({"Schedule name", "Charlie", "Bravo", "Alpha"}));
    EXPECT_EQ(r->ResultIndexOfRow(r->asgdRstList->Row()), 2) << "the current row keeps its result";
    ClickCell(r->asgdRstList, 1, 1);
    EXPECT_EQ(r->asgdRstData->Cell(1, 0), QStringLiteral("SubjectID\r\nP2")) << "row 1 shows Charlie now";

    ASSERT_TRUE(r->DeleteResultOfRow(2)); // Bravo
    ASSERT_EQ(w->project.GetResponseCount(), 2);
    EXPECT_EQ(w->project.GetResponse(0)->schedule.name, QStringLiteral("Alpha"));
    EXPECT_EQ(w->project.GetResponse(1)->schedule.name, QStringLiteral("Charlie"));
    EXPECT_EQ(Column(r->asgdRstList, 2), QStringList({"Schedule name", "Charlie", "Alpha"}));
    EXPECT_EQ(r->ResultIndexOfRow(1), 1) << "Charlie moved up one place";
    EXPECT_EQ(r->ResultIndexOfRow(2), 0);
    ClickCell(r->asgdRstList, 1, 2);
    EXPECT_EQ(r->asgdRstData->Cell(1, 0), QStringLiteral("SubjectID\r\nP0"));

    // Deleting again by the row that now shows Charlie removes Charlie.
    ASSERT_TRUE(r->DeleteResultOfRow(1));
    ASSERT_EQ(w->project.GetResponseCount(), 1);
    EXPECT_EQ(w->project.GetResponse(0)->schedule.name, QStringLiteral("Alpha"));
    EXPECT_FALSE(r->DeleteResultOfRow(0)) << "the header row stands for no result";

    r->close();
    EXPECT_TRUE(PumpUntil([&] { return w->projectModified; })) << "the deletions are reported";
}

TEST_F(ResultViewerTest, TotalingTheSelectedResultsOfACategoryProject) {
    OpenResults();
    EXPECT_FALSE(r->actTotalRst->isEnabled()) << "only while the result list has the focus";
    r->asgdRstList->setFocus();
    // Results 1 and 3 selected (result 3 is marked when the window opens).
    ClickCell(r->asgdRstList, 1, 1, Qt::ControlModifier);
    TotalWith([](TfrmRstDlg* dialog) {
        EXPECT_TRUE(dialog->pnlOther->isVisible());
        EXPECT_FALSE(dialog->pnlTraining->isVisible());
        EXPECT_TRUE(dialog->rdbComplete->isChecked());
        dialog->rdbOrder->click();
        dialog->chkOverLap->click();
        dialog->btnOK->click();
    });
    EXPECT_TRUE(r->pnlTotalData->isVisible());
    EXPECT_FALSE(r->pnlResultData->isVisible());
    EXPECT_FALSE(r->tbtnOtherListVisible->isEnabled());
    StringGrid* totals = r->asgdTtlData;
    QStringList header;
    for (int c = 0; c < totals->ColCount(); ++c)
        header << totals->Cell(c, 0);
    EXPECT_EQ(header, QStringList({"Stimulus1", "Stimulus2", "SubjectID\r\nP0", "SubjectID\r\nP2",
                                   "SubjectID\r\nQ0", "SubjectID\r\nQ2"}));
    EXPECT_EQ(totals->Cell(2, 3), QStringLiteral("1.000"));
    EXPECT_EQ(totals->Cell(3, 3), QStringLiteral("3.000"));

    QTest::mouseClick(r->sbtnClose, Qt::LeftButton);
    EXPECT_FALSE(r->pnlTotalData->isVisible());
    EXPECT_TRUE(r->pnlResultData->isVisible());
}

// Totals of many results take a while: the hourglass shows from the options dialog's OK
// until the totals are in the grid, never while the user chooses, and goes with the end.
TEST_F(ResultViewerTest, TotalingShowsTheHourglassWhileItWorks) {
    OpenResults();
    r->asgdRstList->setFocus();
    ClickCell(r->asgdRstList, 1, 1, Qt::ControlModifier);
    // The cursor as the totals grid takes its cells; -1 for none.
    std::vector<int> whileFilled;
    QObject::connect(r->asgdTtlData->model(), &QAbstractItemModel::modelReset, r, [&] {
        const QCursor* cursor = QApplication::overrideCursor();
        whileFilled.push_back(cursor ? cursor->shape() : -1);
    });
    bool busyWhileChoosing = true;
    TotalWith([&](TfrmRstDlg* dialog) {
        busyWhileChoosing = QApplication::overrideCursor() != nullptr;
        dialog->btnOK->click();
    });
    EXPECT_FALSE(busyWhileChoosing);
    ASSERT_FALSE(whileFilled.empty());
    for (const int shape : whileFilled)
        EXPECT_EQ(shape, Qt::WaitCursor);
    EXPECT_TRUE(r->pnlTotalData->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ResultViewerTest, FailedTotalingLeavesTheViewAsItWas) {
    OpenResults(4, [](CProject& project) {
        project.GetResponse(2)->terminalResponses[0].answers[0] = QString(); // unanswered ME trial
    });
    ClickCell(r->asgdRstList, 1, 3);
    r->asgdRstList->setFocus();
    TotalWith([](TfrmRstDlg* dialog) { dialog->btnOK->click(); });
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_EQ(ui->messages[0].text, QStringLiteral("It failed in totaling the result."));
    EXPECT_EQ(ui->messages[0].kind, UiServices::Kind::Error);
    EXPECT_FALSE(ui->messages[0].underBusyCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(r->pnlTotalData->isVisible());
    EXPECT_TRUE(r->pnlResultData->isVisible());
}

TEST_F(ResultViewerTest, TrainingTotalsBrowsedByTheNumberControl) {
    OpenResults(0, CorrectAnswerTwo);
    r->asgdRstList->setFocus();
    ClickCell(r->asgdRstList, 1, 1, Qt::ControlModifier);
    TotalWith([](TfrmRstDlg* dialog) {
        EXPECT_TRUE(dialog->pnlTraining->isVisible());
        dialog->rdbTrnType2->click();
        dialog->btnOK->click();
    });
    EXPECT_TRUE(r->pnlNumber->isVisible());
    EXPECT_FALSE(r->cboSubDBItem->isVisible()) << "no subject database";
    EXPECT_EQ(r->lblNumber->text(), QStringLiteral("Subject"));
    EXPECT_EQ(r->updNumber->Max(), 4) << "P0, Q0, P2, Q2";
    EXPECT_EQ(r->lblTrnCaption->text(), QStringLiteral("SubjectID:P0"));
    EXPECT_EQ(r->asgdTtlData->Cell(1, 0), QStringLiteral("Result1"));
    EXPECT_EQ(r->asgdTtlData->Cell(1, 2), QStringLiteral("100.00"));

    r->updNumber->ClickUp();
    EXPECT_EQ(r->edtNumber->text(), QStringLiteral("2"));
    EXPECT_EQ(r->lblTrnCaption->text(), QStringLiteral("SubjectID:Q0"));

    // A number out of range is refused and the typing undone.
    r->edtNumber->setFocus();
    QTest::keyClick(r->edtNumber, Qt::Key_9);
    QTest::keyClick(r->edtNumber, Qt::Key_Return);
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_EQ(ui->messages[0].text, QStringLiteral("Please input the value from1 to 4."));
    EXPECT_EQ(r->edtNumber->text(), QStringLiteral("2"));
    EXPECT_EQ(r->lblTrnCaption->text(), QStringLiteral("SubjectID:Q0"));
}

// The program's settings name a subject database: a project whose questionnaire answers
// describe the subjects P0 and Q0 by their hand.
class SubjectDatabaseTotalsTest : public ResultViewerTest {
protected:
    void BeforeWindow() override {
        database = root->file(QStringLiteral("subjects.tmv"));
        ASSERT_TRUE(CreateSettingsFolder());
        tamvik::IniFile settings(MainSettingsPath());
        settings.WriteBool(QStringLiteral("General"), QStringLiteral("UseSubDB"), true);
        settings.WriteString(QStringLiteral("General"), QStringLiteral("SubDBFile"), database);
        ASSERT_TRUE(settings.UpdateFile());

        CProject project;
        ASSERT_TRUE(project.New());
        project.SetMethod(0);
        project.GetGeneral()->comment = QStringLiteral("1"); // IDs stored as sub-ID texts
        tamvik::IniFile answers;
        const QString section = CQuestionnaireResults::Section;
        answers.WriteInteger(section, "NRESULTS", 2);
        const char* rows[][2] = {{"P0", "left"}, {"Q0", "right"}};
        for (int i = 0; i < 2; ++i) {
            const auto [id, id2] = PackSubId(QString::fromLatin1(rows[i][0]));
            answers.WriteString(section, QString("RESULT%1").arg(i),
                                QString("%1,%2,%3").arg(id).arg(id2).arg(QString::fromLatin1(rows[i][1])));
        }
        CQuestionnaireResults* set = project.AddQuestionnaireResults();
        set->Load(answers);
        set->GetQuestionnaire()->SetTermCount(1);
        set->GetQuestionnaire()->GetTerm(0)->itemName = QStringLiteral("Hand");
        project.SetFileName(database);
        ASSERT_TRUE(project.Save());
    }

    // Training totals of the first result, subjects across, headed by the chosen item.
    QStringList SubjectHeaders() {
        r->asgdRstList->setFocus();
        ClickCell(r->asgdRstList, 1, 1);
        TotalWith([](TfrmRstDlg* dialog) {
            dialog->rdbTrnType1->click();
            dialog->btnOK->click();
        });
        return {r->asgdTtlData->Cell(1, 0), r->asgdTtlData->Cell(2, 0)};
    }

    QString database;
};

TEST_F(SubjectDatabaseTotalsTest, AnUnreadableDatabaseLeavesTheAttributesEmpty) {
    OpenResults(0);
    EXPECT_EQ(SubjectHeaders(), QStringList({"SubjectID\r\nP0", "SubjectID\r\nQ0"}));
    ASSERT_TRUE(r->cboSubDBItem->isVisible());
    ASSERT_EQ(r->cboSubDBItem->count(), 2);
    r->cboSubDBItem->setFocus();
    QTest::keyClick(r->cboSubDBItem, Qt::Key_Down);
    ASSERT_EQ(r->cboSubDBItem->currentText(), QStringLiteral("Hand"));
    EXPECT_EQ(Column(r->asgdTtlData, 1).value(0), QStringLiteral("Hand\r\nleft"));
    EXPECT_EQ(Column(r->asgdTtlData, 2).value(0), QStringLiteral("Hand\r\nright"));

    // The database goes away: its items stay to choose from, its answers do not.
    ASSERT_TRUE(QFile::remove(database));
    EXPECT_EQ(SubjectHeaders(), QStringList({"Hand\r\n", "Hand\r\n"}));
    EXPECT_EQ(r->cboSubDBItem->count(), 2);
    EXPECT_TRUE(ui->messages.empty());
}

TEST_F(ResultViewerTest, ClosingWithoutDeletionsReportsNothingChanged) {
    OpenResults();
    w->projectModified = false;
    r->close();
    ASSERT_TRUE(DrainPosted());
    EXPECT_EQ(w->project.GetResponseCount(), 3);
    EXPECT_FALSE(w->projectModified);
    EXPECT_FALSE(r->isVisible());
}

TEST_F(ResultViewerTest, QuestionnaireViewAndItsAnswers) {
    OpenResults(3, [](CProject& project) {
        for (int i = 0; i < 2; ++i) {
            CQuestionnaireResults* set = project.AddQuestionnaireResults();
            set->GetQuestionnaire()->SetTermCount(i + 1);
            set->GetQuestionnaire()->GetTerm(0)->itemName = QStringLiteral("Item%1").arg(i);
        }
    });
    EXPECT_TRUE(r->sbtnQuestion->isEnabled());
    QTest::mouseClick(r->sbtnQuestion, Qt::LeftButton);
    EXPECT_TRUE(r->pnlQuestion->isVisible());
    EXPECT_FALSE(r->pnlResult->isVisible());
    EXPECT_FALSE(r->tbtnOtherListVisible->isEnabled());
    EXPECT_EQ(Column(r->asgdQstList, 0), QStringList({"Index", "Result01", "Result02"}));
    EXPECT_EQ(r->asgdQstData->Cell(2, 0), QStringLiteral("Item1")) << "the last set is shown first";
    ClickCell(r->asgdQstList, 1, 1);
    EXPECT_EQ(r->asgdQstData->Cell(2, 0), QStringLiteral("Item0"));
    EXPECT_EQ(r->asgdQstData->ColCount(), 3);

    // Clicking the pressed view button again keeps its view.
    QTest::mouseClick(r->sbtnQuestion, Qt::LeftButton);
    EXPECT_TRUE(r->sbtnQuestion->isChecked());
    QTest::mouseClick(r->sbtnExec, Qt::LeftButton);
    EXPECT_TRUE(r->pnlResult->isVisible());
    EXPECT_TRUE(r->tbtnOtherListVisible->isEnabled());
}

TEST_F(ResultViewerTest, TextsFollowTheLanguage) {
    OpenResults();
    EXPECT_EQ(r->sbtnExec->text(), QStringLiteral("Experiment"));
    EXPECT_EQ(r->actTotalRst->text(), QStringLiteral("Result &totaling ..."));
    EXPECT_FALSE(r->actDelRstList->isEnabled()) << "only while the list has the focus";
    // The export items name what the print items name, in menus of their own.
    auto item = [&](QMenu* menu, const char* name) {
        return menu->findChild<QAction*>(QString::fromLatin1(name))->text();
    };
    EXPECT_EQ(item(r->popExport, "popExportRstData"), QStringLiteral("&Result data ..."));
    EXPECT_EQ(item(r->popExportConnectData, "popExportRstPrm"), QStringLiteral("Experiment &parameter ..."));
    EXPECT_EQ(r->popPrintConnectData->title(), QStringLiteral("Related &data"));
    TextTable::Instance().setLanguage(TextTable::Language::Japanese);
    EXPECT_EQ(r->windowTitle(), QStringLiteral("結果レポート"));
    EXPECT_EQ(item(r->popExportConnectData, "popExportRstqst"), QStringLiteral("アンケート(&Q) ..."));
    EXPECT_EQ(r->actPrintRstSdl->text(), QStringLiteral("スケジュール(&D) ..."));
    EXPECT_EQ(r->sbtnExec->text(), QStringLiteral("実験"));
    EXPECT_EQ(r->actTotalRst->text(), QStringLiteral("結果集計(&T) ..."));
    EXPECT_EQ(r->optionsDialog->windowTitle(), QStringLiteral("集計オプション"));
    TextTable::Instance().setLanguage(TextTable::Language::English);
    EXPECT_EQ(r->optionsDialog->rdbOrder->text(),
              QStringLiteral("The data where only order of trial agrees."));
}

// At its usual size the tool bar has no room for every command; those it cannot show are
// items of its overflow menu, which runs them, in either language.
TEST_F(ResultViewerTest, EveryToolBarCommandIsShownOrInTheOverflowMenu) {
    OpenResults();
    ASSERT_EQ(r->size(), QSize(792, 566));
    int overflowed = 0;
    for (const auto language : {TextTable::Language::English, TextTable::Language::Japanese}) {
        TextTable::Instance().setLanguage(language);
        ASSERT_TRUE(DrainPosted());
        QStringList hidden;
        for (QAction* command : r->tlbToolBar->actions())
            if (!command->isSeparator() && !r->tlbToolBar->widgetForAction(command)->isVisible())
                hidden << command->text();
        const QStringList cut = TextsThatDoNotFit(r);
        EXPECT_EQ(cut.filter(QStringLiteral("behind the overflow")).size(), hidden.size())
            << cut.join(" | ").toStdString();
        EXPECT_EQ(cut.size(), hidden.size()) << "nothing else is cut: " << cut.join(" | ").toStdString();
        if (hidden.isEmpty())
            continue;
        ++overflowed;
        ASSERT_TRUE(hidden.contains(r->actDelRstAll->text())) << hidden.join(" | ").toStdString();

        // The overflow button shows them; its item of Delete all data asks as the button does.
        auto* overflow = r->tlbToolBar->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"));
        ASSERT_NE(overflow, nullptr);
        ASSERT_TRUE(overflow->isVisible());
        QStringList items;
        QAction* deleteAll = nullptr;
        QObject scope;
        QTimer::singleShot(0, &scope, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu)
                return;
            for (QAction* item : menu->actions()) {
                if (item->isSeparator())
                    continue;
                items << item->text();
                if (item->text() == r->actDelRstAll->text())
                    deleteAll = item;
            }
            menu->hide();
        });
        QTest::mouseClick(overflow, Qt::LeftButton);
        EXPECT_EQ(items, hidden);
        ui->messages.clear();
        ui->answers.push_back(UiServices::Answer::No);
        ASSERT_NE(deleteAll, nullptr);
        deleteAll->trigger();
        EXPECT_EQ(ui->messages.size(), 1u) << "the command asks before it deletes";
    }
    EXPECT_GT(overflowed, 0) << "the usual size has no room for every command";
}
