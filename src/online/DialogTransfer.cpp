#include "DialogTransfer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QWidget>
#include <map>

namespace {

// How often a running request lets the window's events through.
constexpr int PumpIntervalMs = 10;

std::map<const QWidget*, DialogTransfer*>& RunningTransfers() {
    static std::map<const QWidget*, DialogTransfer*> running;
    return running;
}

bool IsUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
        return true;
    default:
        return false;
    }
}

bool IsEscape(const QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
        return static_cast<const QKeyEvent*>(event)->key() == Qt::Key_Escape;
    default:
        return false;
    }
}

} // namespace

DialogTransfer::DialogTransfer(QWidget* dialog, tamvik::ServiceClient& client, QList<QWidget*> cancelControls)
    : m_dialog(dialog), m_client(client), m_cancelControls(std::move(cancelControls)) {
    auto& running = RunningTransfers();
    const auto outer = running.find(dialog);
    m_outer = outer == running.end() ? nullptr : outer->second;
    running[dialog] = this;
    m_sincePump.start();
    m_client.SetAbortCheck([this] { return Pump(); });
    QCoreApplication::instance()->installEventFilter(this);
}

DialogTransfer::~DialogTransfer() {
    QCoreApplication::instance()->removeEventFilter(this);
    m_client.SetAbortCheck({});
    m_client.SetProgress({});
    auto& running = RunningTransfers();
    if (m_outer)
        running[m_dialog] = m_outer;
    else
        running.erase(m_dialog);
}

void DialogTransfer::OnProgress(std::function<void(const tamvik::ServiceProgress&)> progress) {
    m_client.SetProgress(std::move(progress));
}

DialogTransfer* DialogTransfer::Running(const QWidget* dialog) {
    const auto& running = RunningTransfers();
    const auto it = running.find(dialog);
    return it == running.end() ? nullptr : it->second;
}

bool DialogTransfer::CancelRunning(const QWidget* dialog) {
    DialogTransfer* transfer = Running(dialog);
    if (transfer)
        transfer->Cancel();
    return transfer != nullptr;
}

bool DialogTransfer::Pump() {
    if (!m_cancelled && m_sincePump.elapsed() >= PumpIntervalMs) {
        m_sincePump.restart();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return m_cancelled;
}

bool DialogTransfer::eventFilter(QObject* watched, QEvent* event) {
    if (!IsUserInput(event->type()) || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() != m_dialog->window())
        return false;
    // Escape is the keyboard's cancel: it reaches the dialog, whose reject stops the request.
    if (!m_cancelControls.isEmpty() && IsEscape(event))
        return false;
    for (QWidget* control : m_cancelControls) {
        if (control && (widget == control || control->isAncestorOf(widget)))
            return false;
    }
    return true; // the dialog's other controls wait for the request
}
