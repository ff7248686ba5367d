#include "TamvikApplication.h"

#include "UiServices.h"

#include <exception>

TamvikApplication::TamvikApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Tamvik"));
}

bool TamvikApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowException(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ShowException(QStringLiteral("Unknown error."));
    }
    return false;
}

void TamvikApplication::ShowException(const QString& what) {
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    UiServices::Get().MessageText(QApplication::activeWindow(), what, QStringLiteral("Tamvik"),
                                  UiServices::Kind::Error, UiServices::Buttons::Ok);
}
