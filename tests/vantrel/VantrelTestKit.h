#pragma once

// Helpers of the VANTREL tests: a temporary folder with a driver registry file, the
// VANTREL_DRIVERS variable pointed at it, and a window of the message facility that
// records what it is posted.

#include "Messages.h"
#include "Post.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace vantrel_test {

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vantrel-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr)
            path = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!path.empty())
            std::filesystem::remove_all(path, ignored);
    }
    std::string File(const std::string& name) const { return path + "/" + name; }
    std::string path;
};

// Writes drivers.ini into the folder and points VANTREL_DRIVERS at it for the test.
class DriverRegistry {
public:
    explicit DriverRegistry(const std::string& text) {
        path = folder.File("drivers.ini");
        std::ofstream(path) << text;
        ::setenv("VANTREL_DRIVERS", path.c_str(), 1);
    }
    ~DriverRegistry() { ::unsetenv("VANTREL_DRIVERS"); }
    TempFolder folder;
    std::string path;
};

// A null-driver section with the given extra option lines.
inline std::string NullSection(const std::string& name, const std::string& options = "") {
    return "[" + name + "]\nclsid=vantrel.null\npath=" VANTREL_NULL_PLUGIN "\ndescription=" + name + "\n" +
           options + "\n";
}

struct Message {
    uint32_t msg;
    intptr_t wParam;
    intptr_t lParam;
};

// A registered receiver that keeps every message; tests wait on a condition over them.
class MessageLog {
public:
    MessageLog() { handle = RegisterMessageReceiver(&MessageLog::Receive, this); }
    ~MessageLog() { UnregisterMessageReceiver(handle); }

    WindowHandle Handle() const { return handle; }

    std::vector<Message> Snapshot() {
        std::lock_guard lock(mutex);
        return messages;
    }

    // True when the predicate held within the time-out.
    bool WaitFor(const std::function<bool(const std::vector<Message>&)>& done,
                 std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, timeout, [&] { return done(messages); });
    }

    bool WaitForMessage(uint32_t msg, intptr_t wParam, std::chrono::milliseconds timeout) {
        return WaitFor(
            [&](const std::vector<Message>& all) {
                for (const Message& m : all)
                    if (m.msg == msg && m.wParam == wParam)
                        return true;
                return false;
            },
            timeout);
    }

    size_t Count(uint32_t msg, intptr_t wParam) {
        std::lock_guard lock(mutex);
        return CountIn(messages, msg, wParam);
    }

    // For WaitFor predicates, which run with the log locked.
    static size_t CountIn(const std::vector<Message>& all, uint32_t msg, intptr_t wParam) {
        size_t n = 0;
        for (const Message& m : all)
            n += (m.msg == msg && m.wParam == wParam) ? 1 : 0;
        return n;
    }

private:
    static void Receive(void* self, uint32_t msg, intptr_t wParam, intptr_t lParam) {
        auto* log = static_cast<MessageLog*>(self);
        {
            std::lock_guard lock(log->mutex);
            log->messages.push_back({msg, wParam, lParam});
        }
        log->changed.notify_all();
    }

    WindowHandle handle = 0;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Message> messages;
};

} // namespace vantrel_test
