// Timed waits of a schedule run, measured against the wait itself and, for the output, against a
// plain timed wait of the same length in the same run.

#include "ExecObserver.h"

#include <condition_variable>
#include <cstdio>

namespace {

double Seconds(SteadyClock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// How long a plain condition-variable wait of `seconds` overshoots here and now: the
// machine's own timer and scheduling delay, the reference for the sequencer's.
double ReferenceOvershoot(double seconds) {
    std::mutex lock;
    std::condition_variable never;
    std::unique_lock guard(lock);
    const auto start = SteadyClock::now();
    const auto deadline =
        start + std::chrono::duration_cast<SteadyClock::duration>(std::chrono::duration<double>(seconds));
    while (never.wait_until(guard, deadline) != std::cv_status::timeout) {
    }
    return Seconds(SteadyClock::now() - start) - seconds;
}

TEST(Timing, TimedWaitsNeverEndEarlyNorRunAway) {
    const std::vector<double> waits{0.2, 0.4, 0.8};
    CSchedule schedule;
    std::vector<CTrial> trials;
    for (double w : waits)
        trials.push_back(MakeTrial(0, w, {1}, {}, 0)); // start wait only
    SetTrials(schedule, 1, trials);

    // The reference is taken before and after the run, so that a machine that is busy for
    // part of the time counts as loaded.
    double reference = 0;
    for (double w : waits)
        reference = std::max(reference, ReferenceOvershoot(w) / w);

    ExecObserver observer;
    CExecTable exec;
    exec.setNotifyWindow(observer.Handle());
    ExecDriver driver(observer, ExecScheduleEnded, [&](const ExecPost& p) {
        if (p.state == ExecTimedWait) {
            EXPECT_FALSE(exec.Proceed()) << "Proceed must not end a timed wait";
        }
    });
    ASSERT_TRUE(exec.StartSchedule(&schedule, QString()));
    ASSERT_TRUE(driver.Join());

    std::vector<double> elapsed;
    SteadyClock::time_point waitBegan;
    for (const ExecPost& p : observer.All()) {
        if (p.state == ExecTimedWait)
            waitBegan = p.at;
        else if (p.state == ExecTrialEnd)
            elapsed.push_back(Seconds(p.at - waitBegan));
    }
    ASSERT_EQ(elapsed.size(), waits.size());

    for (double w : waits)
        reference = std::max(reference, ReferenceOvershoot(w) / w);
    // A wait never ends early. How little it overshoots depends on the machine's load at
    // that moment (the reference shows it in the output); the bound here only catches a
    // wait that runs away, on however busy a machine.
    for (size_t i = 0; i < waits.size(); ++i) {
        const double overshoot = (elapsed[i] - waits[i]) / waits[i];
        std::printf("wait %.1f s: elapsed %.4f s, overshoot %.2f%% (reference %.2f%%)\n", waits[i],
                    elapsed[i], overshoot * 100, reference * 100);
        EXPECT_GE(elapsed[i], waits[i]) << "a timed wait ended early";
        EXPECT_LE(overshoot, 1.0) << "wait " << waits[i] << " ran away";
    }
}

} // namespace
