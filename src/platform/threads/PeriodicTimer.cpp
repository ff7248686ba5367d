#include "PeriodicTimer.h"

namespace {
// The timer whose callback runs on this thread, if any: lets Stop and Start recognise a
// call from the callback.
thread_local const PeriodicTimer* t_currentTimer = nullptr;
} // namespace

PeriodicTimer::~PeriodicTimer() {
    {
        std::unique_lock guard(m_lock);
        StopLocked(guard);
        m_quit = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

bool PeriodicTimer::Start(int intervalMs, std::function<void()> callback) {
    if (intervalMs < 1 || !callback || t_currentTimer == this)
        return false;
    {
        std::unique_lock guard(m_lock);
        StopLocked(guard);
        m_callback = std::move(callback);
        m_interval = std::chrono::milliseconds(intervalMs);
        m_active = true;
        ++m_generation;
        if (!m_thread.joinable())
            m_thread = std::thread(&PeriodicTimer::Run, this);
    }
    m_wake.notify_all();
    return true;
}

void PeriodicTimer::CreateThread() {
    std::lock_guard guard(m_lock);
    if (!m_thread.joinable() && !m_quit)
        m_thread = std::thread(&PeriodicTimer::Run, this);
}

bool PeriodicTimer::HasThread() const {
    std::lock_guard guard(m_lock);
    return m_thread.joinable();
}

void PeriodicTimer::Stop() {
    std::unique_lock guard(m_lock);
    StopLocked(guard);
}

void PeriodicTimer::StopLocked(std::unique_lock<std::mutex>& guard) {
    m_active = false;
    m_wake.notify_all();
    // From the callback: the ticking ends once it returns; waiting here would wait for
    // ourselves.
    if (t_currentTimer != this)
        m_idle.wait(guard, [this] { return !m_inCallback; });
}

bool PeriodicTimer::IsRunning() const {
    std::lock_guard guard(m_lock);
    return m_active;
}

void PeriodicTimer::Run() {
    using Clock = std::chrono::steady_clock;
    t_currentTimer = this;
    std::unique_lock guard(m_lock);
    for (;;) {
        m_wake.wait(guard, [this] { return m_quit || m_active; });
        if (m_quit)
            break;
        const unsigned generation = m_generation;
        const auto interval = m_interval;
        const auto ended = [this, generation] { return m_quit || !m_active || m_generation != generation; };
        auto next = Clock::now() + interval;
        // The predicate re-checks the flags, so a spurious wake-up is not a tick.
        while (!m_wake.wait_until(guard, next, ended)) {
            m_inCallback = true;
            guard.unlock();
            m_callback();
            guard.lock();
            m_inCallback = false;
            m_idle.notify_all();
            next += interval;
            const auto now = Clock::now();
            if (now > next + interval)
                next = now + interval;
        }
    }
    t_currentTimer = nullptr;
}
