#pragma once

// Records the sequencer's posts with their arrival times, for the benchmarks.

#include "Cexectable.h"
#include "Messages.h"
#include "Post.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <vector>

using BenchClock = std::chrono::steady_clock;

struct BenchPost {
    int state;
    int a;
    int b;
    BenchClock::time_point at;
};

class BenchPosts {
public:
    BenchPosts() { handle = RegisterMessageReceiver(&BenchPosts::Receive, this); }
    ~BenchPosts() { UnregisterMessageReceiver(handle); }

    // Waits for a post of `state`, counting from post number `from`; returns its index.
    size_t WaitFor(int state, size_t from = 0) {
        std::unique_lock guard(lock);
        size_t i = from;
        changed.wait(guard, [&] {
            for (; i < posts.size(); ++i)
                if (posts[i].state == state)
                    return true;
            return false;
        });
        return i;
    }

    std::vector<BenchPost> All() {
        std::lock_guard guard(lock);
        return posts;
    }

    WindowHandle handle = 0;

private:
    static void Receive(void* context, uint32_t msg, intptr_t wParam, intptr_t lParam) {
        auto* self = static_cast<BenchPosts*>(context);
        if (msg != WM_EXECTABLE)
            return;
        {
            std::lock_guard guard(self->lock);
            self->posts.push_back(
                {static_cast<int>(wParam), ExecTableA(lParam), ExecTableB(lParam), BenchClock::now()});
        }
        self->changed.notify_all();
    }

    std::mutex lock;
    std::condition_variable changed;
    std::vector<BenchPost> posts;
};

inline double Percentile(std::vector<double> values, double p) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t i = std::min(values.size() - 1, static_cast<size_t>(p * static_cast<double>(values.size())));
    return values[i];
}

inline double Ms(BenchClock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}
