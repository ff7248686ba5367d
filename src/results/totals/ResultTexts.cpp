#include "ResultTexts.h"

#include "Csubidpack.h"
#include "NumberFormat.h"

#include <algorithm>

bool IsNumericText(const QString& text, QChar decimalSeparator) {
    if (text.contains(decimalSeparator)) {
        double value = 0;
        return tamvik::ParseReal(text, value, decimalSeparator);
    }
    int value = 0;
    return tamvik::ParseInt(text, value);
}

QString SubjectIdText(const ResultFormat& format, std::int32_t id, std::int32_t id2) {
    if (format.textSubjectIds)
        return CSubIDPack().Unpack(id, id2);
    return id < 0 ? QString() : tamvik::FormatInt(id);
}

QString SubjectHeader(const ResultFormat& format, const QString& subjectIdText) {
    return subjectIdText.isEmpty() ? format.Text("IDS_16") : format.Text("IDS_17") + subjectIdText;
}

QString SourceFileName(const QString& path) {
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(cut + 1);
}

namespace {

bool IsBlankOrControl(QChar c) {
    return c.unicode() <= 0x20;
}

} // namespace

QStringList SplitJoinedText(const QString& text, QChar separator) {
    QStringList items;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && IsBlankOrControl(text[i]))
        ++i;
    if (i == n)
        return items;
    for (;;) {
        QString item;
        if (i < n && text[i] == QLatin1Char('"')) {
            ++i;
            while (i < n) {
                if (text[i] == QLatin1Char('"')) {
                    if (i + 1 < n && text[i + 1] == QLatin1Char('"')) {
                        item += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i++];
            }
        } else {
            const qsizetype start = i;
            while (i < n && text[i] != separator && !IsBlankOrControl(text[i]))
                ++i;
            item = text.mid(start, i - start);
        }
        items << item;
        while (i < n && IsBlankOrControl(text[i]))
            ++i;
        if (i < n && text[i] == separator) {
            ++i;
            if (i == n) {
                items << QString();
                break;
            }
            while (i < n && IsBlankOrControl(text[i]))
                ++i;
            continue;
        }
        if (i >= n)
            break;
        // An item ended at a blank with more text after it: the next item starts there.
    }
    return items;
}
