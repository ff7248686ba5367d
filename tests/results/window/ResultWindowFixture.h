#pragma once

// The result window opened by its command on a saved project with three results.
#include "MainWindowFixture.h"

#include "GridInput.h"
#include "ResultFixtures.h"
#include "ResultUnit.h"
#include "RstDlgUnit.h"
#include "StringGrid.h"

#include <QAction>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace results_fixture;

// Three category results named by their schedules; each has its own subjects.
inline void AddThreeResults(CProject& project, int method = 3) {
    const char* names[] = {"Alpha", "Bravo", "Charlie"};
    for (int i = 0; i < 3; ++i) {
        CResponse* response = project.AddResponse();
        Fill(*response, method, {Trial({1, 2}), Trial({2, 1}), Trial({1, 1})},
             {{QStringLiteral("P%1").arg(i), {"1", "2", QString::number(i + 1)}},
              {QStringLiteral("Q%1").arg(i), {"2", "2", "1"}}});
        response->schedule.name = QString::fromLatin1(names[i]);
        response->stimuli.SetCount(i + 1);
        for (int k = 0; k <= i; ++k)
            response->stimuli[k].fileName = QStringLiteral("STM000%1.WAV").arg(k + 1);
        response->date = 45000.0 + i;
    }
}

class ResultViewerTest : public MainWindowTest {
protected:
    // Training results whose every trial has button 2 as its correct answer.
    static void CorrectAnswerTwo(CProject& project) {
        for (int i = 0; i < project.GetResponseCount(); ++i)
            for (CTrial& trial : project.GetResponse(i)->schedule.trials)
                trial.correctAnswer = 2;
    }

    // A saved project with the results, opened as a user opens it, and the result window
    // opened by its command.
    void OpenResults(int method = 3, const std::function<void(CProject&)>& more = {}) {
        {
            CProject project;
            ASSERT_TRUE(project.New());
            project.SetMethod(method);
            project.GetGeneral()->title = QStringLiteral("results");
            AddThreeResults(project, method);
            if (more)
                more(project);
            project.SetFileName(root->file(QStringLiteral("results.tmv")));
            ASSERT_TRUE(project.Save());
        }
        ASSERT_TRUE(w->LoadProject(root->file(QStringLiteral("results.tmv"))))
            << ShownTexts().join(QLatin1Char('|')).toStdString();
        QAction* command = Find<QAction>("actExecResult");
        ASSERT_TRUE(command->isEnabled());
        command->trigger();
        r = w->frmResult;
        ASSERT_TRUE(QTest::qWaitForWindowExposed(r));
    }

    void ClickCell(StringGrid* grid, int col, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        grid_input::ClickCell(grid, col, row, modifiers);
    }

    QStringList Column(StringGrid* grid, int col) const {
        QStringList cells;
        for (int row = 0; row < grid->RowCount(); ++row)
            cells << grid->Cell(col, row);
        return cells;
    }

    // Runs the totaling command on the selected rows as a user does, answering its
    // options dialog.
    void TotalWith(const std::function<void(TfrmRstDlg*)>& choose) {
        bool answered = false;
        QTimer::singleShot(0, r, [&] {
            QTRY_VERIFY(r->optionsDialog->isVisible());
            choose(r->optionsDialog);
            answered = true;
        });
        ASSERT_TRUE(r->actTotalRst->isEnabled());
        QTest::mouseClick(r->tbtnTotalRst, Qt::LeftButton);
        EXPECT_TRUE(answered);
    }

    TfrmResult* r = nullptr;
};
