#pragma once

#include "Post.h"

#include <QMainWindow>
#include <QString>

class CProject;
class QToolButton;
class QWidget;

// The result window of a project's stored results. Made once by the main window, which
// sets notifyWindow and, at each opening, the project it shows (not owned); hidden
// between uses. Asked to close, it reports to notifyWindow by WM_RESULTS_CHANGED what was
// deleted while it was open.
class TfrmResult : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmResult(QWidget* owner);

    // Show the experiment view or the questionnaire view; one of them is always chosen.
    void sbtnExecClick();
    void sbtnQuestionClick();
    // Posts WM_RESULTS_CHANGED; the close is never refused.
    void FormCloseQuery(bool& canClose);

    bool resultsChanged = false;
    bool deleteAllResponses = false;
    bool deleteAllQuestionnaireResults = false;
    int trainingLayout = 0;
    WindowHandle notifyWindow = 0;
    CProject* project = nullptr;
    QString subjectDbPath;
    bool textSubjectIds = false;

    QWidget* pnlToolBar = nullptr;
    QToolButton* sbtnExec = nullptr;
    QToolButton* sbtnQuestion = nullptr;
    QWidget* pnlResult = nullptr;   // experiment view
    QWidget* pnlQuestion = nullptr; // questionnaire view

protected:
    void closeEvent(QCloseEvent* event) override;
};
