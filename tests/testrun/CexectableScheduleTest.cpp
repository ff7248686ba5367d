// Schedule runs: the posted states with their trial and position numbers, and the reports
// the answer service receives, for plain runs and for each run option.

#include "ExecObserver.h"
#include "FakeService.h"

#include <QString>
#include <tuple>

namespace {

using Report = std::tuple<int, int, int>; // QUESTION_NUM, QUESTION_STATUS, RUN_ROUND_NUM

ExecReportSettings ReportsTo(const fake::FakeService& service) {
    ExecReportSettings s;
    s.userId = QStringLiteral("user1");
    s.userPassword = QStringLiteral("pw&1");
    s.testRunSeq = QStringLiteral("77");
    s.serviceUrl = QString::fromStdString(service.BaseUrl()) + QStringLiteral("W0001/");
    return s;
}

std::vector<Report> EnforcementReports(const fake::FakeService& service) {
    std::vector<Report> reports;
    for (const fake::FakeRequest& r : service.Requests("enforcementTest"))
        reports.emplace_back(std::stoi(r.Field("QUESTION_NUM")), std::stoi(r.Field("QUESTION_STATUS")),
                             std::stoi(r.Field("RUN_ROUND_NUM")));
    return reports;
}

// The posts of one run, from its begin state on (the idle state of the thread's start may or
// may not reach the window, depending on when it was set).
std::vector<ExecPost> RunPosts(const ExecObserver& observer, int beginState) {
    std::vector<ExecPost> all = observer.All();
    size_t first = 0;
    while (first < all.size() && all[first].state != beginState)
        ++first;
    return {all.begin() + static_cast<std::ptrdiff_t>(first), all.end()};
}

std::vector<int> StatesOf(const std::vector<ExecPost>& posts) {
    std::vector<int> states;
    for (const ExecPost& p : posts)
        states.push_back(p.state);
    return states;
}

class ScheduleRun : public ::testing::Test {
protected:
    // Runs the schedule to its end with a driver that proceeds at every open wait (plus
    // `extra` for each post) and waits for the thread to be idle again.
    void RunToEnd(const QString& selection, const ExecReportSettings* reports,
                  std::function<void(const ExecPost&)> extra = {}) {
        exec.setNotifyWindow(observer.Handle());
        auto proceed = ProceedOnEveryWait(exec);
        ExecDriver driver(observer, ExecScheduleEnded, [&](const ExecPost& p) {
            if (extra)
                extra(p);
            proceed(p);
        });
        ASSERT_TRUE(reports ? exec.StartSchedule(&schedule, selection, *reports)
                            : exec.StartSchedule(&schedule, selection));
        ASSERT_TRUE(driver.Join(30s)) << "the run did not end";
        ASSERT_TRUE(WaitIdle());
    }

    bool WaitIdle() {
        return tamvik_test::WaitUntil(
            [&] { return exec.state() == ExecIdle && exec.scheduleRequest() == nullptr; });
    }

    fake::FakeService service;
    ExecObserver observer;
    CSchedule schedule;
    CExecTable exec;
};

TEST_F(ScheduleRun, PostsAndReportsOfATestRun) {
    SetTrials(schedule, 2,
              {MakeTrial(1, 0, {1, 2}, {0.2}, 0.3), //
               MakeTrial(2, -1, {2, 1}, {-1}, 0.1)});
    const ExecReportSettings reports = ReportsTo(service);
    RunToEnd(QString(), &reports);

    const std::vector<ExecPost> posts = RunPosts(observer, ExecScheduleBegin);
    const std::vector<int> expected{8,  18, 10, 9,  12, 10, 9,  12, 10, 19, 18, 11, 12, 9,  12,
                                    11, 12, 9,  12, 10, 9,  12, 11, 12, 9,  12, 10, 19, 20, 0};
    EXPECT_EQ(StatesOf(posts), expected);

    // Trial and position numbers of the posts (a, b).
    using AB = std::pair<int, int>;
    std::vector<AB> ab;
    for (const ExecPost& p : posts)
        ab.emplace_back(p.a, p.b);
    const std::vector<AB> expectedAB{{0, 0}, {1, 0}, {1, 0}, {1, 1}, {0, 0}, {1, 1}, {1, 2}, {0, 0},
                                     {1, 2}, {1, 0}, {2, 0}, {2, 0}, {0, 0}, {2, 1}, {0, 0}, {2, 1},
                                     {0, 0}, {2, 2}, {0, 0}, {2, 2}, {2, 1}, {0, 0}, {2, 1}, {0, 0},
                                     {2, 2}, {0, 0}, {2, 2}, {2, 0}, {0, 0}, {0, 0}};
    EXPECT_EQ(ab, expectedAB);

    const std::vector<Report> expectedReports{{1, 2, 1}, {1, 2, 1}, {1, 2, 2}, {1, 9, 0},
                                              {2, 2, 1}, {2, 2, 1}, {2, 4, 0}, {2, 2, 2},
                                              {2, 2, 1}, {2, 4, 0}, {2, 2, 2}, {2, 9, 0}};
    EXPECT_EQ(EnforcementReports(service), expectedReports);

    const std::vector<std::string> fieldOrder{"USER_ID",         "USER_PWD",     "TEST_RUN_SEQ",
                                              "TEST_RUN_STATUS", "QUESTION_NUM", "QUESTION_STATUS",
                                              "RUN_ROUND_NUM"};
    for (const fake::FakeRequest& r : service.Requests("enforcementTest")) {
        EXPECT_EQ(r.FieldNames(), fieldOrder);
        EXPECT_EQ(r.Field("USER_ID"), "user1");
        EXPECT_EQ(r.Field("USER_PWD"), "pw&1") << "an '&' must not cut the value";
        EXPECT_EQ(r.Field("TEST_RUN_SEQ"), "77");
        EXPECT_EQ(r.Field("TEST_RUN_STATUS"), "2");
    }
    ASSERT_EQ(service.Count("endTest"), 1u);
    const fake::FakeRequest end = service.Last("endTest");
    EXPECT_EQ(end.FieldNames(),
              (std::vector<std::string>{"USER_ID", "USER_PWD", "TEST_RUN_SEQ", "TEST_RUN_STATUS"}));
    EXPECT_EQ(end.Field("TEST_RUN_STATUS"), "9");

    // Reports go out before the state that they announce: the trial's start report has
    // arrived before the window hears of the trial.
    const auto enforcement = service.Requests("enforcementTest");
    EXPECT_LE(enforcement.front().arrival, posts[1].at);
    EXPECT_LE(end.arrival, posts[posts.size() - 2].at) << "endTest before state 20";
}

TEST_F(ScheduleRun, WithoutRunSequenceNothingIsSent) {
    SetTrials(schedule, 1, {MakeTrial(1, 0, {1}, {}, 0)});
    ExecReportSettings reports = ReportsTo(service);
    reports.testRunSeq.clear();
    RunToEnd(QString(), &reports);
    EXPECT_EQ(service.Requests().size(), 0u);
}

TEST_F(ScheduleRun, ALaterRunWithoutSettingsDoesNotReportToTheEndedRun) {
    SetTrials(schedule, 1, {MakeTrial(1, 0, {1}, {}, 0)});
    const ExecReportSettings reports = ReportsTo(service);
    RunToEnd(QString(), &reports);
    const size_t sent = service.Requests().size();
    EXPECT_EQ(sent, 4u) << "trial start, stimulus, answer time over, endTest";

    RunToEnd(QString(), nullptr); // the audition of the main window
    EXPECT_EQ(service.Requests().size(), sent);
}

TEST_F(ScheduleRun, SelectionAndEmptyRuns) {
    // Unselected trials are skipped; a selection of nothing posts only 8 and 20 and still
    // ends the run on the service.
    SetTrials(schedule, 1,
              {MakeTrial(1, 0, {1}, {}, 0), MakeTrial(1, 0, {2}, {}, 0), MakeTrial(1, 0, {3}, {}, 0)});
    RunToEnd(QStringLiteral("3,1"), nullptr);
    std::vector<int> trialsBegun;
    for (const ExecPost& p : RunPosts(observer, ExecScheduleBegin))
        if (p.state == ExecTrialBegin)
            trialsBegun.push_back(p.a);
    EXPECT_EQ(trialsBegun, (std::vector<int>{1, 3}));

    ExecObserver second;
    exec.setNotifyWindow(second.Handle());
    const ExecReportSettings reports = ReportsTo(service);
    ASSERT_TRUE(exec.StartSchedule(&schedule, QStringLiteral("12"), reports));
    ASSERT_TRUE(second.WaitForCount(3));
    EXPECT_EQ(second.States(), (std::vector<int>{8, 20, 0}));
    EXPECT_EQ(service.Count("enforcementTest"), 0u);
    EXPECT_EQ(service.Count("endTest"), 1u);

    CSchedule none;
    ExecObserver third;
    exec.setNotifyWindow(third.Handle());
    ASSERT_TRUE(exec.StartSchedule(&none, QString()));
    ASSERT_TRUE(third.WaitForCount(3));
    EXPECT_EQ(third.States(), (std::vector<int>{8, 20, 0}));
}

TEST_F(ScheduleRun, RepeatCountZeroAndOnePosition) {
    // Repeat 0: start wait, then the trial ends without a stimulus. One position: no
    // interval after the only stimulus.
    SetTrials(schedule, 1, {MakeTrial(0, 0, {1}, {}, 0), MakeTrial(1, 0, {1}, {}, 0)});
    RunToEnd(QString(), nullptr);
    EXPECT_EQ(StatesOf(RunPosts(observer, ExecScheduleBegin)),
              (std::vector<int>{8, 18, 10, 19, 18, 10, 9, 12, 10, 19, 20, 0}));
}

TEST_F(ScheduleRun, CheckRepetitionWaitsBetweenRepetitionsOnly) {
    SetTrials(schedule, 1, {MakeTrial(2, 0, {1}, {}, 0)});
    exec.setCheckRepetition(true);
    RunToEnd(QString(), nullptr);
    EXPECT_EQ(StatesOf(RunPosts(observer, ExecScheduleBegin)),
              (std::vector<int>{8, 18, 10, 9, 12, 10, 15, 12, 9, 12, 10, 19, 20, 0}));
}

TEST_F(ScheduleRun, WaitResponsesAndFeedbackAfterEachTrial) {
    SetTrials(schedule, 1, {MakeTrial(1, 0, {1}, {}, 0), MakeTrial(1, 0, {2}, {}, 0)});
    exec.setWaitResponses(true);
    exec.setFeedbackSeconds(0.05);
    RunToEnd(QString(), nullptr);
    EXPECT_EQ(
        StatesOf(RunPosts(observer, ExecScheduleBegin)),
        (std::vector<int>{8, 18, 10, 9, 12, 10, 16, 12, 17, 19, 18, 10, 9, 12, 10, 16, 12, 17, 19, 20, 0}));
}

TEST_F(ScheduleRun, EndlessTrialRepeatsUntilCancelRepeat) {
    // Every response wait of an endless trial reports the answer time over; cancelRepeat,
    // set by the window during the third presentation, ends it after that repetition.
    SetTrials(schedule, 1, {MakeTrial(-1, 0, {1}, {}, 0), MakeTrial(1, 0, {2}, {}, 0)});
    const ExecReportSettings reports = ReportsTo(service);
    int presentations = 0;
    RunToEnd(QString(), &reports, [&](const ExecPost& p) {
        if (p.state == ExecTrialStimulus && p.a == 1 && ++presentations == 3)
            exec.setCancelRepeat(true);
        if (p.state == ExecTrialEnd)
            exec.setCancelRepeat(false); // as the windows release their repeat button
    });
    EXPECT_EQ(presentations, 3);
    const std::vector<Report> expected{{1, 2, 1}, {1, 2, 1}, {1, 9, 0}, {1, 2, 1}, {1, 9, 0},
                                       {1, 2, 1}, {1, 9, 0}, {2, 2, 1}, {2, 2, 1}, {2, 9, 0}};
    EXPECT_EQ(EnforcementReports(service), expected);
}

TEST_F(ScheduleRun, CancelRepeatDuringTheWaitBetweenRepetitions) {
    SetTrials(schedule, 1, {MakeTrial(3, 0, {1}, {}, 0)});
    exec.setCheckRepetition(true);
    RunToEnd(QString(), nullptr, [&](const ExecPost& p) {
        if (p.state == ExecRepetitionWait)
            exec.setCancelRepeat(true);
    });
    exec.setCancelRepeat(false);
    EXPECT_EQ(StatesOf(RunPosts(observer, ExecScheduleBegin)),
              (std::vector<int>{8, 18, 10, 9, 12, 10, 15, 12, 19, 20, 0}));
}

} // namespace
