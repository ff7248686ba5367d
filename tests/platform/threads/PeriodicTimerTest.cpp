#include "PeriodicTimer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace std::chrono_literals;

namespace {

TEST(PeriodicTimer, TicksAtItsIntervalUntilStopped) {
    PeriodicTimer timer;
    std::atomic<int> ticks{0};
    EXPECT_FALSE(timer.Start(0, [&] { ticks++; }));
    EXPECT_FALSE(timer.Start(10, {}));
    ASSERT_TRUE(timer.Start(10, [&] { ticks++; }));
    EXPECT_TRUE(timer.IsRunning());
    std::this_thread::sleep_for(205ms);
    timer.Stop();
    int atStop = ticks;
    EXPECT_FALSE(timer.IsRunning());
    // A fixed-rate 10 ms timer over ~200 ms; generous bounds for a loaded machine.
    EXPECT_GE(atStop, 10);
    EXPECT_LE(atStop, 21);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(ticks, atStop) << "no tick may run after Stop returned";
    timer.Stop(); // stopping a stopped timer is harmless
}

TEST(PeriodicTimer, StopFromItsOwnCallbackEndsWithoutJoiningItself) {
    PeriodicTimer timer;
    std::atomic<int> ticks{0};
    ASSERT_TRUE(timer.Start(1, [&] {
        if (++ticks == 3)
            timer.Stop();
    }));
    auto deadline = std::chrono::steady_clock::now() + 5s;
    while (timer.IsRunning() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    EXPECT_FALSE(timer.IsRunning());
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(ticks, 3);
    // The timer can be started again after stopping itself.
    std::atomic<int> again{0};
    ASSERT_TRUE(timer.Start(1, [&] { again++; }));
    while (again < 2 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    timer.Stop();
    EXPECT_GE(again, 2);
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
    while (first < 1)
        std::this_thread::sleep_for(1ms);
    timer.Start(2, [&] { second++; });
    int firstAtRestart = first;
    while (second < 3)
        std::this_thread::sleep_for(1ms);
    timer.Stop();
    EXPECT_EQ(first, firstAtRestart);
    EXPECT_GE(refused, 1);
}

} // namespace
