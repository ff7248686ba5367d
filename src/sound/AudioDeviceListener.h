#pragma once

#include <atomic>
#include <thread>

#include "Post.h"

struct udev;
struct udev_monitor;

// Tells the main window when sound devices come or go: watches udev's "sound" subsystem
// on a thread of its own and posts WM_AUDIO_DEVICE_CHANGED (wParam 0, lParam 0). Where
// udev is absent it constructs and destructs quietly and never posts. A member of the
// main window, which assigns `window`.
class AudioDeviceListener {
public:
    AudioDeviceListener();
    ~AudioDeviceListener();
    AudioDeviceListener(const AudioDeviceListener&) = delete;
    AudioDeviceListener& operator=(const AudioDeviceListener&) = delete;

    // The receiver; 0 = no messages.
    std::atomic<WindowHandle> window{0};

    // One udev notice: a sound card becoming available (add, change) or going away
    // (remove) is reported; its sub-devices (PCMs, controls) and other actions are not,
    // so one plug gives one burst at most.
    void OnDeviceEvent(const char* action, const char* sysname);
    bool IsMonitoring() const { return m_monitor != nullptr; }

private:
    void Run();

    struct udev* m_udev = nullptr;
    struct udev_monitor* m_monitor = nullptr;
    int m_wakeFd = -1; // eventfd that ends the monitor thread
    std::thread m_thread;
};
