// A project handed over by a later start of the program.
#include "MainUnit.h"

#include "Cexectable.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>
#include <QToolButton>

void TfrmMain::OpenCopyDataPath(const QString& path) {
    // Busy with an audition or a test run: the hand-over is dropped.
    if (execTable->state() != ExecIdle || frmExecute)
        return;
    const QFileInfo file(path);
    if (!file.isAbsolute() || !file.isFile() || file.suffix().toLower() != QLatin1String("tmv"))
        return;
    // A dialog is open: the project waits until it is closed.
    if (QApplication::activeModalWidget()) {
        QTimer::singleShot(100, this, [this, path] { OpenCopyDataPath(path); });
        return;
    }
    // In the restricted mode the Save commands are hidden, and nothing is asked.
    const bool canSave = !tbtnFileSavePrj->isHidden() && mnuFileSavePrj->isVisible();
    if (canSave && !ConfirmSaveChanges())
        return;
    LoadProject(file.absoluteFilePath());
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}
