#include "QtMessageReceiver.h"

#include <QCoreApplication>

QEvent::Type PostedMessageEvent::eventType() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

QtMessageReceiver::QtMessageReceiver(QObject* target, QObject* parent)
    : QObject(parent), m_target(target ? target : this) {
    m_handle = RegisterMessageReceiver(&QtMessageReceiver::receive, this);
}

QtMessageReceiver::~QtMessageReceiver() {
    // After this no poster can reach the target any more.
    UnregisterMessageReceiver(m_handle);
}

void QtMessageReceiver::receive(void* context, uint32_t msg, intptr_t wParam, intptr_t lParam) {
    auto* self = static_cast<QtMessageReceiver*>(context);
    // postEvent only queues: the posting thread never waits for the window.
    QCoreApplication::postEvent(self->m_target, new PostedMessageEvent(msg, wParam, lParam));
}

bool QtMessageReceiver::event(QEvent* e) {
    if (e->type() == PostedMessageEvent::eventType()) {
        auto* posted = static_cast<PostedMessageEvent*>(e);
        emit messageReceived(posted->msg(), posted->wParam(), posted->lParam());
        return true;
    }
    return QObject::event(e);
}
