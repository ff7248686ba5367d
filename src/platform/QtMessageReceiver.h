#pragma once

#include <QEvent>
#include <QObject>

#include "Post.h"

// The event a posted message becomes on the receiving object's thread.
class PostedMessageEvent : public QEvent {
public:
    PostedMessageEvent(uint32_t msg, intptr_t wParam, intptr_t lParam)
        : QEvent(eventType()), m_msg(msg), m_wParam(wParam), m_lParam(lParam) {}

    // One event type for every message; the receiver dispatches by msg().
    static QEvent::Type eventType();

    uint32_t msg() const { return m_msg; }
    intptr_t wParam() const { return m_wParam; }
    intptr_t lParam() const { return m_lParam; }

private:
    uint32_t m_msg;
    intptr_t m_wParam;
    intptr_t m_lParam;
};

// Gives a QObject (usually a window) a window handle: every PostMessage to handle()
// arrives as a PostedMessageEvent in the target's event(), on the target's thread.
// Without a target the receiver itself gets the events and emits messageReceived.
// Own it as a member of the target (or the target's child) so that it closes the
// handle before the target is gone.
class QtMessageReceiver : public QObject {
    Q_OBJECT
public:
    explicit QtMessageReceiver(QObject* target = nullptr, QObject* parent = nullptr);
    ~QtMessageReceiver() override;

    WindowHandle handle() const { return m_handle; }

signals:
    void messageReceived(uint32_t msg, intptr_t wParam, intptr_t lParam);

protected:
    bool event(QEvent* e) override;

private:
    static void receive(void* context, uint32_t msg, intptr_t wParam, intptr_t lParam);

    QObject* m_target;
    WindowHandle m_handle;
};
