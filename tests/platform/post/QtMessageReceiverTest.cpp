#include "QtMessageReceiver.h"
#include "Messages.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <functional>

#include <thread>
#include <vector>

namespace {

struct Received {
    uint32_t msg;
    intptr_t wParam;
    intptr_t lParam;
    Qt::HANDLE thread;
};

// Stands for a window: dispatches posted messages in its own event().
class FakeWindow : public QObject {
public:
    FakeWindow() : receiver(this) {}
    std::vector<Received> received;
    QtMessageReceiver receiver;

protected:
    bool event(QEvent* e) override {
        if (e->type() == PostedMessageEvent::eventType()) {
            auto* m = static_cast<PostedMessageEvent*>(e);
            received.push_back({m->msg(), m->wParam(), m->lParam(), QThread::currentThreadId()});
            return true;
        }
        return QObject::event(e);
    }
};

void processUntil(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

class QtMessageReceiverTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "test";
        static char* argv[] = {name, nullptr};
        app = new QCoreApplication(argc, argv);
    }
    static inline QCoreApplication* app = nullptr;
};

TEST_F(QtMessageReceiverTest, PostsFromAWorkerArriveInOrderOnTheTargetsThread) {
    FakeWindow window;
    WindowHandle handle = window.receiver.handle();
    ASSERT_NE(handle, 0);
    std::thread worker([handle] {
        for (int i = 0; i < 100; ++i)
            PostMessage(handle, WM_SOUND_STATUS, 2, i);
        PostMessage(handle, WM_SOUND_STATUS, 3, 0);
    });
    worker.join();
    EXPECT_TRUE(window.received.empty()) << "posting must only queue, never deliver on the poster's thread";
    processUntil([&] { return window.received.size() == 101; });
    ASSERT_EQ(window.received.size(), 101u);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(window.received[i].msg, WM_SOUND_STATUS);
        EXPECT_EQ(window.received[i].lParam, i);
        EXPECT_EQ(window.received[i].thread, QThread::currentThreadId());
    }
    EXPECT_EQ(window.received[100].wParam, 3);
}

TEST_F(QtMessageReceiverTest, WithoutTargetEmitsSignalAndClosesHandleOnDestruction) {
    WindowHandle handle;
    std::vector<intptr_t> values;
    {
        QtMessageReceiver receiver;
        handle = receiver.handle();
        QObject::connect(&receiver, &QtMessageReceiver::messageReceived,
                         [&](uint32_t msg, intptr_t wParam, intptr_t) {
                             EXPECT_EQ(msg, WM_AUDIO_DEVICE_CHANGED);
                             values.push_back(wParam);
                         });
        PostMessage(handle, WM_AUDIO_DEVICE_CHANGED, 0, 0);
        processUntil([&] { return !values.empty(); });
        // Queued but not delivered when the receiver goes: Qt drops it with the object.
        PostMessage(handle, WM_AUDIO_DEVICE_CHANGED, 1, 0);
    }
    EXPECT_EQ(PostMessage(handle, WM_AUDIO_DEVICE_CHANGED, 2, 0), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(values, std::vector<intptr_t>{0});
}

} // namespace
