#pragma once

#include "Cproject.h"
#include "ResultUnit.h"

#include <QToolButton>

// What the main window's result command does to its result window on a project.
inline void OpenResultsAsTheCommandDoes(TfrmResult& window, CProject& project) {
    window.project = &project;
    window.textSubjectIds = true;
    window.sbtnExec->setEnabled(true);
    window.sbtnQuestion->setEnabled(false);
    window.sbtnExec->setChecked(true);
    window.sbtnExecClick();
}
