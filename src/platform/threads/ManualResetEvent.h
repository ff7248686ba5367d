#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

// An event that stays set until Reset; every waiter passes while it is set. Waiters can
// also wait for the reset (a worker acknowledging a request by resetting the event).
class ManualResetEvent {
public:
    explicit ManualResetEvent(bool initiallySet = false) : m_set(initiallySet) {}
    ManualResetEvent(const ManualResetEvent&) = delete;
    ManualResetEvent& operator=(const ManualResetEvent&) = delete;

    void Set();
    void Reset();
    bool IsSet() const;
    void Wait();
    // True when the event is set within the time.
    bool WaitFor(std::chrono::milliseconds timeout);
    // True when the event is reset within the time.
    bool WaitForReset(std::chrono::milliseconds timeout);

private:
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_set;
};
