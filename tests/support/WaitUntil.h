#pragma once

// Waiting in tests for what another thread brings about. A test never sleeps to let
// something happen: it waits for the condition it means, with a bound that only detects a
// hang (far above the time the condition takes, so a loaded machine never reaches it).

#include <chrono>
#include <functional>
#include <thread>

namespace tamvik_test {

// Polls `done` until it holds (true) or `hang` has passed (false).
inline bool WaitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds hang = std::chrono::seconds(10)) {
    const auto until = std::chrono::steady_clock::now() + hang;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// For what must NOT happen: true when `happened` stayed false for the whole window, which
// is chosen long enough for the fault to show (several periods of what would cause it).
inline bool StaysFalse(const std::function<bool()>& happened, std::chrono::milliseconds window) {
    return !WaitUntil(happened, window);
}

} // namespace tamvik_test
