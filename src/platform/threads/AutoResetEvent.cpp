#include "AutoResetEvent.h"

void AutoResetEvent::Set() {
    {
        std::lock_guard guard(m_lock);
        m_set = true;
    }
    m_changed.notify_one();
}

void AutoResetEvent::Reset() {
    std::lock_guard guard(m_lock);
    m_set = false;
}

void AutoResetEvent::Wait() {
    std::unique_lock guard(m_lock);
    m_changed.wait(guard, [this] { return m_set; });
    m_set = false;
}

bool AutoResetEvent::WaitFor(std::chrono::milliseconds timeout) {
    std::unique_lock guard(m_lock);
    // The predicate form re-checks the flag, so a spurious wake-up never ends the wait early.
    if (!m_changed.wait_for(guard, timeout, [this] { return m_set; }))
        return false;
    m_set = false;
    return true;
}
