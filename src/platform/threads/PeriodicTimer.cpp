#include "PeriodicTimer.h"

namespace {
// The timer whose callback runs on this thread, if any: lets Stop and Start recognise a
// call from the callback without touching the thread object another thread may join.
thread_local const PeriodicTimer* t_currentTimer = nullptr;
} // namespace

PeriodicTimer::~PeriodicTimer() {
    Stop();
}

bool PeriodicTimer::Start(int intervalMs, std::function<void()> callback) {
    if (intervalMs < 1 || !callback || t_currentTimer == this)
        return false;
    std::lock_guard control(m_control);
    EndThread();
    std::lock_guard guard(m_lock);
    m_stop = false;
    m_running = true;
    m_thread =
        std::thread(&PeriodicTimer::Run, this, std::chrono::milliseconds(intervalMs), std::move(callback));
    return true;
}

void PeriodicTimer::Stop() {
    if (t_currentTimer == this) {
        // From the callback: the thread ends once the callback returns; joining here
        // would wait for ourselves.
        std::lock_guard guard(m_lock);
        m_stop = true;
        return;
    }
    std::lock_guard control(m_control);
    EndThread();
}

void PeriodicTimer::EndThread() {
    {
        std::lock_guard guard(m_lock);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

bool PeriodicTimer::IsRunning() const {
    std::lock_guard guard(m_lock);
    return m_running && !m_stop;
}

void PeriodicTimer::Run(std::chrono::milliseconds interval, std::function<void()> callback) {
    using Clock = std::chrono::steady_clock;
    t_currentTimer = this;
    auto next = Clock::now() + interval;
    std::unique_lock guard(m_lock);
    for (;;) {
        // The predicate re-checks the stop flag, so a spurious wake-up is not a tick.
        if (m_wake.wait_until(guard, next, [this] { return m_stop; }))
            break;
        guard.unlock();
        callback();
        guard.lock();
        if (m_stop)
            break;
        next += interval;
        auto now = Clock::now();
        if (now > next + interval)
            next = now + interval;
    }
    m_running = false;
    t_currentTimer = nullptr;
}
