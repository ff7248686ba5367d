#include "TamvikApplication.h"

#include "DeferredIconStyle.h"
#include "MainSettings.h"
#include "TextTable.h"
#include "UiServices.h"
#include "WindowTexts.h"

#include <QLibraryInfo>
#include <QTranslator>
#include <exception>

TamvikApplication::TamvikApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Tamvik"));
    setStyle(new DeferredIconStyle(style()->name()));
    // The stored language from the start: the windows are built in it, not relabelled
    // from the other one when the main window first shows.
    if (const int language = StoredLanguage())
        TextTable::Instance().setLanguage(language == 1 ? TextTable::Language::Japanese
                                                        : TextTable::Language::English);
    FollowLanguage();
    connect(&TextTable::Instance(), &TextTable::languageChanged, this, &TamvikApplication::FollowLanguage);
}

void TamvikApplication::FollowLanguage() {
    const bool japanese = TextTable::Instance().language() == TextTable::Language::Japanese;
    if (japanese && !m_qtTexts) {
        auto* texts = new QTranslator(this);
        // Without the translations package Qt's buttons simply stay English.
        if (texts->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            installTranslator(texts);
            m_qtTexts = texts;
        } else {
            delete texts;
        }
    } else if (!japanese && m_qtTexts) {
        removeTranslator(m_qtTexts);
        delete m_qtTexts;
        m_qtTexts = nullptr;
    }
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

void TamvikApplication::ShowAlreadyRunning() {
    UiServices::Get().MessageText(
        nullptr, TableText(QStringLiteral("TamvikApplication"), QStringLiteral("AlreadyRunning")),
        QStringLiteral("Tamvik"), UiServices::Kind::Warning, UiServices::Buttons::Ok);
}

void TamvikApplication::ShowException(const QString& what) {
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    UiServices::Get().MessageText(QApplication::activeWindow(), what, QStringLiteral("Tamvik"),
                                  UiServices::Kind::Error, UiServices::Buttons::Ok);
}
