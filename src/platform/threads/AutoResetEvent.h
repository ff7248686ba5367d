#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

// An event that lets exactly one waiter through per Set and then resets itself. A Set
// with nobody waiting is kept until the next wait; several Sets before a wait count once.
class AutoResetEvent {
public:
    explicit AutoResetEvent(bool initiallySet = false) : m_set(initiallySet) {}
    AutoResetEvent(const AutoResetEvent&) = delete;
    AutoResetEvent& operator=(const AutoResetEvent&) = delete;

    void Set();
    void Reset();
    void Wait();
    // True when the event was set within the time (and is consumed), false on time-out.
    bool WaitFor(std::chrono::milliseconds timeout);

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_set;
};
