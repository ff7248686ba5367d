// New project by method, and the window set-up shared with the project load.
#include "MainUnit.h"

#include "CardUnit.h"
#include "CountEditor.h"
#include "DateTime.h"
#include "PanelStatusBar.h"
#include "StringGrid.h"

#include <QAction>
#include <QGroupBox>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

void TfrmMain::NewCommand(int method) {
    if (!ConfirmSaveChanges())
        return;
    NewProject(method);
    projectModified = stimulusUndoAvailable = scheduleUndoAvailable = false;
}

void TfrmMain::actPrjTrnExecute() {
    NewCommand(0);
}

void TfrmMain::actPrjSdmExecute() {
    NewCommand(1);
}

void TfrmMain::actPrjParExecute() {
    NewCommand(2);
}

void TfrmMain::actPrjCatExecute() {
    NewCommand(3);
}

void TfrmMain::actPrjMemExecute() {
    NewCommand(4);
}

void TfrmMain::actPrjTrnUpdate() {
    actPrjTrn->setChecked(project.GetMethod() == 0);
}

void TfrmMain::actPrjSdmUpdate() {
    actPrjSdm->setChecked(project.GetMethod() == 1);
}

void TfrmMain::actPrjParUpdate() {
    actPrjPar->setChecked(project.GetMethod() == 2);
}

void TfrmMain::actPrjCatUpdate() {
    actPrjCat->setChecked(project.GetMethod() == 3);
}

void TfrmMain::actPrjMemUpdate() {
    actPrjMem->setChecked(project.GetMethod() == 4);
}

void TfrmMain::tbtnFileNewPrjClick() {
    tbtnFileNewPrj->showMenu();
}

void TfrmMain::NewProject(int method) {
    if (!project.New()) {
        // No work folder could be made: the open project stays as it is.
        ShowMessage("IDS_319", UiServices::Kind::Error);
        return;
    }
    if (selfTraining)
        asgdSchedule->UnHideColumn(asgdSchedule->ColCount() - 1);
    project.SetMethod(method);
    project.SetFileName(QString());
    ResetProjectUI();
    asgdStimulus->ClearNormalCells();
    asgdSchedule->ClearNormalCells();

    const QString scheduleName = Ids("IDS_131") + QStringLiteral("1");
    {
        const QSignalBlocker blockTabs(tabSchedule);
        while (tabSchedule->count() > 0)
            tabSchedule->removeTab(0);
        tabSchedule->setCurrentIndex(tabSchedule->addTab(scheduleName));
    }
    project.AddSchedule(nullptr)->name = scheduleName;

    ResizeStimulusGrid(0, 10);
    project.SetStimulusCount(10);

    const int presentations = method == 2 ? 2 : 1;
    SetPresentationRange(method);
    ResizeScheduleGrid(0, 0, presentations, 10);
    SetScheduleSize(project.GetScheduleCount() - 1, 10, presentations);
    SetCountEditor(updStmNumber, edtStmNumber, 10);
    ShowCard(asgdStimulus->Row(), 10); // the card shows the new, empty list
    SetCountEditor(updPrsNumber, edtPrsNumber, presentations);
    SetCountEditor(updTrlNumber, edtTrlNumber, 10);

    memExplain->clear();
    SetCountEditor(updTrnBtnNum, edtTrnBtnNum, 2);
    asgdTrnBtn->ClearNormalCells();
    ResizeParameterGrid(asgdTrnBtn, 0, 2);
    SetCountEditor(updSdmScale, edtSdmScale, 5);
    SetCountEditor(updSdmExpressNum, edtSdmExpressNum, 5);
    asgdSdmExpress->ClearNormalCells();
    ResizeParameterGrid(asgdSdmExpress, 0, 5);
    asgdParBtn->SetCell(0, 1, QString());
    asgdParBtn->SetCell(1, 1, QString());
    SetCountEditor(updCatCategoryNum, edtCatCategoryNum, 3);
    asgdCatCategory->ClearNormalCells();
    ResizeParameterGrid(asgdCatCategory, 0, 3);

    SetCountEditor(updQstNum, edtQstNum, 0);
    asgdQuestion->ClearNormalCells();
    SetQuestionRows(0, 0);
    SetQuestionCount(0);
    LoadQuestionGrid();

    SetMethodUI(method);
    ShowSchedule(tabSchedule->currentIndex());

    CProjectGeneral* general = project.GetGeneral();
    general->createDate = tamvik::NowDays();
    general->soundDevice = soundDeviceId;
    setWindowTitle(QStringLiteral("Tamvik - ") + Ids("IDS_0"));
    SetMethodStatus(method);
    stbInformation->SetPanelText(1, Ids("IDS_19"));
    stbInformation->SetPanelText(2, Ids("IDS_20"));
    stbInformation->SetPanelText(3, Ids("IDS_21"));
    SetDeviceTextOfCard();
    actASIOSetting->setEnabled(!useMME);
    project.GetTerminalInfo()->SetTerminalCount(terminalCount);
}

void TfrmMain::ResetProjectUI() {
    stimulusUndo.resize(1);
    scheduleUndo.resize(1);
    scheduleUndo.front().resize(1);

    mnuStimulus->setEnabled(true);
    mnuSchedule->setEnabled(true);
    for (QAction* a : {actExecResult, actExecQst, actExecCtrlPlay, actExecCtrlSuspend, actExecCtrlStop,
                       actExecCtrlCancelRepeat})
        a->setEnabled(false);
    projectCommands.SetEnabled(true);
    actASIOSetting->setEnabled(!useMME);
    for (QWidget* w :
         {static_cast<QWidget*>(pnlStimulus), static_cast<QWidget*>(sbtnStimulus),
          static_cast<QWidget*>(sbtnStmClose), static_cast<QWidget*>(edtStmNumber),
          static_cast<QWidget*>(updStmNumber), static_cast<QWidget*>(pnlParameter),
          static_cast<QWidget*>(sbtnParameter), static_cast<QWidget*>(sbtnPrmClose),
          static_cast<QWidget*>(pnlSchedule), static_cast<QWidget*>(sbtnSchedule),
          static_cast<QWidget*>(sbtnSdlClose), static_cast<QWidget*>(edtTrlNumber),
          static_cast<QWidget*>(updTrlNumber), static_cast<QWidget*>(edtPrsNumber),
          static_cast<QWidget*>(updPrsNumber), static_cast<QWidget*>(sptHor), static_cast<QWidget*>(sptVer)})
        w->setEnabled(true);

    // The stimulus and interval columns come with ResizeScheduleGrid.
    asgdSchedule->UnHideColumnsAll();
    const int fixed = asgdSchedule->FixedCols();
    const bool training = project.GetMethod() == 0;
    asgdSchedule->SetColCount(fixed + (training ? 4 : 3));
    asgdSchedule->SetCell(0, 0, QString());
    asgdSchedule->SetCell(fixed, 0, Ids("IDS_7"));
    asgdSchedule->SetCell(fixed + 1, 0, Ids("IDS_8"));
    asgdSchedule->SetCell(fixed + 2, 0, Ids("IDS_9"));
    if (training)
        asgdSchedule->SetCell(fixed + 3, 0, Ids("IDS_10"));
}

void TfrmMain::SetMethodUI(int method) {
    for (QRadioButton* r : {rdbPlayON, rdbJudgeON, rdbBtnHr, rdbCorrectOFF, rdbYellowOFF})
        r->setChecked(true);
    if (method >= 0 && method <= 4) {
        QWidget* const pages[] = {shtTraining, shtSD, shtPair, shtCategory, shtME};
        pgeParameter->setTabVisible(pgeParameter->indexOf(shtPrmButton), method != 4);
        pgeParameter->setTabVisible(pgeParameter->indexOf(shtPrmOption), true);
        grpBtnDirection->setVisible(method == 3);
        for (QGroupBox* g : {grpJudgeIndicator, grpCorrectIndicator, grpYellowIndicator})
            g->setVisible(method == 0);
        pgePrmButton->setCurrentWidget(pages[method]);
    }
    pgeParameter->setCurrentWidget(shtPrmExplain);
}
