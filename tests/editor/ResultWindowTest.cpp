// The result command of the main window and the result window's close notice.
#include "MainWindowFixture.h"

#include "Messages.h"
#include "ResultUnit.h"
#include "ShuffleUnit.h"

#include <QAction>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>

class ResultWindowTest : public MainWindowTest {};

TEST_F(ResultWindowTest, OpensOnTheViewThatHasResults) {
    w->NewProject(0);
    w->project.AddQuestionnaireResults();
    w->useSubDB = true;
    w->subDBFile = QStringLiteral("/data/subjects.tmv");
    w->actExecResultExecute();
    TfrmResult* result = w->frmResult;
    EXPECT_TRUE(result->isVisible());
    EXPECT_EQ(result->project, &w->project);
    EXPECT_TRUE(result->textSubjectIds);
    EXPECT_EQ(result->subjectDbPath, QStringLiteral("/data/subjects.tmv"));
    EXPECT_FALSE(result->sbtnExec->isEnabled());
    EXPECT_TRUE(result->sbtnQuestion->isChecked());
    EXPECT_FALSE(result->pnlResult->isVisibleTo(result));
    EXPECT_TRUE(result->pnlQuestion->isVisibleTo(result));

    result->hide();
    w->project.AddResponse();
    w->actExecResultExecute();
    EXPECT_TRUE(result->sbtnExec->isChecked());
    EXPECT_FALSE(result->sbtnQuestion->isChecked());
    EXPECT_TRUE(result->pnlResult->isVisibleTo(result));
    result->hide();
}

TEST_F(ResultWindowTest, HiddenCommandDoesNothing) {
    w->NewProject(0);
    w->project.AddResponse();
    w->SetFullUser(false);
    w->actExecResultExecute();
    EXPECT_FALSE(w->frmResult->isVisible());
    EXPECT_EQ(w->frmResult->project, nullptr);
}

TEST_F(ResultWindowTest, ClosingReportsOnceWhatWasDeleted) {
    w->NewProject(0);
    w->project.AddResponse();
    w->project.AddResponse();
    w->project.AddQuestionnaireResults();
    w->projectModified = false;
    w->actExecResultExecute();
    TfrmResult* result = w->frmResult;
    EXPECT_EQ(result->notifyWindow, w->handle());

    // Nothing deleted: the notice says so and changes nothing.
    result->close();
    ASSERT_TRUE(DrainPosted());
    EXPECT_EQ(w->project.GetResponseCount(), 2);
    EXPECT_FALSE(w->projectModified);

    w->actExecResultExecute();
    result->resultsChanged = true;
    result->deleteAllResponses = true;
    result->close();
    ASSERT_TRUE(DrainPosted());
    EXPECT_EQ(w->project.GetResponseCount(), 0);
    EXPECT_EQ(w->project.GetQuestionnaireResultsCount(), 1);
    EXPECT_TRUE(w->projectModified);
    EXPECT_TRUE(w->actExecResult->isEnabled());
    EXPECT_FALSE(result->deleteAllResponses) << "a later close must not ask again";
}

TEST_F(ResultWindowTest, RearrangingDialogIsBuiltOnce) {
    TfrmShuffle* shuffle = w->frmShuffle;
    ASSERT_NE(shuffle, nullptr);
    EXPECT_EQ(shuffle->parent(), w.get());
    EXPECT_EQ(shuffle->windowTitle(), QStringLiteral("Rearranging"));
    EXPECT_EQ(shuffle->lstShuffle->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_TRUE(shuffle->btnOK->isDefault());
    EXPECT_EQ(shuffle->btnCancel->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(w->frmResult->windowTitle(), QStringLiteral("Result report"));
}
