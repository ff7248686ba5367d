// Overshoot of the sequencer's timed waits (a trial's start wait, from state 10 to state
// 19) over 1000 waits, against a plain condition-variable wait of the same length.

#include "BenchPosts.h"
#include "Csch.h"

#include <cstdio>

int main() {
    constexpr int Waits = 1000;
    constexpr double WaitSeconds = 0.005;

    CSchedule schedule;
    schedule.stimulusCount = 1;
    for (int i = 0; i < Waits; ++i) {
        CTrial t;
        t.repeatCount = 0; // the start wait only
        t.startWait = WaitSeconds;
        t.stimuli = {1};
        schedule.trials.push_back(t);
    }

    BenchPosts posts;
    CExecTable exec;
    exec.setNotifyWindow(posts.handle);
    if (!exec.StartSchedule(&schedule, QString()))
        return 1;
    posts.WaitFor(ExecScheduleEnded);

    std::vector<double> overshoot;
    BenchClock::time_point began;
    for (const BenchPost& p : posts.All()) {
        if (p.state == ExecTimedWait)
            began = p.at;
        else if (p.state == ExecTrialEnd)
            overshoot.push_back(Ms(p.at - began) - WaitSeconds * 1000);
    }

    std::vector<double> reference;
    std::mutex lock;
    std::condition_variable never;
    for (int i = 0; i < Waits; ++i) {
        std::unique_lock guard(lock);
        const auto start = BenchClock::now();
        const auto deadline = start + std::chrono::microseconds(static_cast<long>(WaitSeconds * 1e6));
        while (never.wait_until(guard, deadline) != std::cv_status::timeout) {
        }
        reference.push_back(Ms(BenchClock::now() - start) - WaitSeconds * 1000);
    }

    std::printf("timed waits of %.0f ms, %zu samples\n", WaitSeconds * 1000, overshoot.size());
    std::printf("sequencer overshoot: p50 %.3f ms, p99 %.3f ms, min %.3f ms\n", Percentile(overshoot, 0.5),
                Percentile(overshoot, 0.99), Percentile(overshoot, 0.0));
    std::printf("plain wait overshoot: p50 %.3f ms, p99 %.3f ms\n", Percentile(reference, 0.5),
                Percentile(reference, 0.99));
    return 0;
}
