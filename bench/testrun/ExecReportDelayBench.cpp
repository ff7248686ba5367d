// The delay a report adds to the run beyond the service's own answer time: the time from
// the interval state (10) to the next stimulus state (9), which an enforcementTest lies
// between, against a plain post of the same form to the same service.

#include "BenchPosts.h"
#include "Csch.h"
#include "FakeService.h"
#include "ServiceClient.h"
#include "ServiceForm.h"

#include <cstdio>
#include <thread>

int main() {
    constexpr int Samples = 500;
    {
        fake::FakeService service;
        service.SetReply("enforcementTest",
                         fake::FakeReply::Delayed(std::chrono::milliseconds(2), "API_RESULT=0"));
        const QString base = QString::fromStdString(service.BaseUrl()) + QStringLiteral("W0001/");

        CSchedule schedule;
        schedule.stimulusCount = Samples + 1;
        CTrial t;
        t.repeatCount = 1;
        t.startWait = 0;
        t.responseWait = 0;
        t.stimuli.assign(Samples + 1, 1);
        t.intervals.assign(Samples, 0.0);
        schedule.trials.push_back(t);

        BenchPosts posts;
        CExecTable exec;
        exec.setNotifyWindow(posts.handle);
        ExecReportSettings reports;
        reports.testRunSeq = QStringLiteral("1");
        reports.serviceUrl = base;
        // The window: Proceed at once on every stimulus, up to the last one.
        std::thread window([&] {
            size_t next = 0;
            for (;;) {
                const size_t i = posts.WaitFor(ExecTrialStimulus, next);
                next = i + 1;
                exec.Proceed();
                if (posts.All()[i].b == Samples + 1)
                    return;
            }
        });
        if (!exec.StartSchedule(&schedule, QString(), reports))
            return 1;
        posts.WaitFor(ExecScheduleEnded);
        window.join();

        std::vector<double> report;
        BenchClock::time_point interval{};
        for (const BenchPost& p : posts.All()) {
            if (p.state == ExecTimedWait && p.b > 0 && p.b <= Samples)
                interval = p.at;
            else if (p.state == ExecTrialStimulus && p.b > 1 && interval != BenchClock::time_point{})
                report.push_back(Ms(p.at - interval));
        }

        // The reference: the same form posted by a fresh client, as the run's own client
        // opens a new connection for every request.
        std::vector<double> plain;
        tamvik::ServiceClient client;
        const QStringList lines{QStringLiteral("USER_ID="),       QStringLiteral("USER_PWD="),
                                QStringLiteral("TEST_RUN_SEQ=1"), QStringLiteral("TEST_RUN_STATUS=2"),
                                QStringLiteral("QUESTION_NUM=1"), QStringLiteral("QUESTION_STATUS=2"),
                                QStringLiteral("RUN_ROUND_NUM=1")};
        for (int i = 0; i < Samples; ++i) {
            QString reply;
            const auto start = BenchClock::now();
            PostServiceForm(client, base + QStringLiteral("enforcementTest"), lines, reply);
            plain.push_back(Ms(BenchClock::now() - start));
        }

        const double p50 = Percentile(report, 0.5), ref50 = Percentile(plain, 0.5);
        const double p99 = Percentile(report, 0.99), ref99 = Percentile(plain, 0.99);
        std::printf("%zu reports, service answers after 2 ms\n", report.size());
        std::printf("report in the run: p50 %.3f ms, p99 %.3f ms\n", p50, p99);
        std::printf("plain post:        p50 %.3f ms, p99 %.3f ms\n", ref50, ref99);
        std::printf("added by the sequencer: p50 %.3f ms, p99 %.3f ms\n", p50 - ref50, p99 - ref99);
    }
    return 0;
}
