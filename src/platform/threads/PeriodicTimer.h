#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// Calls a function every interval on a thread of its own, at a fixed rate (a late tick
// does not shift the later ones; ticks missed by more than one interval are skipped,
// never fired in a burst). Start and Stop may be called from any thread; Stop from the
// timer's own callback only ends the timer (its thread is joined by the next Start, Stop
// from another thread, or the destructor). Do not destroy the timer from its callback.
class PeriodicTimer {
public:
    PeriodicTimer() = default;
    ~PeriodicTimer();
    PeriodicTimer(const PeriodicTimer&) = delete;
    PeriodicTimer& operator=(const PeriodicTimer&) = delete;

    // Starts ticking every intervalMs (>= 1); a running timer is stopped first. False for
    // an interval below 1, an empty callback, or a Start from the timer's own callback.
    bool Start(int intervalMs, std::function<void()> callback);
    // After Stop returns (from another thread), the callback is not running and never
    // runs again.
    void Stop();
    bool IsRunning() const;

private:
    void Run(std::chrono::milliseconds interval, std::function<void()> callback);
    // Stops and joins the thread; called with m_control held, never on the timer thread.
    void EndThread();

    // Serialises Start and Stop of other threads around the thread object.
    std::mutex m_control;
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_stop = false;
    bool m_running = false;
    std::thread m_thread;
};
