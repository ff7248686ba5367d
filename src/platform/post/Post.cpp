#include "Post.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace {

struct Receiver {
    MessageReceiverFn fn;
    void* context;
    // Held while the callback runs, so that Unregister can wait for a call in flight.
    // Recursive: a callback may post to its own handle or close it.
    std::recursive_mutex callLock;
    bool closed = false;
};

struct Registry {
    std::mutex lock;
    std::unordered_map<WindowHandle, std::shared_ptr<Receiver>> receivers;
    WindowHandle next = 1;

    std::shared_ptr<Receiver> find(WindowHandle handle) {
        std::lock_guard guard(lock);
        auto it = receivers.find(handle);
        return it == receivers.end() ? nullptr : it->second;
    }
};

Registry& registry() {
    // Never destroyed: worker threads may still post while static objects are torn down.
    static Registry* instance = new Registry;
    return *instance;
}

} // namespace

extern "C" {

WindowHandle RegisterMessageReceiver(MessageReceiverFn fn, void* context) {
    if (fn == nullptr)
        return 0;
    auto receiver = std::make_shared<Receiver>();
    receiver->fn = fn;
    receiver->context = context;
    Registry& reg = registry();
    std::lock_guard guard(reg.lock);
    WindowHandle handle = reg.next++;
    reg.receivers.emplace(handle, std::move(receiver));
    return handle;
}

void UnregisterMessageReceiver(WindowHandle handle) {
    Registry& reg = registry();
    std::shared_ptr<Receiver> receiver;
    {
        std::lock_guard guard(reg.lock);
        auto it = reg.receivers.find(handle);
        if (it == reg.receivers.end())
            return;
        receiver = std::move(it->second);
        reg.receivers.erase(it);
    }
    // A post that found the receiver before the erase may still be calling it.
    std::lock_guard call(receiver->callLock);
    receiver->closed = true;
}

int IsMessageReceiver(WindowHandle handle) {
    return registry().find(handle) != nullptr;
}

int PostMessage(WindowHandle handle, uint32_t msg, intptr_t wParam, intptr_t lParam) {
    std::shared_ptr<Receiver> receiver = registry().find(handle);
    if (!receiver)
        return 0;
    std::lock_guard call(receiver->callLock);
    if (receiver->closed)
        return 0;
    receiver->fn(receiver->context, msg, wParam, lParam);
    return 1;
}

} // extern "C"
