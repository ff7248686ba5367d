#include "EarlyResizeFilter.h"

#include <QCoreApplication>
#include <QResizeEvent>
#include <QWidget>
#include <algorithm>

EarlyResizeFilter::EarlyResizeFilter(QObject* parent, std::vector<QWidget*> watched, Handler handler)
    : QObject(parent), m_watched(std::move(watched)), m_handler(std::move(handler)) {}

void EarlyResizeFilter::SetActive(bool active) {
    if (active == m_active)
        return;
    m_active = active;
    if (active)
        QCoreApplication::instance()->installEventFilter(this);
    else
        QCoreApplication::instance()->removeEventFilter(this);
}

bool EarlyResizeFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) {
        const auto it = std::find(m_watched.begin(), m_watched.end(), watched);
        if (it != m_watched.end())
            m_handler(*it, static_cast<QResizeEvent*>(event)->size());
    }
    return false;
}
