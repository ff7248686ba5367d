// Audition in the main window on the low-latency path, through libvantrel.so and its
// null driver.
#include "AuditionFixture.h"

#include "ExecuteUnit.h"
#include "Messages.h"

#include <QAction>
#include <QToolButton>

namespace {

constexpr uint32_t Rate = 192000;

std::pair<WavLayout, std::vector<uint8_t>> Stereo(uint32_t frames, uint32_t seed) {
    return {WavLayout::pcm(2, Rate, 16), PatternBytes(size_t(frames) * 4, seed)};
}

} // namespace

// Stimuli 2 to 4: each is highlighted and played in turn, the commands are locked while
// it runs, and the selection and the idle commands come back at the end.
TEST_F(AuditionTest, ListPlayHighlightsEachStimulusAndRestoresTheWindow) {
    MakeProject({Stereo(20000, 1), Stereo(20000, 2), Stereo(20000, 3), Stereo(30000, 4), Stereo(20000, 5)});
    ListenToStimuli(2, 4);

    std::vector<int> highlighted;
    bool lockedWhilePlaying = false;
    ASSERT_TRUE(RunToIdle(20000, [&] {
        if (w->playStimulusRow > 0 && (highlighted.empty() || highlighted.back() != w->playStimulusRow))
            highlighted.push_back(w->playStimulusRow);
        if (State() == ExecListStimulus)
            lockedWhilePlaying = lockedWhilePlaying ||
                                 (w->actExecCtrlSuspend->isEnabled() && w->actExecCtrlStop->isEnabled() &&
                                  !w->actExecCtrlPlay->isEnabled() && !w->actFileOpenPrj->isEnabled());
    }));
    ASSERT_TRUE(DrainPosted());

    EXPECT_EQ(highlighted, (std::vector<int>{2, 3, 4}));
    EXPECT_TRUE(lockedWhilePlaying) << "the commands were not locked while a stimulus played";
    EXPECT_EQ(w->asgdStimulus->Selection(), QRect(QPoint(1, 2), QPoint(2, 4)));
    EXPECT_TRUE(w->asgdStimulus->ShowFocus());
    for (QAction* a :
         {w->actExecCtrlPlay, w->actExecCtrlSuspend, w->actExecCtrlStop, w->actExecCtrlCancelRepeat})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_FALSE(IsCommandHeld(w->actFileOpenPrj, CommandHold::Busy)) << "the lock is lifted";
    EXPECT_TRUE(ShownTexts().isEmpty()) << ShownTexts().join(" | ").toStdString();

    // The last stream is stimulus 4, sample for sample.
    const std::vector<uint8_t> data = PatternBytes(30000 * 4, 4);
    EXPECT_EQ(Played(0, 30000 * 2), Channel16(data, 2, 0));
    EXPECT_EQ(Played(1, 30000 * 2), Channel16(data, 2, 1));
}

// A mono stimulus goes to the first two channels of the stored order.
TEST_F(AuditionTest, MonoStimulusPlaysTwiceOnTheOrderedOutputs) {
    const std::vector<uint8_t> data = PatternBytes(40000 * 2, 7);
    MakeProject({{WavLayout::pcm(1, Rate, 16), data}});
    w->asioChannelOrder = {3, 2, 0, 1, 4, 5, 6, 7};
    ListenToStimuli(1, 1);
    ASSERT_TRUE(RunToIdle());
    EXPECT_EQ(w->playback.ChannelMap(), (std::vector<int>{3, 2}));
    EXPECT_EQ(Played(3, 40000 * 2), data);
    EXPECT_EQ(Played(2, 40000 * 2), data);
}

// Abort stops the sound at once and pauses the run; Play plays the trial again from its
// start; Stop ends the run. The stop that Abort caused does not move the run on.
TEST_F(AuditionTest, ScheduleRunAbortResumeAndStop) {
    MakeProject({Stereo(Rate * 3, 11)});
    CSchedule* schedule = w->project.GetSchedule(0);
    CTrial& trial = schedule->trials[0];
    trial.stimuli[0] = 1;
    trial.startWait = 0.0;
    trial.responseWait = 0.0;
    trial.repeatCount = 1;
    trial.correctAnswer = 1;
    w->ShowSchedule(0);
    w->asgdSchedule->SetSelection(QRect(QPoint(1, 1), QPoint(1, 1)));
    w->actSdlListListenExecute();
    ASSERT_TRUE(ShownTexts().isEmpty()) << ShownTexts().join(" | ").toStdString();

    const auto sounding = [&] { return State() == ExecTrialStimulus && VANTREL_IsWorking() == 1; };
    ASSERT_TRUE(PumpUntil(sounding, 5000)) << "the trial's stimulus did not start";
    EXPECT_EQ(w->playColumn, w->asgdSchedule->FixedCols() + 2);
    EXPECT_EQ(w->playRow, 1);
    EXPECT_EQ(w->playStimulusRow, 1);
    EXPECT_TRUE(w->actExecCtrlCancelRepeat->isEnabled()) << "cancel repeat belongs to a schedule run";

    w->actExecCtrlSuspendExecute();
    EXPECT_EQ(VANTREL_IsWorking(), 0) << "Abort must silence the stimulus at once";
    EXPECT_FALSE(w->suspending);
    ASSERT_TRUE(PumpUntil([&] { return State() == ExecTrialPaused; }, 3000));
    // The stop that Abort caused arrives within a few of the library's 20 ms watchdog ticks.
    EXPECT_TRUE(StaysFalse([&] { return State() != ExecTrialPaused; }, 300))
        << "the stop caused by Abort moved the run on";
    EXPECT_TRUE(w->actExecCtrlPlay->isEnabled());
    EXPECT_FALSE(w->actExecCtrlSuspend->isEnabled());
    EXPECT_TRUE(w->actExecCtrlStop->isEnabled());

    w->actExecCtrlPlayExecute();
    ASSERT_TRUE(PumpUntil(sounding, 5000)) << "the trial did not play again";
    EXPECT_LE(w->playback.SentFrames(), uint64_t(96000 + 48000)) << "the trial plays again from its start";

    w->actExecCtrlStopExecute();
    EXPECT_EQ(VANTREL_IsWorking(), 0);
    ASSERT_TRUE(RunToIdle(5000));
    EXPECT_NE(std::find(recorder.states.begin(), recorder.states.end(), int(ExecScheduleEnded)),
              recorder.states.end());
    EXPECT_EQ(w->playColumn, -1);
    EXPECT_EQ(w->playRow, -1);
    EXPECT_TRUE(w->asgdSchedule->ShowFocus());
    EXPECT_TRUE(ShownTexts().isEmpty()) << ShownTexts().join(" | ").toStdString();
}

// Continue outside a halt, and Abort or Stop while idle, do nothing and show nothing.
TEST_F(AuditionTest, PlayControlsDoNothingWhenThereIsNothingToControl) {
    w->actExecCtrlPlayExecute();
    w->actExecCtrlSuspendExecute();
    w->actExecCtrlStopExecute();
    EXPECT_FALSE(w->suspending);
    EXPECT_EQ(State(), ExecIdle);
    EXPECT_TRUE(ShownTexts().isEmpty());
}

// A stimulus with 8-bit samples is refused before the audition starts, and the window
// says why; nothing reaches the library.
TEST_F(AuditionTest, EightBitStimulusIsRefusedBeforeTheAuditionStarts) {
    MakeProject({{WavLayout::pcm(2, 48000, 8), PatternBytes(48000 * 2, 3)}, Stereo(20000, 2)});
    ListenToStimuli(1, 2);
    EXPECT_EQ(ShownTexts(), QStringList{QStringLiteral("This device cannot play \"S1.wav\".")});
    EXPECT_EQ(State(), ExecIdle) << "the audition did not start";
    EXPECT_EQ(VANTREL_IsWorking(), 0);
    EXPECT_EQ(w->playback.SentFrames(), 0u);
    EXPECT_FALSE(w->PlayStimulus(1)) << "the play refuses it too";
}

TEST_F(AuditionTest, StimulusNumberOutsideTheListFails) {
    MakeProject({Stereo(2000, 1)});
    EXPECT_FALSE(w->PlayStimulus(0));
    EXPECT_FALSE(w->PlayStimulus(w->project.GetStimuli()->GetCount() + 1));
}

// Cancel repeat toggles the tool button and the sequencer's flag together.
TEST_F(AuditionTest, CancelRepeatFollowsTheToolButton) {
    w->actExecCtrlCancelRepeatExecute();
    EXPECT_TRUE(w->tbtnRepeat->isChecked());
    EXPECT_TRUE(w->execTable->cancelRepeat());
    w->tbtnRepeat->setChecked(false);
    w->tbtnRepeatClick();
    EXPECT_FALSE(w->execTable->cancelRepeat());
}

TEST_F(AuditionTest, ViewPlayControlShowsAndHidesTheBar) {
    ASSERT_FALSE(w->tlbPlayCtrl->isHidden());
    w->actViewPlayCtrlExecute();
    EXPECT_TRUE(w->tlbPlayCtrl->isHidden());
    EXPECT_FALSE(w->actViewPlayCtrl->isChecked());
    w->actViewPlayCtrlExecute();
    EXPECT_FALSE(w->tlbPlayCtrl->isHidden());
    EXPECT_TRUE(w->actViewPlayCtrl->isChecked());
}

// Stop while the trial waits for the operator ends the run.
TEST_F(AuditionTest, StopWhileWaitingForTheOperatorEndsTheRun) {
    MakeProject({Stereo(20000, 12)});
    CTrial& trial = w->project.GetSchedule(0)->trials[0];
    trial.stimuli[0] = 1;
    trial.startWait = 0.0;
    trial.responseWait = -1.0;
    trial.correctAnswer = 1;
    w->ShowSchedule(0);
    w->asgdSchedule->SetSelection(QRect(QPoint(1, 1), QPoint(1, 1)));
    w->actSdlListListenExecute();
    ASSERT_TRUE(PumpUntil([&] { return State() == ExecOperatorWait; }, 5000));
    EXPECT_TRUE(PumpUntil([&] { return w->actExecCtrlPlay->isEnabled(); }, 3000))
        << "the window follows the state";
    w->actExecCtrlStopExecute();
    ASSERT_TRUE(RunToIdle(5000));
    EXPECT_NE(std::find(recorder.states.begin(), recorder.states.end(), int(ExecScheduleEnded)),
              recorder.states.end());
    EXPECT_TRUE(ShownTexts().isEmpty()) << ShownTexts().join(" | ").toStdString();
}

// While a test-run window is open the main window only follows the run: it moves its
// highlight, plays nothing and leaves its commands alone.
TEST_F(AuditionTest, DuringATestRunTheWindowOnlyFollows) {
    MakeProject({Stereo(20000, 13)});
    w->project.GetSchedule(0)->trials[0].stimuli[0] = 1;
    w->ShowSchedule(0);
    w->frmExecute = new TfrmExecute(w.get());
    const bool openEnabled = w->actFileOpenPrj->isEnabled();
    PostMessage(w->handle(), WM_EXECTABLE, ExecTrialStimulus, ExecTableLParam(1, 1));
    ASSERT_TRUE(DrainPosted());
    EXPECT_EQ(w->playColumn, w->asgdSchedule->FixedCols() + 2);
    EXPECT_EQ(w->playRow, 1);
    EXPECT_EQ(w->playStimulusRow, 1);
    EXPECT_EQ(VANTREL_IsWorking(), 0) << "the main window played during a test run";
    EXPECT_FALSE(w->playback.IsActive());
    EXPECT_EQ(w->actFileOpenPrj->isEnabled(), openEnabled);
    EXPECT_TRUE(ShownTexts().isEmpty());
    delete w->frmExecute;
    w->frmExecute = nullptr;
}
