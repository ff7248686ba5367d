#include "PeriodicTimer.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace std::chrono_literals;
using tamvik_test::StaysFalse;
using tamvik_test::WaitUntil;

namespace {

TEST(PeriodicTimer, TicksAtItsIntervalUntilStopped) {
    PeriodicTimer timer;
    std::atomic<int> ticks{0};
    EXPECT_FALSE(timer.Start(0, [&] { ticks++; }));
    EXPECT_FALSE(timer.Start(10, {}));
    const auto begin = std::chrono::steady_clock::now();
    ASSERT_TRUE(timer.Start(10, [&] { ticks++; }));
    EXPECT_TRUE(timer.IsRunning());
    ASSERT_TRUE(WaitUntil([&] { return ticks >= 10; }));
    // A timer never ticks early: the tenth tick of a 10 ms timer comes 100 ms after the start.
    EXPECT_GE(std::chrono::steady_clock::now() - begin, 99ms);
    timer.Stop();
    const int atStop = ticks;
    EXPECT_FALSE(timer.IsRunning());
    EXPECT_TRUE(StaysFalse([&] { return ticks != atStop; }, 50ms)) << "no tick may run after Stop returned";
    timer.Stop(); // stopping a stopped timer is harmless
}

TEST(PeriodicTimer, StopFromItsOwnCallbackEndsWithoutJoiningItself) {
    PeriodicTimer timer;
    std::atomic<int> ticks{0};
    ASSERT_TRUE(timer.Start(1, [&] {
        if (++ticks == 3)
            timer.Stop();
    }));
    EXPECT_TRUE(WaitUntil([&] { return !timer.IsRunning(); }));
    EXPECT_TRUE(StaysFalse([&] { return ticks != 3; }, 20ms));
    // The timer can be started again after stopping itself.
    std::atomic<int> again{0};
    ASSERT_TRUE(timer.Start(1, [&] { again++; }));
    EXPECT_TRUE(WaitUntil([&] { return again >= 2; }));
    timer.Stop();
}

// The owner's Stop racing the timer's own Stop (a watchdog stopping its stream) must
// neither deadlock nor join twice.
TEST(PeriodicTimer, StopFromCallbackRacingStopFromOwner) {
    for (int round = 0; round < 200; ++round) {
        PeriodicTimer timer;
        std::atomic<bool> ticked{false};
        timer.Start(1, [&] {
            ticked = true;
            timer.Stop();
        });
        while (!ticked)
            std::this_thread::yield();
        timer.Stop();
        EXPECT_FALSE(timer.IsRunning());
    }
}

TEST(PeriodicTimer, StartFromOwnCallbackIsRefusedAndRestartReplacesTheCallback) {
    PeriodicTimer timer;
    std::atomic<int> first{0}, second{0};
    std::atomic<int> refused{0};
    timer.Start(2, [&] {
        first++;
        if (!timer.Start(2, [] {}))
            refused++;
    });
    ASSERT_TRUE(WaitUntil([&] { return first >= 1; }));
    timer.Start(2, [&] { second++; });
    int firstAtRestart = first;
    ASSERT_TRUE(WaitUntil([&] { return second >= 3; }));
    timer.Stop();
    EXPECT_EQ(first, firstAtRestart);
    EXPECT_GE(refused, 1);
}

} // namespace

// A thread made ahead waits without ticking, serves the first Start, and a timer that was
// never started still ends it on destruction.
TEST(PeriodicTimer, ThreadMadeAheadIsParkedUntilStart) {
    {
        PeriodicTimer unused;
        unused.CreateThread();
        EXPECT_TRUE(unused.HasThread());
    }
    PeriodicTimer timer;
    EXPECT_FALSE(timer.HasThread());
    timer.CreateThread();
    timer.CreateThread(); // a second call keeps the one thread
    EXPECT_TRUE(timer.HasThread());
    EXPECT_FALSE(timer.IsRunning());
    std::atomic<int> ticks{0};
    ASSERT_TRUE(timer.Start(1, [&] { ticks++; }));
    EXPECT_TRUE(WaitUntil([&] { return ticks >= 3; }));
    timer.Stop();
}
