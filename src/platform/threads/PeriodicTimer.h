#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// Calls a function every interval on a thread of its own, at a fixed rate (a late tick
// does not shift the later ones; ticks missed by more than one interval are skipped,
// never fired in a burst). Start and Stop may be called from any thread; Stop from the
// timer's own callback only ends the ticking. The thread is made by the first Start and
// waits between a Stop and the next Start, so a restart costs no thread creation (an
// audio stream starts its timers on every play); the destructor ends it. Do not destroy
// the timer from its callback.
class PeriodicTimer {
public:
    PeriodicTimer() = default;
    ~PeriodicTimer();
    PeriodicTimer(const PeriodicTimer&) = delete;
    PeriodicTimer& operator=(const PeriodicTimer&) = delete;

    // Makes the timer's thread now, parked until a Start, so that the first Start too costs
    // no thread creation; a no-op when the thread exists. Never from the callback.
    void CreateThread();
    // Starts ticking every intervalMs (>= 1) from now; a running timer is stopped first.
    // False for an interval below 1, an empty callback, or a Start from the timer's own
    // callback.
    bool Start(int intervalMs, std::function<void()> callback);
    // After Stop returns (from another thread), the callback is not running and never
    // runs again until the next Start.
    void Stop();
    bool IsRunning() const;
    bool HasThread() const;

private:
    void Run();
    // With m_lock held: ends the ticking and, off the timer's thread, waits until the
    // callback has returned.
    void StopLocked(std::unique_lock<std::mutex>& guard);

    mutable std::mutex m_lock;
    std::condition_variable m_wake; // to the timer's thread: start, stop or quit
    std::condition_variable m_idle; // from the timer's thread: the callback returned
    std::function<void()> m_callback;
    std::chrono::milliseconds m_interval{0};
    bool m_active = false;
    bool m_inCallback = false;
    bool m_quit = false;
    unsigned m_generation = 0; // Starts so far: a restart begins a new schedule
    std::thread m_thread;
};
