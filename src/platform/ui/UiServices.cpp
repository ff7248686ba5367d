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

UiServices::Answer UiServices::Message(QWidget* parent, const QString& window, const QString& key,
                                       const QString& detail, Kind kind, Buttons buttons) {
    return MessageText(parent, WithDetail(TextTable::Instance().Text(window, key), detail),
                       QStringLiteral("Tamvik"), kind, buttons);
}

QString UiServices::WithDetail(const QString& text, const QString& detail) {
    return detail.isEmpty() ? text : text + QLatin1Char('\n') + detail;
}

QString UiServices::SaveFileNameAsking(QWidget* parent, const QString& caption, const QString& path,
                                       const QString& filter, const QString& defaultSuffix) {
    QString chosen = SaveFileName(parent, caption, path, filter);
    if (chosen.isEmpty())
        return {};
    if (QFileInfo(chosen).suffix().isEmpty())
        chosen += QLatin1Char('.') + defaultSuffix;
    return MayReplace(parent, chosen) ? chosen : QString();
}

bool UiServices::MayReplace(QWidget* parent, const QString& path) {
    if (!QFileInfo::exists(path))
        return true;
    const QString text = TextTable::Instance()
                             .Text(QStringLiteral("UiServices"), QStringLiteral("OverwriteQuestion"))
                             .arg(QDir::toNativeSeparators(path));
    return MessageText(parent, text, QStringLiteral("Tamvik"), Kind::Confirmation, Buttons::YesNo) ==
           Answer::Yes;
}

QString UiServices::SaveFileNameOfType(QWidget* parent, const QString& caption, const QString& path,
                                       const QString& filter, int& fileType) {
    const QString chosen = SaveFileName(parent, caption, path, filter);
    const QString suffix = QFileInfo(chosen).suffix();
    const QStringList types = filter.split(QStringLiteral(";;"));
    for (qsizetype i = 0; !suffix.isEmpty() && i < types.size(); ++i)
        if (types[i].contains(QStringLiteral("*.") + suffix + QLatin1Char(')'), Qt::CaseInsensitive))
            fileType = static_cast<int>(i) + 1;
    return chosen;
}

UiServices& UiServices::Get() {
    static QtUiServices qt;
    return g_installed ? *g_installed : qt;
}

void UiServices::Install(UiServices* services) {
    g_installed = services;
}
