// The main window's life: construction and destruction, the message hub, the close query
// and the handlers of the result window's and the test-run window's notices.
#include "MainUnit.h"
#include "RunWindowMessages.h"

#include "CardUnit.h"
#include "CategoryUnit.h"
#include "Cexectable.h"
#include "CountEditor.h"
#include "Csound.h"
#include "Cwaveread.h"
#include "EarlyResizeFilter.h"
#include "ExecuteUnit.h"
#include "Messages.h"
#include "OptionUnit.h"
#include "PrjDownloadUnit.h"
#include "PrjInfoUnit.h"
#include "PrjUploadUnit.h"
#include "QtMessageReceiver.h"
#include "ReferUnit.h"
#include "ResultUnit.h"
#include "ServiceClient.h"
#include "ShuffleUnit.h"
#include "StringGrid.h"
#include "TextTable.h"
#include "VersionUnit.h"
#include "WindowFilter.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <utility>

TfrmMain::TfrmMain(QWidget* owner) : TfrmMain(owner, QCoreApplication::arguments()) {}

TfrmMain::TfrmMain(QWidget* owner, const QStringList& arguments)
    : QMainWindow(owner), commandLine(arguments) {
    setObjectName(QStringLiteral("frmMain"));
    receiver = new QtMessageReceiver(this, this);
    IdHTTP1 = std::make_unique<tamvik::ServiceClient>();
    IdHTTP1->SetTotalTimeout(tamvik::kWindowRequestBoundMs);
    execTable = std::make_unique<CExecTable>();

    CreateForm();
    CreateEditorControls();
    CreateAuditionControls();
    ConnectShellActions();
    ConnectEditorActions();
    ConnectAuditionActions();
    ConnectOnlineActions();
    ConnectReferActions();
    ConnectExecutionActions();

    // The update handlers run while the program is idle.
    auto* updateTimer = new QTimer(this);
    updateTimer->setObjectName(QStringLiteral("tmrUpdateActions"));
    connect(updateTimer, &QTimer::timeout, this, &TfrmMain::UpdateActions);
    updateTimer->start(100);

    CreatePanelCommands();
    ConnectPanelCommands();
    FormCreate();
    ConnectLanguage();
}

TfrmMain::~TfrmMain() {
    // The controls still get events while the base classes take them apart, after this
    // window's members are gone. Before that: edits still open are dropped (there is no
    // project left to take them), and nothing the controls do reaches this window any more.
    for (StringGrid* grid : findChildren<StringGrid*>())
        grid->CancelEdit();
    RemoveWindowFilters(*this);
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
    // The dialogs go with the window's children; a focus they still hold must not reach
    // this half-destroyed window.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
    if (!destroyed)
        FormDestroy();
    // No message reaches a window being taken apart.
    delete receiver;
    receiver = nullptr;
    execTable.reset();
}

WindowHandle TfrmMain::handle() const {
    return receiver ? receiver->handle() : 0;
}

QString TfrmMain::Ids(const char* key) {
    return TextTable::Instance().Text(QStringLiteral("TfrmMain"), QString::fromLatin1(key));
}

UiServices::Answer TfrmMain::ShowMessage(const char* key, UiServices::Kind kind,
                                         UiServices::Buttons buttons) {
    return UiServices::Get().Message(this, QStringLiteral("TfrmMain"), QString::fromLatin1(key), kind,
                                     buttons);
}

UiServices::Answer TfrmMain::ShowMessage(const char* key, const QString& detail, UiServices::Kind kind) {
    return UiServices::Get().Message(this, QStringLiteral("TfrmMain"), QString::fromLatin1(key), detail,
                                     kind);
}

bool TfrmMain::event(QEvent* e) {
    // The resize rules of a maximised window watch every resize before the layouts act.
    if (e->type() == QEvent::WindowStateChange && resizeForesight)
        resizeForesight->SetActive(isMaximized());
    // The window is being painted for the first time: the rest of the start follows once
    // it is on the screen, so the user sees the window without waiting for the devices.
    if (e->type() == QEvent::Paint && shownOnce && !startupQueued) {
        startupQueued = true;
        QTimer::singleShot(0, this, &TfrmMain::FinishStartup);
    }
    return HandlePostedMessage(*this, e) || QMainWindow::event(e);
}

bool TfrmMain::Dispatch(uint32_t msg, intptr_t wParam, intptr_t lParam) {
    if (DispatchRunMessage(*this, msg, wParam, lParam))
        return true;
    switch (msg) {
    case WM_CARD_EVENT:
        OnCardMessage(wParam, lParam);
        return true;
    case WM_RESULTS_CHANGED:
        OnResultsChanged(wParam, lParam);
        return true;
    case WM_EXECUTE_EVENT:
        OnExecuteMessage(wParam, lParam);
        return true;
    case WM_AUDIO_DEVICE_CHANGED:
        OnDeviceChange(wParam, lParam);
        return true;
    default:
        // WM_WAVEREAD_FILLED, WM_ASIO_INPUT_TIME and the rest: nobody here wants them.
        return false;
    }
}

void TfrmMain::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (!shownOnce) {
        shownOnce = true;
        FormShow();
    }
}

void TfrmMain::closeEvent(QCloseEvent* e) {
    bool canClose = true;
    FormCloseQuery(canClose);
    if (!canClose) {
        e->ignore();
        return;
    }
    e->accept();
    FormClose();
    emit closed();
}

void TfrmMain::mnuFileExitClick() {
    close();
}

bool TfrmMain::ConfirmSaveChanges() {
    CloseResultWindow();
    if (!projectModified)
        return true;
    switch (ShowMessage("IDS_253", UiServices::Kind::Confirmation, UiServices::Buttons::YesNoCancel)) {
    case UiServices::Answer::Yes:
        // The user asked to keep the work: only a saved project lets the command go on.
        return actFileSaveAsPrjExecute();
    case UiServices::Answer::No:
        return true;
    default:
        return false;
    }
}

void TfrmMain::FormCloseQuery(bool& canClose) {
    if (execTable->state() != ExecIdle || frmExecute) {
        canClose = false;
        return;
    }
    if (!SaveSettings())
        ShowMessage("IDS_439", UiServices::Kind::Error);
    if (tbtnFileSavePrj->isHidden() && !mnuFileSavePrj->isVisible()) {
        canClose = true;
        return;
    }
    canClose = ConfirmSaveChanges();
}

void TfrmMain::FormDestroy() {
    destroyed = true;
    delete frmCard;
    frmCard = nullptr;
    delete frmPrjInfo;
    frmPrjInfo = nullptr;
    delete frmShuffle;
    frmShuffle = nullptr;
    delete frmOption;
    frmOption = nullptr;
    frmResult.Reset();
    frmRefer.Reset();
    frmVersion.Reset();
    if (useMME) {
        sound.reset();
    } else if (waveRead) {
        waveRead->Stop();
        waveRead.reset(); // its destructor ends the thread and waits for it
    }
    asioChannelFlags.clear();
    deviceFormats.clear();
}

void TfrmMain::SetDelayTimes(int32_t value) {
    delayTimes = value;
}

void TfrmMain::OnResultsChanged(intptr_t wParam, intptr_t lParam) {
    if (lParam & 0xFFFF) {
        while (project.GetResponseCount() > 0)
            project.DeleteResponse(0);
    }
    if ((lParam >> 16) & 0xFFFF) {
        while (project.GetQuestionnaireResultsCount() > 0)
            project.DeleteQuestionnaireResults(0);
    }
    actExecResult->setEnabled(project.GetResponseCount() + project.GetQuestionnaireResultsCount() > 0);
    if (!projectModified)
        projectModified = wParam != 0;
}

void TfrmMain::OnExecuteMessage(intptr_t wParam, intptr_t lParam) {
    if (wParam == 1 && lParam >= 0) {
        asgdSchedule->UnHideColumnsAll();
        const bool modified = projectModified;
        {
            // Chosen by the test-run window: the tab's own change handlers stay out of it.
            const QSignalBlocker blockTabs(tabSchedule);
            tabSchedule->setCurrentIndex(static_cast<int>(lParam));
        }
        const int tab = tabSchedule->currentIndex();
        if (tab < 0 || tab >= project.GetScheduleCount())
            return;
        CSchedule* schedule = project.GetSchedule(tab);
        ResizeScheduleGrid(updPrsNumber->Position(), updTrlNumber->Position(), schedule->GetStimulusCount(),
                           schedule->GetTrialCount());
        for (auto [upDown, value] : {std::pair{updPrsNumber, schedule->GetStimulusCount()},
                                     std::pair{updTrlNumber, schedule->GetTrialCount()}}) {
            const auto veto = std::exchange(upDown->onChangingEx, nullptr);
            upDown->SetPosition(value);
            upDown->Tag = value;
            upDown->onChangingEx = veto;
        }
        projectModified = modified;
        ShowSchedule(tab);
        if (selfTraining)
            HideAnswerColumns();
        return;
    }
    if (wParam != -1)
        return;

    if (lParam == 1)
        projectModified = true;
    const bool hasResults = project.GetResponseCount() + project.GetQuestionnaireResultsCount() > 0;
    actExecResult->setEnabled(hasResults);
    LockForExecution(false);
    actFileSavePrj->setEnabled(projectModified);
    actExecResult->setEnabled(hasResults);
    actExecQst->setEnabled(project.GetQuestionnaire()->GetTermCount() > 0);
    for (QAction* a : {actExecCtrlPlay, actExecCtrlSuspend, actExecCtrlStop, actExecCtrlCancelRepeat})
        a->setEnabled(false);
    for (QWidget* w : {static_cast<QWidget*>(sbtnStimulus), static_cast<QWidget*>(sbtnStmClose),
                       static_cast<QWidget*>(sbtnParameter), static_cast<QWidget*>(sbtnPrmClose),
                       static_cast<QWidget*>(sbtnSchedule), static_cast<QWidget*>(sbtnSdlClose)})
        w->setEnabled(true);
    for (QWidget* w : {static_cast<QWidget*>(edtStmNumber), static_cast<QWidget*>(updStmNumber),
                       static_cast<QWidget*>(edtTrlNumber), static_cast<QWidget*>(updTrlNumber),
                       static_cast<QWidget*>(edtPrsNumber), static_cast<QWidget*>(updPrsNumber),
                       static_cast<QWidget*>(edtTrnBtnNum), static_cast<QWidget*>(updTrnBtnNum),
                       static_cast<QWidget*>(edtSdmScale), static_cast<QWidget*>(updSdmScale),
                       static_cast<QWidget*>(edtSdmExpressNum), static_cast<QWidget*>(updSdmExpressNum),
                       static_cast<QWidget*>(edtCatCategoryNum), static_cast<QWidget*>(updCatCategoryNum),
                       static_cast<QWidget*>(edtQstNum), static_cast<QWidget*>(updQstNum),
                       static_cast<QWidget*>(memExplain), static_cast<QWidget*>(sbxOption),
                       static_cast<QWidget*>(proDownloadTbn)}) {
        if (w)
            w->setEnabled(true);
    }

    AuthenticateUser();

    if (frmExecute) {
        if (frmExecute->popOptionSortID->isChecked())
            sortMode = 1;
        else if (frmExecute->popOptionSortIP->isChecked())
            sortMode = 2;
        else
            sortMode = 0;
        // Later: the window may still be inside the handler that asked for its close.
        frmExecute->deleteLater();
        frmExecute = nullptr;
    }
    setEnabled(true);
    asgdStimulus->RepaintAll();
    asgdSchedule->RepaintAll();
}

void TfrmMain::OnDeviceChange(intptr_t, intptr_t) {
    // The output device changes only through the options and the output settings.
}
