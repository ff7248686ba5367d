#pragma once

#include "Post.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

// A window handle for tests: collects every message posted to it, in order.
class MessageInbox {
public:
    struct Message {
        uint32_t msg;
        intptr_t wParam;
        intptr_t lParam;
        bool operator==(const Message&) const = default;
    };

    MessageInbox() : m_handle(RegisterMessageReceiver(&MessageInbox::receive, this)) {}
    ~MessageInbox() { UnregisterMessageReceiver(m_handle); }

    WindowHandle handle() const { return m_handle; }

    std::vector<Message> messages() {
        std::lock_guard guard(m_lock);
        return m_messages;
    }

    // Waits until a message satisfies pred; false on time-out.
    bool waitFor(const std::function<bool(const Message&)>& pred,
                 std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        std::unique_lock guard(m_lock);
        return m_arrived.wait_for(guard, timeout, [&] {
            for (const Message& m : m_messages)
                if (pred(m))
                    return true;
            return false;
        });
    }

    void clear() {
        std::lock_guard guard(m_lock);
        m_messages.clear();
    }

private:
    static void receive(void* context, uint32_t msg, intptr_t wParam, intptr_t lParam) {
        auto* self = static_cast<MessageInbox*>(context);
        {
            std::lock_guard guard(self->m_lock);
            self->m_messages.push_back({msg, wParam, lParam});
        }
        self->m_arrived.notify_all();
    }

    std::mutex m_lock;
    std::condition_variable m_arrived;
    std::vector<Message> m_messages;
    WindowHandle m_handle;
};
