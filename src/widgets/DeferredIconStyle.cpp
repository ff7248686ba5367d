#include "DeferredIconStyle.h"

#include <QIconEngine>
#include <QPainter>
#include <QPointer>
#include <QWidget>

namespace {

// Stands for a standard icon and asks the style for it on first use.
class DeferredIconEngine : public QIconEngine {
public:
    DeferredIconEngine(const QStyle* style, QStyle::StandardPixmap which, const QWidget* widget)
        : m_style(style), m_which(which), m_widget(widget) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        Icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return Icon().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override {
        return Icon().pixmap(size, scale, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return Icon().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        return Icon().availableSizes(mode, state);
    }
    bool isNull() override { return false; } // a standard icon always has pixels
    QString key() const override { return QStringLiteral("DeferredIconEngine"); }
    QIconEngine* clone() const override { return new DeferredIconEngine(*this); }

private:
    const QIcon& Icon() {
        if (!m_loaded) {
            if (m_style)
                m_icon = m_style->standardIcon(m_which, nullptr, m_widget);
            m_loaded = true;
        }
        return m_icon;
    }

    QPointer<const QStyle> m_style;
    QStyle::StandardPixmap m_which;
    QPointer<const QWidget> m_widget;
    QIcon m_icon;
    bool m_loaded = false;
};

} // namespace

DeferredIconStyle::DeferredIconStyle(const QString& baseKey) : QProxyStyle(baseKey) {}

QIcon DeferredIconStyle::standardIcon(StandardPixmap icon, const QStyleOption* option,
                                      const QWidget* widget) const {
    // An icon drawn for a style option depends on the option: that one is read now.
    if (!option)
        return QIcon(new DeferredIconEngine(baseStyle(), icon, widget));
    return QProxyStyle::standardIcon(icon, option, widget);
}
