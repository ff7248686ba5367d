#include "ManualResetEvent.h"

void ManualResetEvent::Set() {
    {
        std::lock_guard guard(m_lock);
        m_set = true;
    }
    m_changed.notify_all();
}

void ManualResetEvent::Reset() {
    {
        std::lock_guard guard(m_lock);
        m_set = false;
    }
    m_changed.notify_all();
}

bool ManualResetEvent::IsSet() const {
    std::lock_guard guard(m_lock);
    return m_set;
}

void ManualResetEvent::Wait() {
    std::unique_lock guard(m_lock);
    m_changed.wait(guard, [this] { return m_set; });
}

bool ManualResetEvent::WaitFor(std::chrono::milliseconds timeout) {
    std::unique_lock guard(m_lock);
    return m_changed.wait_for(guard, timeout, [this] { return m_set; });
}

bool ManualResetEvent::WaitForReset(std::chrono::milliseconds timeout) {
    std::unique_lock guard(m_lock);
    return m_changed.wait_for(guard, timeout, [this] { return !m_set; });
}
