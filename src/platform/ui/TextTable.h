#pragma once

#include <QHash>
#include <QObject>
#include <QString>

// The two-language texts of every window, keyed by window class and text key (IDS_253 or
// a control name). The texts are data compiled into the program; switching the language
// emits languageChanged, on which each window relabels itself. One table per process,
// used on the user-interface thread only.
class TextTable : public QObject {
    Q_OBJECT
public:
    enum class Language { Japanese = 0, English = 1 };

    static TextTable& Instance();

    Language language() const { return m_language; }
    void setLanguage(Language language);

    // The text in the current language; an unknown key gives an empty text.
    QString Text(const QString& window, const QString& key) const;
    QString Text(const QString& window, const QString& key, Language language) const;
    bool Contains(const QString& window, const QString& key) const;

signals:
    void languageChanged(TextTable::Language language);

private:
    TextTable();
    void LoadResource(const QString& path);

    struct Texts {
        QString ja;
        QString en;
    };
    QHash<QString, Texts> m_texts; // "window\tkey" -> texts
    Language m_language = Language::Japanese;
};
