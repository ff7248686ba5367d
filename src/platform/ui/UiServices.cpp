#include "UiServices.h"

#include "QtUiServices.h"
#include "TextTable.h"

#include <QDir>
#include <QFileInfo>

namespace {
UiServices* g_installed = nullptr;
}

UiServices::Answer UiServices::Message(QWidget* parent, const QString& window, const QString& key, Kind kind,
                                       Buttons buttons) {
    return MessageText(parent, TextTable::Instance().Text(window, key), QStringLiteral("Tamvik"), kind,
                       buttons);
}

QString UiServices::SaveFileNameAsking(QWidget* parent, const QString& caption, const QString& path,
                                       const QString& filter, const QString& defaultSuffix) {
    QString chosen = SaveFileName(parent, caption, path, filter);
    if (chosen.isEmpty())
        return {};
    if (QFileInfo(chosen).suffix().isEmpty())
        chosen += QLatin1Char('.') + defaultSuffix;
    if (QFileInfo::exists(chosen)) {
        const QString text = TextTable::Instance()
                                 .Text(QStringLiteral("UiServices"), QStringLiteral("OverwriteQuestion"))
                                 .arg(QDir::toNativeSeparators(chosen));
        if (MessageText(parent, text, QStringLiteral("Tamvik"), Kind::Confirmation, Buttons::YesNo) !=
            Answer::Yes)
            return {};
    }
    return chosen;
}

UiServices& UiServices::Get() {
    static QtUiServices qt;
    return g_installed ? *g_installed : qt;
}

void UiServices::Install(UiServices* services) {
    g_installed = services;
}
