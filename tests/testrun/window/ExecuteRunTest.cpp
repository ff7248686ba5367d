// Whole test runs: registration, a pass over every trial on the selected output, the
// subjects' answers arriving while the stimuli play, and the percentages at the end.
#include "AlsaTestHome.h"
#include "AuditionFixture.h"
#include "CardUnit.h"
#include "ExecuteFixture.h"

#include "ExecDlgUnit.h"
#include "ExecuteUnit.h"
#include "FakeService.h"
#include "ModalScript.h"
#include "OptionIni.h"
#include "OptionUnit.h"
#include "PanelStatusBar.h"
#include "ScriptedUiServices.h"
#include "WaitUntil.h"

#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <atomic>
#include <mutex>

namespace {

// Answers of two subjects to a training schedule whose correct buttons are 2 and 3:
// S1 answers 2, 3 and S2 answers 2, 1. The service hands out a trial's answers once the
// run has reported that trial as under way.
class AnsweringService {
public:
    explicit AnsweringService(fake::FakeService& service) {
        service.SetHandler("enforcementTest", [this](const fake::FakeRequest& r) {
            const int n = std::atoi(r.Field("QUESTION_NUM").c_str());
            if (n > reported.load())
                reported = n;
            return fake::FakeReply::Text("API_RESULT=0,API_MESSAGE=");
        });
        service.SetHandler("returnTestResult", [this](const fake::FakeRequest&) {
            std::string body =
                "ANSWERER_ID=S1,QUESTION_NUM=0,ANSWER=\nANSWERER_ID=S2,QUESTION_NUM=0,ANSWER=\n";
            const char* s1[] = {"2", "3"};
            const char* s2[] = {"2", "1"};
            for (int n = 1; n <= std::min(reported.load(), 2); ++n) {
                body += "ANSWERER_ID=S1,QUESTION_NUM=" + std::to_string(n) + ",ANSWER=" + s1[n - 1] + "\n";
                body += "ANSWERER_ID=S2,QUESTION_NUM=" + std::to_string(n) + ",ANSWER=" + s2[n - 1] + "\n";
            }
            // Beyond the trials: never written, not even over the "Correct %" row.
            body += "ANSWERER_ID=S1,QUESTION_NUM=3,ANSWER=9";
            fake::FakeReply reply = fake::FakeReply::Text(body);
            reply.delay = std::chrono::milliseconds(delayMs.load());
            return reply;
        });
    }
    std::atomic<int> reported{0};
    std::atomic<int> delayMs{0}; // before each list of answers
};

} // namespace

class ExecuteRunTest : public AuditionTest {
protected:
    void SetUp() override {
        AuditionTest::SetUp();
        service = StartAnswerService(*root);
        answers = std::make_unique<AnsweringService>(*service);
    }
    void TearDown() override {
        if (w)
            CloseTestRunWindow(*w, [](const std::function<bool()>& done) { return PumpUntil(done); });
        AuditionTest::TearDown();
        // The service first: its threads may still be answering from the handlers.
        service.reset();
        answers.reset();
    }

    // Two trials of stimuli 1 and 2 (short), no waits, correct buttons 2 and 3.
    void MakeRunProject(const WavLayout& layout, uint32_t frames) {
        const size_t bytes = size_t(frames) * layout.channels * layout.bitsPerSample / 8;
        MakeProject({{layout, PatternBytes(bytes, 31)}, {layout, PatternBytes(bytes, 32)}});
        CProject& p = w->project;
        p.GetGeneral()->title = QStringLiteral("Listening");
        p.GetExperimentParameter()->GetTraining()->buttonLabels = {"a", "b", "c"};
        w->LoadParameterPanel(); // the start stores the panel into the project
        ASSERT_TRUE(w->SetScheduleSize(0, 2, 2));
        int correct = 2;
        for (CTrial& t : p.GetSchedule(0)->trials) {
            t.repeatCount = 1;
            t.startWait = 0.0;
            t.stimuli = {1, 2};
            t.intervals = {0.0};
            t.responseWait = 0.1;
            t.correctAnswer = correct++;
        }
        w->OnExecuteMessage(1, 0); // shows schedule 0 with its sizes
        p.SetFileName(root->file("run.tmv"));
        w->execTable->setCheckRepetition(false);
        w->execTable->setWaitResponses(false);
        w->execTable->setFeedbackSeconds(0.2);
    }

    // Starts, waits for both subjects, runs every trial and waits for the window's idle.
    TfrmExecute* RunAll() {
        w->actExecShow->trigger();
        TfrmExecute* x = w->frmExecute;
        EXPECT_NE(x, nullptr) << ShownTexts().join(" | ").toStdString();
        if (!x)
            return nullptr;
        x->installEventFilter(&windowStates);
        EXPECT_TRUE(PumpUntil([&] { return x->asgdResponse->Cell(1, 1) == "S2"; }, 20000));
        QTimer::singleShot(0, x, [x] { x->execDlg->btnOK->click(); });
        x->btnExecute->click();
        EXPECT_TRUE(Answered(x));
        EXPECT_EQ(x->windowState, ExecWindowReady) << ShownTexts().join(" | ").toStdString();
        x->sbtnPlay->click();
        const auto ended = [&] {
            const auto& s = windowStates.states;
            return std::find(s.begin(), s.end(), int(ExecScheduleEnded)) != s.end() &&
                   x->windowState == ExecWindowIdle && (State() == ExecIdle || State() == ExecScheduleEnded);
        };
        EXPECT_TRUE(PumpUntil(ended, 60000)) << ShownTexts().join(" | ").toStdString();
        return x;
    }

    void ExpectAnswersAndPercentages(TfrmExecute* x) {
        const auto cell = [x](int col, int row) { return x->asgdResponse->Cell(col, row).toStdString(); };
        ASSERT_EQ(x->asgdResponse->ColCount(), 6);
        // S2 in column 1, S1 in column 2, the placeholder, "Correct %", "Correct".
        EXPECT_EQ(cell(1, 1), "S2");
        EXPECT_EQ(cell(1, 2), "2");
        EXPECT_EQ(cell(1, 3), "1");
        EXPECT_EQ(cell(2, 2), "2");
        EXPECT_EQ(cell(2, 3), "3");
        EXPECT_EQ(cell(4, 2), "100.00");
        EXPECT_EQ(cell(4, 3), "50.00");
        EXPECT_EQ(cell(1, 4), "50.00");
        EXPECT_EQ(cell(2, 4), "100.00");
        EXPECT_EQ(cell(4, 4), "75.00");
        EXPECT_EQ(cell(5, 2), "2");
        EXPECT_EQ(cell(5, 3), "3");
        EXPECT_TRUE(x->selectedTrials.isEmpty()) << "every trial complete";
        EXPECT_TRUE(x->resultsUnsaved);
        EXPECT_TRUE(x->btnSave->isEnabled());
        EXPECT_TRUE(ShownTexts().isEmpty()) << ShownTexts().join(" | ").toStdString();
        EXPECT_EQ(service->Last("endTest").Field("TEST_RUN_STATUS"), "9") << "reported by the sequencer";
        // Every sequencer message reached the main window, in order.
        EXPECT_EQ(recorder.states, windowStates.states);
        EXPECT_EQ(windowStates.states.front(), ExecScheduleBegin);
        EXPECT_NE(std::find(windowStates.states.begin(), windowStates.states.end(), int(ExecScheduleEnded)),
                  windowStates.states.end());
    }

    // A started window, ready to play every trial, whose service refuses the answers once
    // the first trial is under way; null when it cannot get there.
    TfrmExecute* ReadyWithRefusalsFromTheFirstTrial() {
        service->SetHandler("returnTestResult", [this](const fake::FakeRequest&) {
            if (answers->reported.load() >= 1)
                return fake::FakeReply::Text("API_RESULT=1,API_MESSAGE=E00031");
            return fake::FakeReply::Text("ANSWERER_ID=S1,QUESTION_NUM=0,ANSWER=");
        });
        w->actExecShow->trigger();
        TfrmExecute* x = w->frmExecute;
        if (!x || !PumpUntil([&] { return x->asgdResponse->Cell(1, 1) == "S1"; }, 20000))
            return nullptr;
        QTimer::singleShot(0, x, [x] { x->execDlg->btnOK->click(); });
        x->btnExecute->click();
        if (!Answered(x))
            return nullptr;
        return x->windowState == ExecWindowReady ? x : nullptr;
    }

    const QString refused = QStringLiteral("Could not be verified. Please double check \"Password\" and "
                                           "\"Administrator ID\".");

    std::unique_ptr<fake::FakeService> service;
    std::unique_ptr<AnsweringService> answers;
    StateRecorder windowStates;
};

TEST_F(ExecuteRunTest, WholeRunOnTheLowLatencyPath) {
    ASSERT_FALSE(w->useMME);
    MakeRunProject(WavLayout::pcm(1, 44100, 16), 2205);
    TfrmExecute* x = RunAll();
    ASSERT_NE(x, nullptr);
    ExpectAnswersAndPercentages(x);
}

// Answers that take longer than the feedback wait: the sequencer's later states wait for
// them in the window, so every trial's answers are in before its end is handled.
TEST_F(ExecuteRunTest, ASlowAnswerFetchKeepsTheRunInOrder) {
    MakeRunProject(WavLayout::pcm(1, 44100, 16), 2205);
    answers->delayMs = 700;
    TfrmExecute* x = RunAll();
    ASSERT_NE(x, nullptr);
    ExpectAnswersAndPercentages(x);
}

// Close with results to keep while the service is slow to keep them: the window asks once,
// waits for the save without freezing (a second close asks nothing), then ends the run
// on the service and goes.
TEST_F(ExecuteRunTest, CloseWaitsForASlowSaveThenEndsTheRun) {
    MakeRunProject(WavLayout::pcm(1, 44100, 16), 2205);
    TfrmExecute* x = RunAll();
    ASSERT_NE(x, nullptr);
    ASSERT_TRUE(x->btnSave->isEnabled());
    std::atomic<bool> windowServed{false};
    service->SetHandler("saveTestResult", [&](const fake::FakeRequest&) {
        // A window that waits on the network gets a refusal after the hang bound.
        if (!tamvik_test::WaitUntil([&] { return windowServed.load(); }))
            return fake::FakeReply::Text("API_RESULT=1,API_MESSAGE=E00031");
        return fake::FakeReply::Text("API_RESULT=0,API_MESSAGE=");
    });
    w->projectModified = false;
    ui->answers = {UiServices::Answer::Yes};
    x->btnEnd->click();
    EXPECT_TRUE(x->isVisible());
    EXPECT_TRUE(x->IsWaiting());
    x->close(); // the window's own close box, while the save is under way
    QTimer::singleShot(0, x, [&] { windowServed = true; });
    ASSERT_TRUE(PumpUntil([&] { return w->frmExecute == nullptr; }, 20000))
        << ShownTexts().join(" | ").toStdString();
    EXPECT_EQ(ShownTexts(), QStringList{"Is the experimental result kept?"});
    const auto saves = service->Requests("saveTestResult");
    const auto ends = service->Requests("endTest");
    ASSERT_EQ(saves.size(), 1u);
    ASSERT_FALSE(ends.empty());
    EXPECT_EQ(ends.back().Field("TEST_RUN_STATUS"), "10");
    EXPECT_GT(ends.back().arrival, saves.front().arrival);
    EXPECT_TRUE(w->projectModified) << "closed with the results saved";
}

class ExecuteWaveOutRunTest : public ExecuteRunTest {
protected:
    std::string Registry() override { return ""; }
    void SetUp() override {
        ExecuteRunTest::SetUp();
        w.reset();
        home = std::make_unique<AlsaTestHome>();
        MakeWindow();
        w->installEventFilter(&recorder);
        ASSERT_TRUE(w->useMME);
        // The device is chosen as a user does, in the options dialog; the card and the
        // test run get the same selection.
        const int device = AlsaTestHome::deviceIndex(QStringLiteral("tvfile"));
        const auto entry = std::find(w->waveOutDeviceIds.begin(), w->waveOutDeviceIds.end(), device);
        ASSERT_NE(entry, w->waveOutDeviceIds.end());
        ASSERT_TRUE(QDir().mkpath(root->file("library")));
        TfrmOption* options = w->frmOption;
        WhileModal(options, [&] {
            options->cboSndDevice->setCurrentIndex(int(entry - w->waveOutDeviceIds.begin()));
            options->btnOK->click();
        });
        w->actOptSetting->trigger();
        ASSERT_EQ(w->soundDeviceId, device) << ShownTexts().join(" | ").toStdString();
        EXPECT_EQ(w->frmCard->output, w->output);
    }
    void TearDown() override {
        ExecuteRunTest::TearDown();
        w.reset();
        home.reset();
    }
    std::unique_ptr<AlsaTestHome> home;
};

TEST_F(ExecuteWaveOutRunTest, WholeRunOnTheWaveOutPath) {
    MakeRunProject(WavLayout::pcm(2, 48000, 16), 2400);
    TfrmExecute* x = RunAll();
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->output, w->output);
    ExpectAnswersAndPercentages(x);
    QFile played(home->file());
    ASSERT_TRUE(played.open(QIODevice::ReadOnly));
    EXPECT_GE(played.size(), 2400 * 4) << "the stimuli reached the device";
}

// Answers that come in while the sequencer waits after a trial end the wait: the window
// fetches them once a second at that wait instead of leaving the run hanging.
TEST_F(ExecuteRunTest, WaitForResponsesEndsWhenTheAnswersArrive) {
    MakeRunProject(WavLayout::pcm(1, 44100, 16), 2205);
    w->execTable->setWaitResponses(true);
    w->execTable->setFeedbackSeconds(0.0);
    TfrmExecute* x = RunAll();
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(std::count(windowStates.states.begin(), windowStates.states.end(), int(ExecAfterTrialWait)), 2);
    EXPECT_TRUE(x->selectedTrials.isEmpty()) << "both trials complete";
    EXPECT_EQ(x->asgdResponse->Cell(2, 3).toStdString(), "3");
}

// Presses Cancel Repeat when the wait between repetitions arrives, before the window sees it:
// the button goes down after the sequencer looked at it.
class PressRepeatAtTheWait : public QObject {
public:
    explicit PressRepeatAtTheWait(TfrmExecute* window) : x(window) {}
    int pressed = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == PostedMessageEvent::eventType()) {
            const auto* m = static_cast<PostedMessageEvent*>(e);
            if (m->msg() == WM_EXECTABLE && m->wParam() == ExecRepetitionWait &&
                !x->tbtnRepeat->isChecked()) {
                x->tbtnRepeat->click();
                ++pressed;
            }
        }
        return false;
    }

private:
    TfrmExecute* x;
};

// The window always lets the sequencer go on at the wait between repetitions, also when
// the repeat button is already down there; the sequencer then skips the other repetitions.
TEST_F(ExecuteRunTest, RepetitionWaitNeverHangs) {
    MakeRunProject(WavLayout::pcm(1, 44100, 16), 2205);
    for (CTrial& t : w->project.GetSchedule(0)->trials)
        t.repeatCount = 3;
    w->OnExecuteMessage(1, 0);
    w->execTable->setCheckRepetition(true);
    std::unique_ptr<PressRepeatAtTheWait> press;
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (w->frmExecute && !press) {
            press = std::make_unique<PressRepeatAtTheWait>(w->frmExecute);
            w->frmExecute->installEventFilter(press.get());
        }
    });
    watch.start();
    TfrmExecute* x = RunAll();
    ASSERT_NE(x, nullptr);
    ASSERT_TRUE(press);
    EXPECT_EQ(press->pressed, 2) << "once in each trial";
    EXPECT_EQ(std::count(windowStates.states.begin(), windowStates.states.end(), int(ExecTrialStimulus)), 4)
        << "one repetition of two stimuli per trial was skipped";
    EXPECT_FALSE(x->tbtnRepeat->isChecked()) << "released at the end of each trial";
    x->removeEventFilter(press.get());
}

// Handles the window's sequencer messages itself, to know when one is being handled.
class HandlerDepth : public QObject {
public:
    explicit HandlerDepth(TfrmExecute* window) : x(window) {}
    int depth = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() != PostedMessageEvent::eventType())
            return false;
        const auto* m = static_cast<PostedMessageEvent*>(e);
        if (m->msg() != WM_EXECTABLE)
            return false;
        ++depth;
        x->Dispatch(m->msg(), m->wParam(), m->lParam());
        --depth;
        return true;
    }

private:
    TfrmExecute* x;
};

// Message boxes, each with whether a sequencer message was being handled when it showed.
class NestingUi : public ScriptedUiServices {
public:
    std::function<bool()> inHandler;
    std::vector<std::pair<QString, bool>> shown;
    Answer MessageText(QWidget* owner, const QString& text, const QString& caption, Kind kind,
                       Buttons buttons) override {
        shown.emplace_back(text, inHandler && inHandler());
        return ScriptedUiServices::MessageText(owner, text, caption, kind, buttons);
    }
};

// A refused answer fetch inside a sequencer message's handler shows its box only after
// that handler has returned, so a box's own event loop never handles later states first.
TEST_F(ExecuteRunTest, ARefusedFetchDuringTheRunIsShownAfterTheHandler) {
    MakeRunProject(WavLayout::pcm(1, 44100, 16), 2205);
    ui.reset();
    auto* nesting = new NestingUi;
    ui.reset(nesting);
    TfrmExecute* x = ReadyWithRefusalsFromTheFirstTrial();
    ASSERT_NE(x, nullptr) << ShownTexts().join(" | ").toStdString();
    HandlerDepth depth(x);
    x->installEventFilter(&depth);
    nesting->inHandler = [&depth] { return depth.depth > 0; };
    x->sbtnPlay->click();
    ASSERT_TRUE(PumpUntil([&] { return !nesting->shown.empty(); }, 20000));
    EXPECT_EQ(nesting->shown.front().first, refused);
    EXPECT_FALSE(nesting->shown.front().second) << "shown from within a sequencer message's handler";
    x->removeEventFilter(&depth);
}

// Counts the library's output-stopped reports that reached the window.
class StopReports : public QObject {
public:
    int stopped = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == PostedMessageEvent::eventType()) {
            const auto* m = static_cast<PostedMessageEvent*>(e);
            if (m->msg() == WM_ASIO_OUTPUT_EVENT &&
                VANTREL_MESSAGE_KIND(m->wParam()) == VANTREL_OUTPUT_STOPPED)
                ++stopped;
        }
        return false;
    }
};

// Pause while a stimulus plays on the low-latency path: the library reports the end of
// that play only later, and that report must not move the run on. Play then repeats the
// trial from its start and the run ends as usual.
TEST_F(ExecuteRunTest, PauseDuringAStimulusHoldsTheRunUntilPlay) {
    MakeRunProject(WavLayout::pcm(1, 44100, 16), 44100);
    w->actExecShow->trigger();
    TfrmExecute* x = w->frmExecute;
    ASSERT_NE(x, nullptr);
    StopReports stops;
    x->installEventFilter(&stops);
    x->installEventFilter(&windowStates);
    ASSERT_TRUE(PumpUntil([&] { return x->asgdResponse->Cell(1, 1) == "S2"; }, 20000));
    QTimer::singleShot(0, x, [x] { x->execDlg->btnOK->click(); });
    x->btnExecute->click();
    ASSERT_TRUE(Answered(x));
    ASSERT_EQ(x->windowState, ExecWindowReady);
    x->sbtnPlay->click();
    ASSERT_TRUE(PumpUntil([&] { return State() == ExecTrialStimulus && x->playback.IsActive(); }, 20000));
    x->sbtnSuspend->click();
    ASSERT_TRUE(PumpUntil([&] { return stops.stopped >= 1 && State() == ExecTrialPaused; }, 20000));
    QCoreApplication::processEvents(); // whatever the report set off has run
    EXPECT_EQ(State(), ExecTrialPaused) << "the stopped play moved the run on";
    ASSERT_TRUE(PumpUntil([&] { return x->sbtnPlay->isEnabled(); }));

    x->sbtnPlay->click();
    const auto ended = [&] {
        const auto& s = windowStates.states;
        return std::find(s.begin(), s.end(), int(ExecScheduleEnded)) != s.end() &&
               x->windowState == ExecWindowIdle && (State() == ExecIdle || State() == ExecScheduleEnded);
    };
    ASSERT_TRUE(PumpUntil(ended, 60000)) << ShownTexts().join(" | ").toStdString();
    EXPECT_EQ(std::count(windowStates.states.begin(), windowStates.states.end(), int(ExecTrialStimulus)), 5)
        << "four presentations, the paused one twice";
    EXPECT_TRUE(ShownTexts().isEmpty()) << ShownTexts().join(" | ").toStdString();
    x->removeEventFilter(&stops);
    x->removeEventFilter(&windowStates);
}

// A stimulus request of a run that is over is not played.
TEST_F(ExecuteRunTest, StaleStimulusRequestIsIgnored) {
    MakeRunProject(WavLayout::pcm(1, 44100, 16), 2205);
    w->actExecShow->trigger();
    TfrmExecute* x = w->frmExecute;
    ASSERT_NE(x, nullptr);
    x->installEventFilter(&windowStates);
    PostMessage(x->handle(), WM_EXECTABLE, ExecTrialStimulus, ExecTableLParam(1, 1));
    ASSERT_TRUE(PumpUntil([&] { return !recorder.states.empty(); }));
    EXPECT_FALSE(x->playback.IsActive());
    EXPECT_NE(x->StatusText(1), "Internal error occurred.");
    EXPECT_EQ(recorder.states, std::vector<int>{ExecTrialStimulus}) << "forwarded to the main window";
}

// Waiting at the end of a trial for the answers that are missing, a refused fetch is shown
// once and the window stops asking, as the answerer poll does.
TEST_F(ExecuteRunTest, ARefusalWhileWaitingForAnswersStopsTheFetching) {
    MakeRunProject(WavLayout::pcm(1, 44100, 16), 2205);
    w->execTable->setWaitResponses(true);
    w->execTable->setFeedbackSeconds(0.0);
    TfrmExecute* x = ReadyWithRefusalsFromTheFirstTrial();
    ASSERT_NE(x, nullptr) << ShownTexts().join(" | ").toStdString();
    x->sbtnPlay->click();
    ASSERT_TRUE(PumpUntil([&] { return !ShownTexts().isEmpty(); }, 20000));
    EXPECT_EQ(ShownTexts(), QStringList{refused});
    ASSERT_TRUE(PumpUntil([&] { return State() == ExecAfterTrialWait; }, 20000));
    const size_t asked = service->Count("returnTestResult");
    EXPECT_TRUE(StaysFalse(
        [&] { return service->Count("returnTestResult") > asked || ShownTexts().size() > 1; }, 2500))
        << ShownTexts().join(" | ").toStdString();
    // The operator ends the wait with Stop.
    x->sbtnStop->click();
    EXPECT_TRUE(PumpUntil([&] { return State() == ExecIdle || State() == ExecScheduleEnded; }, 20000));
}
