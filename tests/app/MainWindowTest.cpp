// The main window as constructed, its message hub and its close query.
#include "MainWindowFixture.h"

#include "CardUnit.h"
#include "Cexectable.h"
#include "Cstim.h"
#include "ExecuteUnit.h"
#include "FakeService.h"
#include "Messages.h"
#include "OptionIni.h"
#include "OptionUnit.h"
#include "PanelStatusBar.h"
#include "PrjInfoUnit.h"
#include "ResultUnit.h"
#include "StringGrid.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QSlider>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <stdexcept>

namespace {

void PostToWindow(TfrmMain& w, uint32_t msg, intptr_t wParam, intptr_t lParam) {
    ASSERT_EQ(PostMessage(w.handle(), msg, wParam, lParam), 1);
    QCoreApplication::processEvents();
}

} // namespace

TEST_F(MainWindowTest, ConstructedStateHasTheDefaultsAndNoProject) {
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Tamvik"));
    EXPECT_EQ(w->maxStimuli, 200);
    EXPECT_EQ(w->maxTrials, 200);
    EXPECT_EQ(w->maxPresentations, 99);
    EXPECT_EQ(w->maxSdWordPairs, 99);
    EXPECT_EQ(w->maxQuestions, 99);
    EXPECT_EQ(w->playColumn, -1);
    EXPECT_EQ(w->playRow, -1);
    EXPECT_EQ(w->playStimulusRow, -1);
    EXPECT_FALSE(w->projectModified);
    EXPECT_TRUE(w->rememberExecute);
    EXPECT_TRUE(w->mono2Stereo);
    EXPECT_TRUE(w->showStimulusPanel && w->showParameterPanel && w->showSchedulePanel);
    EXPECT_EQ(w->feedbackTenths, 10);
    EXPECT_EQ(w->terminalLimit, 99);
    EXPECT_EQ(w->terminalCount, 99);
    EXPECT_EQ(w->udpInterval, 100);
    EXPECT_EQ(w->broadcastAddress, QStringLiteral("255.255.255.255"));
    EXPECT_EQ(w->ipPort, 57000);
    EXPECT_EQ(w->sortMode, 0);
    EXPECT_EQ(w->delayTimes, 0);

    // No driver is registered: the wave-out path, silently.
    EXPECT_TRUE(w->useMME);
    EXPECT_NE(w->sound, nullptr);
    EXPECT_EQ(w->waveRead, nullptr);
    EXPECT_TRUE(ui->messages.empty());

    ASSERT_NE(w->execTable, nullptr);
    EXPECT_EQ(w->execTable->state(), 0);
    EXPECT_DOUBLE_EQ(w->execTable->feedbackSeconds(), 1.0);
    EXPECT_EQ(w->frmOption->trbFeedback->minimum(), 1);
    EXPECT_EQ(w->frmOption->trbFeedback->maximum(), 100);
    EXPECT_EQ(w->frmOption->trbFeedback->value(), 10);

    // Dialogs made once, reporting to this window; those seldom opened are made when first
    // used, and then only once.
    EXPECT_NE(w->handle(), 0);
    for (const void* dialog :
         {static_cast<const void*>(w->frmCard), static_cast<const void*>(w->frmPrjInfo),
          static_cast<const void*>(w->frmShuffle), static_cast<const void*>(w->frmOption)})
        EXPECT_NE(dialog, nullptr);
    EXPECT_FALSE(w->frmResult.Built() || w->frmVersion.Built() || w->frmRefer.Built() ||
                 w->frmCategory.Built() || w->frmPrjUpload.Built() || w->frmPrjDownload.Built());
    EXPECT_EQ(w->frmExecute, nullptr);
    TfrmResult* result = w->frmResult;
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->notifyWindow, w->handle());
    EXPECT_EQ(result->parent(), w.get());
    EXPECT_EQ(w->frmResult.Get(), result);
    EXPECT_EQ(w->frmCard->ownerWindow, w->handle());
    EXPECT_EQ(w->deviceListener.window.load(), w->handle());
    EXPECT_TRUE(w->frmCard->output.useMME);
    EXPECT_EQ(w->frmCard->sound, w->sound.get());

    auto* status = Find<PanelStatusBar>("stbInformation");
    ASSERT_EQ(status->PanelCount(), 4);
    EXPECT_EQ(status->PanelText(0), QStringLiteral("Experiment:"));
    EXPECT_EQ(status->PanelText(1), QStringLiteral("Title:"));
    EXPECT_EQ(status->PanelText(2), QStringLiteral("User:"));
    EXPECT_EQ(status->PanelText(3), QStringLiteral("Comments:"));

    // Only New and Open are offered without a project.
    for (const char* name :
         {"actPrjTrn", "actPrjSdm", "actPrjPar", "actPrjCat", "actPrjMem", "actFileOpenPrj"})
        EXPECT_TRUE(Find<QAction>(name)->isEnabled()) << name;
    for (const char* name : {"actExecResult", "actExecQst", "actExecShow", "actFilePrjInfo",
                             "actFileSaveAsPrj", "actFilePrintStm", "actFileExportSdl", "actFileReferQst",
                             "actSdlListListen", "actExecCtrlPlay", "actExecCtrlStop"})
        EXPECT_FALSE(Find<QAction>(name)->isEnabled()) << name;
    EXPECT_FALSE(Find<QToolButton>("tbtnFileSavePrj")->isEnabled());
    for (const char* name : {"pnlStimulus", "pnlParameter", "pnlSchedule", "sptHor", "sptVer"})
        EXPECT_FALSE(Find<QWidget>(name)->isEnabled()) << name;
    for (const char* name : {"actPrjAdj", "actPrjLmt", "actPrjPst"})
        EXPECT_FALSE(Find<QAction>(name)->isVisible()) << name;
}

TEST_F(MainWindowTest, MenuItemsFollowTheirActionButKeepTheirOwnState) {
    auto* action = Find<QAction>("actFileSaveAsPrj");
    auto* item = Find<QAction>("mnuFileSaveAsPrj");
    action->setEnabled(true);
    EXPECT_TRUE(item->isEnabled());
    item->setVisible(false);
    action->setText(QStringLiteral("renamed"));
    EXPECT_FALSE(item->isVisible()) << "a text change must not show a hidden item";
    EXPECT_EQ(item->text(), QStringLiteral("renamed"));
    bool ran = false;
    QObject::connect(action, &QAction::triggered, [&] { ran = true; });
    item->trigger();
    EXPECT_TRUE(ran);
}

TEST_F(MainWindowTest, ResultsChangedDeletesWhatItNamesAndMarksOnlyOnChange) {
    ASSERT_TRUE(w->project.New());
    for (int i = 0; i < 2; ++i) {
        w->project.AddResponse();
        w->project.AddQuestionnaireResults();
    }
    // High word 1, low word 0, wParam 0: questionnaire results go, responses stay.
    PostToWindow(*w, WM_RESULTS_CHANGED, 0, 0x10000);
    EXPECT_EQ(w->project.GetQuestionnaireResultsCount(), 0);
    EXPECT_EQ(w->project.GetResponseCount(), 2);
    EXPECT_FALSE(w->projectModified);
    EXPECT_TRUE(w->actExecResult->isEnabled());

    PostToWindow(*w, WM_RESULTS_CHANGED, 1, 1);
    EXPECT_EQ(w->project.GetResponseCount(), 0);
    EXPECT_TRUE(w->projectModified);
    EXPECT_FALSE(w->actExecResult->isEnabled());

    // A set flag is never cleared here.
    PostToWindow(*w, WM_RESULTS_CHANGED, 0, 0);
    EXPECT_TRUE(w->projectModified);
}

TEST_F(MainWindowTest, TestRunWindowClosingReenablesTakesTheSortOrderAndFreesIt) {
    // A user with full rights: the closing window logs in again.
    LogInWithFullRights();
    struct Case {
        intptr_t lParam;
        bool sortId;
        bool sortIp;
        int sortMode;
        bool modified;
    };
    for (const Case& c :
         {Case{0, false, true, 2, false}, Case{1, true, false, 1, true}, Case{0, false, false, 0, false}}) {
        w->projectModified = false;
        w->frmExecute = new TfrmExecute(w.get());
        w->frmExecute->popOptionSortID->setChecked(c.sortId);
        w->frmExecute->popOptionSortIP->setChecked(c.sortIp);
        w->HoldBusyCommands(true); // as the start holds them
        ASSERT_FALSE(w->actFileOpenPrj->isEnabled());
        w->actExecCtrlStop->setEnabled(true);
        PostToWindow(*w, WM_EXECUTE_EVENT, -1, c.lParam);
        EXPECT_EQ(w->frmExecute, nullptr);
        EXPECT_EQ(w->sortMode, c.sortMode);
        EXPECT_EQ(w->projectModified, c.modified);
        EXPECT_EQ(w->actFileSavePrj->isEnabled(), c.modified);
        EXPECT_TRUE(w->actFileOpenPrj->isEnabled());
        EXPECT_FALSE(w->actFileSaveAsPrj->isEnabled()) << "no project: the command keeps its own state";
        EXPECT_FALSE(w->actExecCtrlStop->isEnabled());
    }
}

TEST_F(MainWindowTest, MessagesNobodyHandlesChangeNothing) {
    w->projectModified = true;
    const int sortMode = w->sortMode;
    for (uint32_t msg : {WM_AUDIO_DEVICE_CHANGED, WM_WAVEREAD_FILLED, WM_ASIO_INPUT_TIME})
        PostToWindow(*w, msg, 1, 1);
    PostToWindow(*w, WM_EXECUTE_EVENT, 2, 0);
    PostToWindow(*w, WM_EXECUTE_EVENT, 1, -1);
    EXPECT_TRUE(w->projectModified);
    EXPECT_EQ(w->sortMode, sortMode);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Tamvik"));
    EXPECT_FALSE(w->Dispatch(WM_WAVEREAD_FILLED, 0, 0));
    EXPECT_FALSE(w->Dispatch(WM_ASIO_INPUT_TIME, 0, 0));
    EXPECT_TRUE(w->Dispatch(WM_AUDIO_DEVICE_CHANGED, 0, 0));
    EXPECT_TRUE(ui->messages.empty());
}

TEST_F(MainWindowTest, SetDelayTimesStoresTheValue) {
    w->SetDelayTimes(7);
    EXPECT_EQ(w->delayTimes, 7);
}

TEST_F(MainWindowTest, ClosingIsRefusedWhileAnAuditionRunsOrATestRunWindowIsOpen) {
    ASSERT_TRUE(w->project.New());
    CStimuli* stimuli = w->project.GetStimuli();
    stimuli->SetCount(2);
    w->execTable->setNotifyWindow(0); // the run goes on without this window's handlers
    w->execTable->setPauseEachStimulus(true);
    ASSERT_TRUE(w->execTable->StartStimuli(stimuli, QStringLiteral("1-2")));
    ASSERT_TRUE(PumpUntil([&] { return w->execTable->state() != 0; }));
    bool closed = false;
    QObject::connect(w.get(), &TfrmMain::closed, [&] { closed = true; });
    EXPECT_FALSE(w->close());
    EXPECT_FALSE(closed);
    EXPECT_TRUE(ui->messages.empty()) << "refused without a message";

    ASSERT_TRUE(w->execTable->Stop());
    ASSERT_TRUE(PumpUntil([&] { return w->execTable->state() == 0; }));
    w->frmExecute = new TfrmExecute(w.get());
    EXPECT_FALSE(w->close());
    delete w->frmExecute;
    w->frmExecute = nullptr;

    EXPECT_TRUE(w->close());
    EXPECT_TRUE(closed);
}

TEST_F(MainWindowTest, UnsavedChangesAnswers) {
    struct Case {
        const char* what;
        std::vector<UiServices::Answer> answers;
        bool saveAsChosen;
        bool closes;
        bool stillModified;
    };
    const std::vector<Case> cases = {
        {"Cancel keeps the window", {UiServices::Answer::Cancel}, false, false, true},
        {"No closes without saving", {UiServices::Answer::No}, false, true, true},
        {"Yes and a cancelled Save As keeps window and changes",
         {UiServices::Answer::Yes},
         false,
         false,
         true},
        {"Yes and a saved project closes", {UiServices::Answer::Yes}, true, true, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(w->project.New());
        w->project.SetMethod(1);
        w->projectModified = true;
        ui->messages.clear();
        ui->answers.assign(c.answers.begin(), c.answers.end());
        const QString path = root->file(QStringLiteral("saved%1.tmv").arg(n++));
        if (c.saveAsChosen)
            ui->fileNames.push_back(path);
        bool closed = false;
        auto connection = QObject::connect(w.get(), &TfrmMain::closed, [&] { closed = true; });
        EXPECT_EQ(w->close(), c.closes);
        QObject::disconnect(connection);
        EXPECT_EQ(closed, c.closes);
        EXPECT_EQ(w->projectModified, c.stillModified);
        ASSERT_FALSE(ui->messages.empty());
        EXPECT_EQ(ui->messages.front().text, QStringLiteral("Project is changed.\r\nSave changes?"));
        EXPECT_EQ(ui->messages.front().buttons, UiServices::Buttons::YesNoCancel);
        EXPECT_EQ(QFileInfo::exists(path), c.saveAsChosen);
    }
}

TEST_F(MainWindowTest, RestrictedModeClosesWithoutAskingAboutChanges) {
    w->projectModified = true;
    w->tbtnFileSavePrj->hide();
    w->mnuFileSavePrj->setVisible(false);
    EXPECT_TRUE(w->close());
    EXPECT_TRUE(ui->messages.empty());
}

namespace {

// An object whose event handler fails the way a window's handler might.
class ThrowingObject : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User)
            throw std::runtime_error("invalid method!!");
        return QObject::event(e);
    }
};

} // namespace

TEST_F(MainWindowTest, AnExceptionLeavingAHandlerIsShownAndTheProgramGoesOn) {
    ThrowingObject target;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_EQ(ui->messages.front().text, QStringLiteral("invalid method!!"));
    EXPECT_EQ(ui->messages.front().kind, UiServices::Kind::Error);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MainWindowTest, ShownWindowMarksItsLanguageAndAnOrdinaryCloseEndsTheLoopWithZero) {
    w->show();
    EXPECT_TRUE(Find<QAction>("mnuViewLanguageEnglish")->isChecked());
    EXPECT_FALSE(Find<QAction>("mnuViewLanguageJapanese")->isChecked());
    QObject::connect(w.get(), &TfrmMain::closed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    QTimer::singleShot(0, w.get(), [this] { Find<QAction>("mnuFileExit")->trigger(); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_FALSE(w->isVisible());
}
