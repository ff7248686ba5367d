// The run's reports against a failing or hung answer service: bounded in time, abandoned
// on Stop and termination, and never holding up the run for good.

#include "ExecObserver.h"
#include "FakeService.h"
#include "ServiceClient.h"
#include "WaitUntil.h"

namespace {

constexpr auto Hang = 60s;
// What "did not wait on the hung service" allows: far below the hang, and generous
// enough for a loaded machine (abandoning takes up to about a second).
constexpr double Prompt = 0.1 * std::chrono::duration<double>(Hang).count();

class HungService : public ::testing::Test {
protected:
    void SetUp() override {
        exec = std::make_unique<CExecTable>();
        exec->setNotifyWindow(observer.Handle());
        SetTrials(schedule, 1, {MakeTrial(1, 0, {1}, {}, 0)});
        reports.testRunSeq = QStringLiteral("3");
        reports.serviceUrl = QString::fromStdString(service.BaseUrl()) + QStringLiteral("W0001/");
        reports.connectTimeoutMs = 1000;
        reports.totalTimeoutMs = 1000;
    }

    double SecondsSince(SteadyClock::time_point t) const {
        return std::chrono::duration<double>(SteadyClock::now() - t).count();
    }

    fake::FakeService service;
    ExecObserver observer;
    CSchedule schedule;
    ExecReportSettings reports;
    std::unique_ptr<CExecTable> exec;
};

TEST_F(HungService, StopAbandonsTheReportAndStillSendsTheBoundedEndTest) {
    service.SetReply("enforcementTest", fake::FakeReply::Delayed(Hang, "API_RESULT=0"));
    service.SetReply("endTest", fake::FakeReply::Delayed(Hang, "API_RESULT=0"));
    ASSERT_TRUE(exec->StartSchedule(&schedule, QString(), reports));
    ASSERT_TRUE(service.WaitFor("enforcementTest", 1, 5s));
    const auto stopped = SteadyClock::now();
    EXPECT_TRUE(exec->Stop());
    ASSERT_TRUE(observer.SkipTo(ExecScheduleEnded, 20s));
    const double took = SecondsSince(stopped);
    // Abandoning the report takes about a second at most; the endTest at most its total
    // time-out.
    EXPECT_LT(took, Prompt) << "Stop waited on the hung service";
    EXPECT_EQ(service.Count("enforcementTest"), 1u) << "no further report after Stop";
    EXPECT_EQ(service.Count("endTest"), 1u) << "the run's end is still reported";
    EXPECT_EQ(StatesOfRun(observer), (std::vector<int>{8, 18, 20}));
}

TEST_F(HungService, PauseAndStopDoNotWaitForAHungService) {
    // The trial's start is answered; the stimulus report and the pause report hang.
    service.SetReply("enforcementTest", fake::FakeReply::Delayed(Hang, "API_RESULT=0"));
    service.QueueReply("enforcementTest", fake::FakeReply::Text("API_RESULT=0"));
    reports.totalTimeoutMs = 30000; // longer than the test would wait
    ASSERT_TRUE(exec->StartSchedule(&schedule, QString(), reports));
    ASSERT_TRUE(service.WaitFor("enforcementTest", 2, 5s));
    auto asked = SteadyClock::now();
    EXPECT_TRUE(exec->Pause());
    ASSERT_TRUE(observer.SkipTo(ExecTrialPaused, 20s));
    EXPECT_LT(SecondsSince(asked), Prompt) << "the pause waited on the hung stimulus report";

    ASSERT_TRUE(service.WaitFor("enforcementTest", 3, 5s)) << "the pause itself is reported";
    asked = SteadyClock::now();
    EXPECT_TRUE(exec->Stop());
    ASSERT_TRUE(observer.SkipTo(ExecScheduleEnded, 20s));
    EXPECT_LT(SecondsSince(asked), Prompt) << "Stop waited on the hung pause report";
    EXPECT_EQ(service.Count("endTest"), 1u);
}

TEST_F(HungService, TerminationAbandonsReportsAndBoundsTheEndTest) {
    // The trial's report hangs and is abandoned; the endTest is still sent, and when it
    // hangs too, exit waits only its short bound.
    service.SetReply("enforcementTest", fake::FakeReply::Delayed(Hang, "API_RESULT=0"));
    service.SetReply("endTest", fake::FakeReply::Delayed(Hang, "API_RESULT=0"));
    reports.totalTimeoutMs = 30000; // longer than the test would wait
    ASSERT_TRUE(exec->StartSchedule(&schedule, QString(), reports));
    ASSERT_TRUE(service.WaitFor("enforcementTest", 1, 5s));
    const auto destroyed = SteadyClock::now();
    exec.reset();
    EXPECT_LT(SecondsSince(destroyed), Prompt) << "program exit waited on the hung service";
    EXPECT_EQ(service.Count("endTest"), 1u);
}

TEST_F(HungService, AReportEndsAtItsTotalTimeOutAndTheRunGoesOn) {
    service.QueueReply("enforcementTest", fake::FakeReply::Delayed(Hang, "API_RESULT=0"));
    ExecDriver driver(observer, ExecScheduleEnded, ProceedOnEveryWait(*exec));
    const auto started = SteadyClock::now();
    ASSERT_TRUE(exec->StartSchedule(&schedule, QString(), reports));
    ASSERT_TRUE(driver.Join(20s));
    const double took = SecondsSince(started);
    const double total = reports.totalTimeoutMs / 1000.0;
    // One hung report, the answer time over pause of 1 s, and little else.
    EXPECT_GE(took, total);
    EXPECT_LT(took, 3.0 * (total + 1.0));
    EXPECT_EQ(service.Count("enforcementTest"), 3u);
    EXPECT_EQ(service.Count("endTest"), 1u);
}

TEST_F(HungService, AFailingServiceDoesNotStopTheRun) {
    struct Case {
        const char* name;
        bool refuse;
        int status;
    };
    for (const Case& c : {Case{"connection refused", true, 200}, Case{"server error", false, 500}}) {
        SCOPED_TRACE(c.name);
        ExecReportSettings r = reports;
        if (c.refuse)
            r.serviceUrl =
                QStringLiteral("http://127.0.0.1:%1/W0001/").arg(fake::FakeService::RefusingPort());
        service.SetReply("enforcementTest", fake::FakeReply::Status(c.status, "API_RESULT=1"));
        ExecObserver seen;
        exec->setNotifyWindow(seen.Handle());
        ExecDriver driver(seen, ExecScheduleEnded, ProceedOnEveryWait(*exec));
        ASSERT_TRUE(exec->StartSchedule(&schedule, QString(), r));
        ASSERT_TRUE(driver.Join(20s));
        EXPECT_EQ(StatesOfRun(seen), (std::vector<int>{8, 18, 10, 9, 12, 10, 19, 20}));
        ASSERT_TRUE(seen.SkipTo(ExecIdle));
    }
}

// The reports go through the client the window hands over, its proxy included; the run
// keeps that client while the window lets go of it, and releases it when the run ends.
TEST_F(HungService, ReportsGoThroughTheHandedClient) {
    fake::FakeService proxy;
    auto client = std::make_shared<tamvik::ServiceClient>();
    client->SetProxy(QStringLiteral("127.0.0.1"), proxy.Port());
    const std::weak_ptr<tamvik::ServiceClient> held = client;
    ExecReportSettings r = reports;
    r.serviceUrl = QStringLiteral("http://127.0.0.1:%1/W0001/").arg(fake::FakeService::RefusingPort());
    r.webClient = std::move(client);
    ExecDriver driver(observer, ExecScheduleEnded, ProceedOnEveryWait(*exec));
    ASSERT_TRUE(exec->StartSchedule(&schedule, QString(), r));
    r.webClient.reset(); // the window is gone
    ASSERT_TRUE(driver.Join(20s));
    EXPECT_GE(proxy.Count("enforcementTest"), 1u);
    EXPECT_EQ(proxy.Count("endTest"), 1u);
    EXPECT_EQ(service.Requests().size(), 0u);
    EXPECT_TRUE(tamvik_test::WaitUntil([&] { return held.expired(); })) << "the run let go of the client";
}

} // namespace
