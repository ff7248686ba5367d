#pragma once

#include <QChar>
#include <QString>
#include <functional>

// What every result table is made with besides the results: the user's separators, the
// texts of the current language and the way subject IDs are shown. The result window
// makes one from its own state; tests and exports make their own.
struct ResultFormat {
    QChar decimalSeparator = QLatin1Char('.');
    // Joins the pieces of a trial key; the key is split again at this character.
    QChar listSeparator = QLatin1Char(',');
    // Subject IDs as the text packed into a terminal's two ID numbers; otherwise the
    // first number in decimal.
    bool textSubjectIds = true;
    // Dates of the result lists, as a QDateTime format.
    QString dateTimeFormat = QStringLiteral("yyyy/MM/dd H:mm:ss");
    // The window's text of a key (IDS_n) in the current language.
    std::function<QString(const QString& key)> texts;

    QString Text(const char* key) const { return texts ? texts(QString::fromLatin1(key)) : QString(); }
};
