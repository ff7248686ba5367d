#pragma once

#include <functional>
#include <utility>

// A window's dialog made the first time it is used rather than with the window: most
// dialogs of a session are never opened, and building them all made the start slow.
// Reads like the dialog pointer it stands for; Built() asks without making it.
template <typename T> class OnDemand {
public:
    OnDemand() = default;
    OnDemand(const OnDemand&) = delete;
    OnDemand& operator=(const OnDemand&) = delete;

    // How to make the dialog; set once by the owner before the first use.
    void SetMaker(std::function<T*()> make) { m_make = std::move(make); }

    T* Get() {
        if (!m_object && m_make)
            m_object = m_make();
        return m_object;
    }
    operator T*() { return Get(); }
    T* operator->() { return Get(); }

    bool Built() const { return m_object != nullptr; }
    // Deletes the dialog; the next use makes a fresh one.
    void Reset() {
        delete m_object;
        m_object = nullptr;
    }

private:
    std::function<T*()> m_make;
    T* m_object = nullptr;
};
