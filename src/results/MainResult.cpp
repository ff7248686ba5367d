// The main window's result command.
#include "MainUnit.h"
#include "QtMessageReceiver.h"
#include "ResultUnit.h"

#include <QAction>
#include <QCoreApplication>
#include <QToolButton>

void TfrmMain::actExecResultExecute() {
    // Hidden in the restricted mode.
    if (!mnuExecResult->isVisible() || tbtnResult->isHidden())
        return;
    frmResult->project = &project;
    frmResult->textSubjectIds = true;
    if (useSubDB)
        frmResult->subjectDbPath = subDBFile;
    frmResult->sbtnExec->setEnabled(project.GetResponseCount() > 0);
    frmResult->sbtnQuestion->setEnabled(project.GetQuestionnaireResultsCount() > 0);
    if (frmResult->sbtnExec->isEnabled()) {
        frmResult->sbtnExec->setChecked(true);
        frmResult->sbtnExecClick();
    } else {
        frmResult->sbtnQuestion->setChecked(true);
        frmResult->sbtnQuestionClick();
    }
    frmResult->sbtnCloseClick();
    frmResult->show();
    frmResult->raise();
    frmResult->activateWindow();
}

void TfrmMain::CloseResultWindow() {
    if (!frmResult.Built() || !frmResult->isVisible())
        return;
    // The window reports its deletions by a posted message when it closes; handled now,
    // the report reaches the project it concerns and the save question knows of it.
    frmResult->close();
    QCoreApplication::sendPostedEvents(this, PostedMessageEvent::eventType());
}
