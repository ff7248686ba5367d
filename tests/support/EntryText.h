#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Entry files as the project writes them: UTF-16LE with FF FE and CR LF line ends. Tests
// write their fixtures with "\n" and compare whole files byte for byte.
inline QByteArray EntryBytes(QString text) {
    text.replace(QLatin1String("\n"), QLatin1String("\r\n"));
    QByteArray bytes("\xFF\xFE", 2);
    bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return bytes;
}

inline bool WriteEntry(const QString& path, const QString& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(EntryBytes(text)) >= 0;
}

inline QByteArray ReadFileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// The file decoded back to text with "\n" line ends, for readable failure messages.
inline QString ReadEntryText(const QString& path) {
    const QByteArray bytes = ReadFileBytes(path);
    if (!bytes.startsWith("\xFF\xFE"))
        return QString::fromLatin1(bytes);
    QString text =
        QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2), (bytes.size() - 2) / 2);
    return text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}
