#pragma once

#include "Post.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

// A window handle of the message facility for tests: records every message posted to it
// (or only one message number), in arrival order with its arrival time, on the posting
// thread. Tests wait on a condition over what arrived, or take the messages one by one.
class MessageRecorder {
public:
    using Clock = std::chrono::steady_clock;
    struct Message {
        uint32_t msg = 0;
        intptr_t wParam = 0;
        intptr_t lParam = 0;
        Clock::time_point at{};
        // The arrival time is no part of what was posted.
        bool operator==(const Message& o) const {
            return msg == o.msg && wParam == o.wParam && lParam == o.lParam;
        }
    };

    explicit MessageRecorder(std::optional<uint32_t> only = std::nullopt)
        : m_only(only), m_handle(RegisterMessageReceiver(&MessageRecorder::Receive, this)) {}
    ~MessageRecorder() { UnregisterMessageReceiver(m_handle); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    WindowHandle Handle() const { return m_handle; }

    std::vector<Message> Snapshot() const {
        std::lock_guard lock(m_lock);
        return m_messages;
    }
    // Forgets everything recorded so far (and what Next has not taken).
    void Clear() {
        std::lock_guard lock(m_lock);
        m_messages.clear();
        m_taken = 0;
    }

    // True when done(all messages so far) holds within the time; done runs locked.
    bool WaitFor(const std::function<bool(const std::vector<Message>&)>& done,
                 std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        std::unique_lock lock(m_lock);
        return m_changed.wait_for(lock, timeout, [&] { return done(m_messages); });
    }
    // True when a message satisfying pred arrives within the time.
    bool WaitForAny(const std::function<bool(const Message&)>& pred,
                    std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        return WaitFor(
            [&](const std::vector<Message>& all) {
                for (const Message& m : all)
                    if (pred(m))
                        return true;
                return false;
            },
            timeout);
    }
    bool WaitForMessage(uint32_t msg, intptr_t wParam,
                        std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        return WaitForAny([&](const Message& m) { return m.msg == msg && m.wParam == wParam; }, timeout);
    }
    bool WaitForCount(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        return WaitFor([&](const std::vector<Message>& all) { return all.size() >= count; }, timeout);
    }

    size_t Count(uint32_t msg, intptr_t wParam) const {
        std::lock_guard lock(m_lock);
        return CountIn(m_messages, msg, wParam);
    }
    // For WaitFor predicates, which run with the recorder locked.
    static size_t CountIn(const std::vector<Message>& all, uint32_t msg, intptr_t wParam) {
        size_t n = 0;
        for (const Message& m : all)
            n += (m.msg == msg && m.wParam == wParam) ? 1 : 0;
        return n;
    }

    // The oldest message Next has not taken yet; none when nothing comes in time.
    std::optional<Message> Next(std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        std::unique_lock lock(m_lock);
        if (!m_changed.wait_for(lock, timeout, [this] { return m_taken < m_messages.size(); }))
            return std::nullopt;
        return m_messages[m_taken++];
    }

private:
    static void Receive(void* context, uint32_t msg, intptr_t wParam, intptr_t lParam) {
        auto* self = static_cast<MessageRecorder*>(context);
        if (self->m_only && *self->m_only != msg)
            return;
        {
            std::lock_guard lock(self->m_lock);
            self->m_messages.push_back({msg, wParam, lParam, Clock::now()});
        }
        self->m_changed.notify_all();
    }

    const std::optional<uint32_t> m_only;
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<Message> m_messages;
    size_t m_taken = 0;
    WindowHandle m_handle;
};
