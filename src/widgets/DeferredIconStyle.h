#pragma once

#include <QProxyStyle>

// The application's style: the platform's own, except that standard icons are read when
// first drawn. Reading any icon file makes Qt load every image-format plug-in to ask
// which can read it, and widgets ask for their icons when they are made: the menu bar
// for its extension button, which shows only when the menu bar overflows, and dialogs
// that may never open.
class DeferredIconStyle : public QProxyStyle {
public:
    explicit DeferredIconStyle(const QString& baseKey);

    QIcon standardIcon(StandardPixmap icon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};
