#include "UiServices.h"

#include "QtUiServices.h"
#include "TextTable.h"

namespace {
UiServices* g_installed = nullptr;
}

UiServices::Answer UiServices::Message(QWidget* parent, const QString& window, const QString& key, Kind kind,
                                       Buttons buttons) {
    return MessageText(parent, TextTable::Instance().Text(window, key), QStringLiteral("Tamvik"), kind,
                       buttons);
}

UiServices& UiServices::Get() {
    static QtUiServices qt;
    return g_installed ? *g_installed : qt;
}

void UiServices::Install(UiServices* services) {
    g_installed = services;
}
