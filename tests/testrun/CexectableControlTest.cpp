// Pause, Resume, Stop and Proceed in each group of states of a schedule run, and the
// signals that must neither be lost nor end a later wait.

#include "ExecObserver.h"
#include "FakeService.h"

#include <future>

namespace {

using Report = std::tuple<std::string, std::string>; // QUESTION_NUM, QUESTION_STATUS

class ScheduleControl : public ::testing::Test {
protected:
    void SetUp() override { exec.setNotifyWindow(observer.Handle()); }

    ExecReportSettings Reports() const {
        ExecReportSettings s;
        s.testRunSeq = QStringLiteral("5");
        s.serviceUrl = QString::fromStdString(service.BaseUrl()) + QStringLiteral("W0001/");
        return s;
    }

    std::vector<int> RunStates() const { return StatesOfRun(observer); }

    std::vector<Report> Sent() const {
        std::vector<Report> sent;
        for (const fake::FakeRequest& r : service.Requests("enforcementTest"))
            sent.emplace_back(r.Field("QUESTION_NUM"), r.Field("QUESTION_STATUS"));
        return sent;
    }

    bool WaitState(int state, std::chrono::milliseconds timeout = 10s) {
        return observer.SkipTo(state, timeout);
    }

    fake::FakeService service;
    ExecObserver observer;
    CSchedule schedule;
    CExecTable exec;
};

TEST_F(ScheduleControl, PauseDuringStimulusThenResumeRunsTheTrialAgain) {
    SetTrials(schedule, 2, {MakeTrial(1, 0, {1, 2}, {0}, 0)});
    bool paused = false;
    ExecDriver driver(observer, ExecScheduleEnded, [&](const ExecPost& p) {
        if (p.state == ExecTrialStimulus && !paused) {
            paused = true;
            EXPECT_TRUE(exec.Pause());
            exec.Proceed(); // the stimulus still ends; posts nothing either way
        } else if (p.state == ExecTrialPaused) {
            EXPECT_TRUE(exec.Resume());
        } else if (p.state == ExecTrialStimulus) {
            exec.Proceed();
        }
    });
    ASSERT_TRUE(exec.StartSchedule(&schedule, QString(), Reports()));
    ASSERT_TRUE(driver.Join());
    EXPECT_EQ(RunStates(), (std::vector<int>{8, 18, 10, 9, 13, 14, 18, 10, 9, 12, 10, 9, 12, 10, 19, 20}));
    EXPECT_EQ(Sent(),
              (std::vector<Report>{
                  {"1", "2"}, {"1", "2"}, {"1", "3"}, {"1", "2"}, {"1", "2"}, {"1", "2"}, {"1", "9"}}));
}

TEST_F(ScheduleControl, PauseOrStopInEachWaitOfATrial) {
    // Pause ends a timed wait (10) and the waits for the window or the operator (9, 11,
    // 15, 16) and pauses the trial; Stop while paused ends the run. Stop in any of them
    // ends the run at once. Every run ends with its endTest.
    struct Case {
        const char* name;
        CTrial trial;
        bool checkRepetition;
        bool waitResponses;
        int actIn;
        bool stop; // else pause, then stop while paused
    };
    const std::vector<Case> cases{
        {"pause in the start wait", MakeTrial(1, 30, {1}, {}, 0), false, false, ExecTimedWait, false},
        {"pause in an interval for the operator", MakeTrial(1, 0, {1, 2}, {-1}, 0), false, false,
         ExecOperatorWait, false},
        {"pause between repetitions", MakeTrial(2, 0, {1}, {}, 0), true, false, ExecRepetitionWait, false},
        {"pause after the trial", MakeTrial(1, 0, {1}, {}, 0), false, true, ExecAfterTrialWait, false},
        {"stop during a stimulus", MakeTrial(1, 0, {1}, {}, 0), false, false, ExecTrialStimulus, true},
        {"stop in a start wait for the operator", MakeTrial(1, -1, {1}, {}, 0), false, false,
         ExecOperatorWait, true},
        {"stop between repetitions", MakeTrial(2, 0, {1}, {}, 0), true, false, ExecRepetitionWait, true},
        {"stop after the trial", MakeTrial(1, 0, {1}, {}, 0), false, true, ExecAfterTrialWait, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CSchedule s;
        SetTrials(s, static_cast<int>(c.trial.stimuli.size()), {c.trial});
        ExecObserver seen;
        exec.setNotifyWindow(seen.Handle());
        exec.setCheckRepetition(c.checkRepetition);
        exec.setWaitResponses(c.waitResponses);
        const size_t endsBefore = service.Count("endTest");
        SteadyClock::time_point actedAt;
        ExecDriver driver(seen, ExecScheduleEnded, [&](const ExecPost& p) {
            if (p.state == c.actIn) {
                actedAt = SteadyClock::now();
                EXPECT_TRUE(c.stop ? exec.Stop() : exec.Pause());
            } else if (p.state == ExecTrialPaused || p.state == ExecScheduleEnded) {
                EXPECT_LT(p.at - actedAt, 5s) << "the request must end the wait at once";
                if (p.state == ExecTrialPaused) {
                    EXPECT_TRUE(exec.Stop());
                }
            } else if (p.state == ExecTrialStimulus) {
                exec.Proceed();
            }
        });
        ASSERT_TRUE(exec.StartSchedule(&s, QString(), Reports()));
        ASSERT_TRUE(driver.Join());
        const std::vector<int> states = StatesOfRun(seen);
        const std::vector<int> tail =
            c.stop ? std::vector<int>{c.actIn, 20} : std::vector<int>{c.actIn, 13, 20};
        ASSERT_GE(states.size(), tail.size());
        EXPECT_EQ(std::vector<int>(states.end() - static_cast<std::ptrdiff_t>(tail.size()), states.end()),
                  tail);
        EXPECT_EQ(service.Count("endTest"), endsBefore + 1);
        ASSERT_TRUE(seen.SkipTo(ExecIdle));
    }
    exec.setCheckRepetition(false);
    exec.setWaitResponses(false);
}

TEST_F(ScheduleControl, StopEndsTimedWaitsAtOnce) {
    // A start wait (10) and a feedback wait (17) of 30 s each; Stop ends either at once.
    // Proceed and Pause do not act on the feedback wait, and Proceed not on a timed wait.
    for (int stopIn : {ExecTimedWait, ExecFeedbackWait}) {
        SCOPED_TRACE(stopIn);
        CSchedule s;
        SetTrials(s, 1, {MakeTrial(1, stopIn == ExecTimedWait ? 30 : 0, {1}, {}, 0)});
        exec.setFeedbackSeconds(30);
        ExecObserver seen;
        exec.setNotifyWindow(seen.Handle());
        SteadyClock::time_point stoppedAt;
        ExecDriver driver(seen, ExecScheduleEnded, [&](const ExecPost& p) {
            if (p.state == stopIn && (stopIn == ExecFeedbackWait || p.b == 0)) {
                EXPECT_FALSE(exec.Proceed());
                if (stopIn == ExecFeedbackWait) {
                    EXPECT_FALSE(exec.Pause());
                }
                stoppedAt = SteadyClock::now();
                EXPECT_TRUE(exec.Stop());
            } else if (p.state == ExecScheduleEnded) {
                EXPECT_LT(p.at - stoppedAt, 5s);
            } else if (p.state == ExecTrialStimulus) {
                exec.Proceed();
            }
        });
        ASSERT_TRUE(exec.StartSchedule(&s, QString()));
        ASSERT_TRUE(driver.Join());
        const std::vector<int> states = StatesOfRun(seen);
        ASSERT_FALSE(states.empty());
        EXPECT_EQ(std::count(states.begin(), states.end(), ExecTrialEnd), 0)
            << "a stopped trial does not end";
        ASSERT_TRUE(seen.SkipTo(ExecIdle));
        EXPECT_FALSE(exec.Stop()) << "Stop in state 0";
    }
    exec.setFeedbackSeconds(0);
}

TEST_F(ScheduleControl, RefusedOperationsChangeNothing) {
    EXPECT_FALSE(exec.Proceed());
    EXPECT_FALSE(exec.Pause());
    EXPECT_FALSE(exec.Resume());
    EXPECT_FALSE(exec.Stop());
    EXPECT_EQ(exec.controlRequest(), ExecRequestNone);

    SetTrials(schedule, 1, {MakeTrial(1, 0, {1}, {}, -1)});
    ASSERT_TRUE(exec.StartSchedule(&schedule, QString()));
    ASSERT_TRUE(WaitState(ExecTrialStimulus));
    EXPECT_FALSE(exec.StartSchedule(&schedule, QString())) << "a start while running";
    EXPECT_FALSE(exec.Resume()) << "Resume while not paused";
    EXPECT_EQ(exec.scheduleRequest(), &schedule);
    EXPECT_TRUE(exec.Proceed());
    ASSERT_TRUE(WaitState(ExecOperatorWait));
    EXPECT_TRUE(exec.Proceed());
    ASSERT_TRUE(WaitState(ExecScheduleEnded));
    EXPECT_FALSE(exec.Stop()) << "Stop in state 20";
    ASSERT_TRUE(WaitState(ExecIdle));
    EXPECT_EQ(exec.scheduleRequest(), nullptr);
}

TEST_F(ScheduleControl, PauseWhileTheTrialStartIsReportedPausesOnce) {
    // The service answers the trial's first report late; a Pause meanwhile must pause the
    // trial once and wait for Resume, not run the trial a second time at once.
    SetTrials(schedule, 1, {MakeTrial(1, 0, {1}, {}, 0)});
    service.QueueReply("enforcementTest", fake::FakeReply::Delayed(300ms, "API_RESULT=0"));
    ASSERT_TRUE(exec.StartSchedule(&schedule, QString(), Reports()));
    ASSERT_TRUE(service.WaitFor("enforcementTest", 1, 5s));
    EXPECT_TRUE(exec.Pause());
    ASSERT_TRUE(WaitState(ExecTrialPaused));
    EXPECT_TRUE(exec.Pause()) << "already paused";
    // Long enough for the late report's answer (300 ms) to arrive and be acted on.
    EXPECT_TRUE(tamvik_test::StaysFalse(
        [&] {
            const std::vector<int> s = observer.States();
            return s.back() != ExecTrialPaused || std::count(s.begin(), s.end(), ExecTrialBegin) > 1;
        },
        600ms));
    const std::vector<int> whilePaused = observer.States();
    EXPECT_EQ(whilePaused.back(), ExecTrialPaused) << "a paused trial stays paused";
    EXPECT_EQ(std::count(whilePaused.begin(), whilePaused.end(), ExecTrialBegin), 1);
    EXPECT_EQ(Sent(), (std::vector<Report>{{"1", "2"}, {"1", "3"}}));

    ExecDriver driver(observer, ExecScheduleEnded, ProceedOnEveryWait(exec));
    EXPECT_TRUE(exec.Resume());
    ASSERT_TRUE(driver.Join());
    EXPECT_EQ(RunStates(), (std::vector<int>{8, 18, 13, 14, 18, 10, 9, 12, 10, 19, 20}));
}

TEST_F(ScheduleControl, ProceedDuringTheReportOfAnOperatorWaitIsKept) {
    // The window proceeds at state 11 while the thread still reports the wait; the wait
    // that follows must end on that Proceed, or the run hangs.
    SetTrials(schedule, 2, {MakeTrial(1, 0, {1, 2}, {-1}, -1)});
    service.SetHandler("enforcementTest", [](const fake::FakeRequest& r) {
        return r.Field("QUESTION_STATUS") == "4" ? fake::FakeReply::Delayed(200ms, "API_RESULT=0")
                                                 : fake::FakeReply::Text("API_RESULT=0");
    });
    ExecDriver driver(observer, ExecScheduleEnded, ProceedOnEveryWait(exec));
    ASSERT_TRUE(exec.StartSchedule(&schedule, QString(), Reports()));
    ASSERT_TRUE(driver.Join(10s)) << "the run hangs on a Proceed given before its wait";
    EXPECT_EQ(RunStates(), (std::vector<int>{8, 18, 10, 9, 12, 11, 12, 9, 12, 11, 12, 19, 20}));
}

TEST_F(ScheduleControl, ConcurrentRequestsKeepTheStrongerOne) {
    // Stop followed at once by Pause still stops; Pause followed by Proceed at state 11
    // still pauses.
    SetTrials(schedule, 1, {MakeTrial(1, 30, {1}, {}, 0)});
    ExecDriver stopper(observer, ExecScheduleEnded, [&](const ExecPost& p) {
        if (p.state == ExecTimedWait) {
            EXPECT_TRUE(exec.Stop());
            exec.Pause(); // false when the thread has ended the run already
        }
    });
    ASSERT_TRUE(exec.StartSchedule(&schedule, QString()));
    ASSERT_TRUE(stopper.Join(10s));
    EXPECT_EQ(RunStates(), (std::vector<int>{8, 18, 10, 20}));
    ASSERT_TRUE(WaitState(ExecIdle));

    // The thread is still reporting the wait for the operator (the service answers late)
    // when both requests come.
    CSchedule operatorInterval;
    SetTrials(operatorInterval, 2, {MakeTrial(1, 0, {1, 2}, {-1}, 0)});
    service.SetHandler("enforcementTest", [](const fake::FakeRequest& r) {
        return r.Field("QUESTION_STATUS") == "4" ? fake::FakeReply::Delayed(200ms, "API_RESULT=0")
                                                 : fake::FakeReply::Text("API_RESULT=0");
    });
    ExecObserver seen;
    exec.setNotifyWindow(seen.Handle());
    ExecDriver pauser(seen, ExecScheduleEnded, [&](const ExecPost& p) {
        if (p.state == ExecTrialStimulus) {
            exec.Proceed();
        } else if (p.state == ExecOperatorWait) {
            EXPECT_TRUE(exec.Pause());
            EXPECT_TRUE(exec.Proceed());
        } else if (p.state == ExecTrialPaused) {
            EXPECT_TRUE(exec.Stop());
        }
    });
    ASSERT_TRUE(exec.StartSchedule(&operatorInterval, QString(), Reports()));
    ASSERT_TRUE(pauser.Join(10s));
    EXPECT_EQ(StatesOfRun(seen), (std::vector<int>{8, 18, 10, 9, 12, 11, 12, 13, 20}));
}

TEST_F(ScheduleControl, APauseAtTheEndOfARunDoesNotPauseTheNext) {
    // The Pause comes at state 19 of the last trial, while the run reports its end.
    SetTrials(schedule, 1, {MakeTrial(1, 0, {1}, {}, 0)});
    service.QueueReply("endTest", fake::FakeReply::Delayed(300ms, "API_RESULT=0"));
    {
        ExecDriver driver(observer, ExecScheduleEnded, [&](const ExecPost& p) {
            if (p.state == ExecTrialEnd) {
                EXPECT_TRUE(exec.Pause());
            }
            ProceedOnEveryWait(exec)(p);
        });
        ASSERT_TRUE(exec.StartSchedule(&schedule, QString(), Reports()));
        ASSERT_TRUE(driver.Join());
    }
    ASSERT_TRUE(WaitState(ExecIdle));
    ExecObserver seen;
    exec.setNotifyWindow(seen.Handle());
    ExecDriver driver(seen, ExecScheduleEnded, ProceedOnEveryWait(exec));
    ASSERT_TRUE(exec.StartSchedule(&schedule, QString()));
    ASSERT_TRUE(driver.Join());
    EXPECT_EQ(StatesOfRun(seen), (std::vector<int>{8, 18, 10, 9, 12, 10, 19, 20}));
}

TEST_F(ScheduleControl, ATrialStartingWithAPausePendingIsStillReported) {
    // The Pause comes at the end of trial 1; trial 2 then begins and pauses at once. The
    // service must hear of trial 2 before it hears that trial 2 paused. Its answer to the
    // start of trial 2 waits for the Pause, so the run cannot go past the start.
    SetTrials(schedule, 1, {MakeTrial(1, 0, {1}, {}, 0), MakeTrial(1, 0, {1}, {}, 0)});
    std::promise<void> pauseAsked;
    std::shared_future<void> pauseAskedFuture = pauseAsked.get_future().share();
    service.SetHandler("enforcementTest", [pauseAskedFuture](const fake::FakeRequest& r) {
        if (r.Field("QUESTION_NUM") == "2")
            pauseAskedFuture.wait_for(10s);
        return fake::FakeReply::Text("API_RESULT=0");
    });
    bool paused = false;
    ExecDriver driver(observer, ExecScheduleEnded, [&](const ExecPost& p) {
        if (p.state == ExecTrialEnd && !paused) {
            paused = true;
            EXPECT_TRUE(exec.Pause());
            pauseAsked.set_value();
        } else if (p.state == ExecTrialPaused) {
            // Stop once the pause has been reported, which Stop would cut short.
            EXPECT_TRUE(service.WaitFor("enforcementTest", 5, 10s));
            EXPECT_TRUE(exec.Stop());
        } else {
            ProceedOnEveryWait(exec)(p);
        }
    });
    ASSERT_TRUE(exec.StartSchedule(&schedule, QString(), Reports()));
    ASSERT_TRUE(driver.Join());
    EXPECT_EQ(RunStates(), (std::vector<int>{8, 18, 10, 9, 12, 10, 19, 18, 13, 20}));
    EXPECT_EQ(Sent(), (std::vector<Report>{{"1", "2"}, {"1", "2"}, {"1", "9"}, {"2", "2"}, {"2", "3"}}));
}

TEST_F(ScheduleControl, StopDuringTheLastAnswerWaitStillReportsTheTimeOver) {
    // Stop ends the answer wait, timed (10) or for the operator (11); the answer time over
    // is still reported and the answerers still get their second before the endTest.
    for (double responseWait : {30.0, -1.0}) {
        SCOPED_TRACE(responseWait);
        CSchedule s;
        SetTrials(s, 1, {MakeTrial(1, 0, {1}, {}, responseWait)});
        service.ClearRequests();
        ExecObserver seen;
        exec.setNotifyWindow(seen.Handle());
        ExecDriver driver(seen, ExecScheduleEnded, [&](const ExecPost& p) {
            if (p.state == ExecTrialStimulus) {
                exec.Proceed();
            } else if ((p.state == ExecTimedWait && p.b == 1) || p.state == ExecOperatorWait) {
                EXPECT_TRUE(exec.Stop());
            }
        });
        ASSERT_TRUE(exec.StartSchedule(&s, QString(), Reports()));
        ASSERT_TRUE(driver.Join());
        const std::vector<fake::FakeRequest> sent = service.Requests("enforcementTest");
        ASSERT_FALSE(sent.empty());
        EXPECT_EQ(sent.back().Field("QUESTION_STATUS"), "9");
        ASSERT_EQ(service.Count("endTest"), 1u);
        EXPECT_GE(service.Last("endTest").arrival - sent.back().arrival, 1s)
            << "the pause after the answer time over was cut short";
        ASSERT_TRUE(seen.SkipTo(ExecIdle));
    }
}

TEST_F(ScheduleControl, DestructionEndsAWaitingRun) {
    auto table = std::make_unique<CExecTable>();
    ExecObserver seen;
    table->setNotifyWindow(seen.Handle());
    SetTrials(schedule, 1, {MakeTrial(1, -1, {1}, {}, 0)});
    ASSERT_TRUE(table->StartSchedule(&schedule, QString(), Reports()));
    ASSERT_TRUE(seen.SkipTo(ExecOperatorWait));
    const auto before = SteadyClock::now();
    table.reset();
    EXPECT_LT(SteadyClock::now() - before, 5s);
    EXPECT_EQ(seen.States().back(), ExecScheduleEnded);
    EXPECT_EQ(service.Count("endTest"), 1u) << "the service hears that the run ended";
}

} // namespace
