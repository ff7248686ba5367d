#include "Post.h"
#include "Messages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <dlfcn.h>
#include <mutex>
#include <thread>
#include <vector>

namespace {

struct Received {
    uint32_t msg;
    intptr_t wParam;
    intptr_t lParam;
    bool operator==(const Received&) const = default;
};

struct Inbox {
    std::mutex lock;
    std::vector<Received> messages;
    static void receive(void* context, uint32_t msg, intptr_t wParam, intptr_t lParam) {
        auto* self = static_cast<Inbox*>(context);
        std::lock_guard guard(self->lock);
        self->messages.push_back({msg, wParam, lParam});
    }
};

TEST(Post, DeliversToRegisteredReceiverOnly) {
    Inbox inbox;
    WindowHandle handle = RegisterMessageReceiver(&Inbox::receive, &inbox);
    ASSERT_NE(handle, 0);
    EXPECT_TRUE(IsMessageReceiver(handle));

    EXPECT_EQ(PostMessage(handle, WM_SOUND_STATUS, 2, 50), 1);
    EXPECT_EQ(PostMessage(handle, WM_EXECUTE_EVENT, -1, 1), 1);
    EXPECT_EQ(PostMessage(0, WM_SOUND_STATUS, 1, 0), 0) << "the null handle has no receiver";
    EXPECT_EQ(PostMessage(handle + 1000, WM_SOUND_STATUS, 1, 0), 0) << "unknown handle";

    UnregisterMessageReceiver(handle);
    EXPECT_FALSE(IsMessageReceiver(handle));
    EXPECT_EQ(PostMessage(handle, WM_SOUND_STATUS, 3, 0), 0) << "closed handle";
    UnregisterMessageReceiver(handle); // twice is harmless

    std::vector<Received> expected{{WM_SOUND_STATUS, 2, 50}, {WM_EXECUTE_EVENT, -1, 1}};
    EXPECT_EQ(inbox.messages, expected);
}

TEST(Post, HandlesAreNeverReusedAndNullCallbackIsRefused) {
    Inbox inbox;
    EXPECT_EQ(RegisterMessageReceiver(nullptr, &inbox), 0);
    WindowHandle first = RegisterMessageReceiver(&Inbox::receive, &inbox);
    UnregisterMessageReceiver(first);
    WindowHandle second = RegisterMessageReceiver(&Inbox::receive, &inbox);
    EXPECT_NE(first, second);
    EXPECT_EQ(PostMessage(first, 1, 0, 0), 0) << "a stale handle must not reach the new receiver";
    UnregisterMessageReceiver(second);
    EXPECT_TRUE(inbox.messages.empty());
}

// After Unregister returns the callback never runs again, even with posters racing it.
TEST(Post, UnregisterWaitsForCallsInFlight) {
    struct Guarded {
        std::atomic<bool> gone{false};
        std::atomic<int> lateCalls{0};
        std::atomic<int> calls{0};
        static void receive(void* context, uint32_t, intptr_t, intptr_t) {
            auto* self = static_cast<Guarded*>(context);
            self->calls++;
            // Stays inside a while, so that Unregister meets calls in flight (no synchronising).
            std::this_thread::sleep_for(std::chrono::microseconds(50));
            if (self->gone)
                self->lateCalls++;
        }
    };
    for (int round = 0; round < 20; ++round) {
        Guarded target;
        WindowHandle handle = RegisterMessageReceiver(&Guarded::receive, &target);
        std::atomic<bool> run{true};
        std::atomic<int> postsAfterUnregister{0};
        std::vector<std::thread> posters;
        for (int t = 0; t < 4; ++t)
            posters.emplace_back([&] {
                while (run) {
                    const bool late = target.gone;
                    PostMessage(handle, 7, 0, 0);
                    if (late)
                        ++postsAfterUnregister;
                }
            });
        while (target.calls < 5)
            std::this_thread::yield();
        UnregisterMessageReceiver(handle);
        target.gone = true;
        // Keep posting until the posters have tried the dead handle many times over.
        while (postsAfterUnregister < 1000)
            std::this_thread::yield();
        run = false;
        for (auto& p : posters)
            p.join();
        EXPECT_EQ(target.lateCalls, 0);
    }
}

TEST(Post, ReceiverMayPostToItselfAndCloseItsOwnHandle) {
    struct SelfClosing {
        WindowHandle handle = 0;
        int calls = 0;
        static void receive(void* context, uint32_t msg, intptr_t, intptr_t) {
            auto* self = static_cast<SelfClosing*>(context);
            self->calls++;
            if (msg == 1)
                PostMessage(self->handle, 2, 0, 0);
            else
                UnregisterMessageReceiver(self->handle);
        }
    } target;
    target.handle = RegisterMessageReceiver(&SelfClosing::receive, &target);
    EXPECT_EQ(PostMessage(target.handle, 1, 0, 0), 1);
    EXPECT_EQ(target.calls, 2);
    EXPECT_FALSE(IsMessageReceiver(target.handle));
}

// A second shared object posting through libtamvik_post.so reaches a receiver registered
// here: there is one registry per process.
TEST(Post, OneRegistryAcrossSharedObjects) {
    void* module = dlopen(POST_TEST_POSTER, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    using PostFn = int (*)(WindowHandle, uint32_t, intptr_t, intptr_t);
    auto post = reinterpret_cast<PostFn>(dlsym(module, "PosterPost"));
    ASSERT_NE(post, nullptr);

    Inbox inbox;
    WindowHandle handle = RegisterMessageReceiver(&Inbox::receive, &inbox);
    EXPECT_EQ(post(handle, WM_ASIO_OUTPUT_EVENT, 0x10000, 0), 1);
    UnregisterMessageReceiver(handle);
    EXPECT_EQ(post(handle, WM_ASIO_OUTPUT_EVENT, 0x40000, 0), 0);
    dlclose(module);

    std::vector<Received> expected{{WM_ASIO_OUTPUT_EVENT, 0x10000, 0}};
    EXPECT_EQ(inbox.messages, expected);
}

} // namespace
