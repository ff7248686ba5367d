#pragma once

#include <thread>

// Reads the sound system's configuration on a thread of its own while the program builds
// its window, so the window's first device query finds it read. The configuration is
// shared and guarded by the sound library; whoever needs it first simply waits for it.
class StartupWarmUp {
public:
    StartupWarmUp();
    ~StartupWarmUp();
    StartupWarmUp(const StartupWarmUp&) = delete;
    StartupWarmUp& operator=(const StartupWarmUp&) = delete;

private:
    std::thread m_thread;
};
