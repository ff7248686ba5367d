#include "AutoResetEvent.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

TEST(AutoResetEvent, SetIsKeptUntilOneWaitConsumesIt) {
    AutoResetEvent event;
    EXPECT_FALSE(event.WaitFor(0ms));
    event.Set();
    event.Set(); // two sets before a wait count once
    EXPECT_TRUE(event.WaitFor(0ms));
    EXPECT_FALSE(event.WaitFor(0ms)) << "the event must reset itself after one wait";

    AutoResetEvent initially(true);
    initially.Wait();
    initially.Set();
    initially.Reset();
    EXPECT_FALSE(initially.WaitFor(0ms));
}

TEST(AutoResetEvent, WaitForTimesOutAfterTheTimeGiven) {
    AutoResetEvent event;
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(event.WaitFor(30ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 30ms);
}

TEST(AutoResetEvent, EachSetReleasesOneWaiter) {
    AutoResetEvent event;
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i)
        waiters.emplace_back([&] {
            if (event.WaitFor(5s))
                released++;
        });
    for (int i = 1; i <= 3; ++i) {
        event.Set();
        auto deadline = std::chrono::steady_clock::now() + 5s;
        while (released < i && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
        std::this_thread::sleep_for(5ms);
        EXPECT_EQ(released, i);
    }
    for (auto& t : waiters)
        t.join();
}

} // namespace
