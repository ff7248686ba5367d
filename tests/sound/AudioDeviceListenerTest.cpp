#include "AudioDeviceListener.h"

#include "MessageRecorder.h"
#include "Messages.h"

#include <gtest/gtest.h>

namespace {

struct EventCase {
    const char* action;
    const char* sysname;
    bool notifies;
};

TEST(AudioDeviceListener, PostsForCardsComingAndGoingOnly) {
    const EventCase cases[] = {
        {"add", "card1", true},     // a card arrives
        {"change", "card1", true},  // ... and is ready
        {"remove", "card1", true},  // unplugged
        {"add", "pcmC1D0p", false}, // its sub-devices come with it
        {"remove", "controlC1", false}, {"bind", "card1", false}, {"online", "card1", false},
        {nullptr, "card1", false},      {"add", nullptr, false},
    };
    MessageRecorder inbox;
    AudioDeviceListener listener;
    listener.window = inbox.Handle();
    for (const EventCase& c : cases) {
        inbox.Clear();
        listener.OnDeviceEvent(c.action, c.sysname);
        const auto got = inbox.Snapshot();
        ASSERT_EQ(got.size(), c.notifies ? 1u : 0u)
            << (c.action ? c.action : "null") << " " << (c.sysname ? c.sysname : "null");
        if (c.notifies) {
            EXPECT_EQ(got[0], (MessageRecorder::Message{WM_AUDIO_DEVICE_CHANGED, 0, 0}));
        }
    }
}

// Wherever it runs (udev or not), it starts and ends cleanly and never posts without a
// window.
TEST(AudioDeviceListener, ConstructsAndDestructsWithOrWithoutUdev) {
    for (int i = 0; i < 20; ++i) {
        AudioDeviceListener listener;
        listener.OnDeviceEvent("add", "card0");
    }
    MessageRecorder inbox;
    {
        AudioDeviceListener listener;
        listener.window = inbox.Handle();
    }
    EXPECT_TRUE(inbox.Snapshot().empty());
}

} // namespace
