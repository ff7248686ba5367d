#include "TextTable.h"

#include <QFile>

namespace {

QString HashKey(const QString& window, const QString& key) {
    return window + QLatin1Char('\t') + key;
}

// The data files write a line break inside a text as the four characters \r\n and a
// backslash as \\; everything else stands as it is.
QString Unescape(QStringView field) {
    if (!field.contains(QLatin1Char('\\')))
        return field.toString();
    QString out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const QChar c = field.at(i);
        if (c == QLatin1Char('\\') && i + 1 < field.size()) {
            const QChar n = field.at(i + 1);
            if (n == QLatin1Char('r')) {
                out += QLatin1Char('\r');
                ++i;
                continue;
            }
            if (n == QLatin1Char('n')) {
                out += QLatin1Char('\n');
                ++i;
                continue;
            }
            if (n == QLatin1Char('\\')) {
                out += QLatin1Char('\\');
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

} // namespace

TextTable& TextTable::Instance() {
    static TextTable table;
    return table;
}

TextTable::TextTable() {
    Q_INIT_RESOURCE(texts);
    LoadResource(QStringLiteral(":/texts/ids.tsv"));
    LoadResource(QStringLiteral(":/texts/captions.tsv"));
}

void TextTable::LoadResource(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    // Read at every start before the first window: views into the text, no lists of parts.
    const QString all = QString::fromUtf8(file.readAll());
    const QStringView text(all);
    qsizetype lineStart = text.indexOf(QLatin1Char('\n')); // line 0 names the columns
    while (lineStart >= 0 && lineStart < text.size()) {
        ++lineStart;
        qsizetype lineEnd = text.indexOf(QLatin1Char('\n'), lineStart);
        if (lineEnd < 0)
            lineEnd = text.size();
        const QStringView line = text.mid(lineStart, lineEnd - lineStart);
        lineStart = lineEnd;
        QStringView cols[4];
        qsizetype from = 0;
        int found = 0;
        for (; found < 4; ++found) {
            const qsizetype tab = line.indexOf(QLatin1Char('\t'), from);
            cols[found] = line.mid(from, (tab < 0 ? line.size() : tab) - from);
            if (tab < 0) {
                ++found;
                break;
            }
            from = tab + 1;
        }
        if (found < 4)
            continue;
        m_texts.insert(HashKey(cols[0].toString(), cols[1].toString()),
                       Texts{Unescape(cols[2]), Unescape(cols[3])});
    }
}

void TextTable::setLanguage(Language language) {
    if (language == m_language)
        return;
    m_language = language;
    emit languageChanged(language);
}

QString TextTable::Text(const QString& window, const QString& key) const {
    return Text(window, key, m_language);
}

QString TextTable::Text(const QString& window, const QString& key, Language language) const {
    const auto it = m_texts.constFind(HashKey(window, key));
    if (it == m_texts.cend())
        return {};
    return language == Language::Japanese ? it->ja : it->en;
}

bool TextTable::Contains(const QString& window, const QString& key) const {
    return m_texts.contains(HashKey(window, key));
}
