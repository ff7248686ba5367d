#include "AudioDeviceListener.h"

#include "Messages.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

AudioDeviceListener::AudioDeviceListener() {
    m_udev = udev_new();
    if (m_udev == nullptr)
        return;
    m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_monitor == nullptr || m_wakeFd < 0 ||
        udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "sound", nullptr) < 0 ||
        udev_monitor_enable_receiving(m_monitor) < 0) {
        if (m_monitor)
            udev_monitor_unref(m_monitor);
        m_monitor = nullptr;
        return;
    }
    m_thread = std::thread(&AudioDeviceListener::Run, this);
}

AudioDeviceListener::~AudioDeviceListener() {
    if (m_thread.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = write(m_wakeFd, &one, sizeof one);
        m_thread.join();
    }
    if (m_wakeFd >= 0)
        close(m_wakeFd);
    if (m_monitor)
        udev_monitor_unref(m_monitor);
    if (m_udev)
        udev_unref(m_udev);
}

void AudioDeviceListener::OnDeviceEvent(const char* action, const char* sysname) {
    if (action == nullptr || sysname == nullptr || std::strncmp(sysname, "card", 4) != 0)
        return;
    if (std::strcmp(action, "add") != 0 && std::strcmp(action, "change") != 0 &&
        std::strcmp(action, "remove") != 0)
        return;
    // Posted, never sent: the notice thread must not wait for the window.
    PostMessage(window.load(), WM_AUDIO_DEVICE_CHANGED, 0, 0);
}

void AudioDeviceListener::Run() {
    pollfd fds[2] = {{udev_monitor_get_fd(m_monitor), POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
    for (;;) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        if (fds[0].revents & POLLIN) {
            if (udev_device* device = udev_monitor_receive_device(m_monitor)) {
                OnDeviceEvent(udev_device_get_action(device), udev_device_get_sysname(device));
                udev_device_unref(device);
            }
        }
    }
}
