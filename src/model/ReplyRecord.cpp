#include "ReplyRecord.h"

#include <QList>

namespace {

const QString kApiResult = QStringLiteral("API_RESULT");
const QString kApiMessage = QStringLiteral("API_MESSAGE");

// Fields split at ','; in each field leading '=' are skipped, the key runs to the next
// '=', the value to the '=' after that. A later duplicate key wins.
void ParseFields(const QString& text, ReplyRecord& out) {
    ReplyRecord result;
    const QChar eq = QLatin1Char('=');
    for (const QStringView field : QStringView(text).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        qsizetype start = 0;
        while (start < field.size() && field[start] == eq)
            ++start;
        if (start == field.size())
            continue;
        qsizetype keyEnd = field.indexOf(eq, start);
        if (keyEnd < 0) {
            result[field.mid(start).toString()] = QString();
            continue;
        }
        qsizetype valueStart = keyEnd;
        while (valueStart < field.size() && field[valueStart] == eq)
            ++valueStart;
        qsizetype valueEnd = field.indexOf(eq, valueStart);
        if (valueEnd < 0)
            valueEnd = field.size();
        result[field.mid(start, keyEnd - start).toString()] =
            field.mid(valueStart, valueEnd - valueStart).toString();
    }
    out = std::move(result);
}

bool Is(const ReplyRecord& r, const QString& key, const char* value) {
    return ReplyValue(r, key) == QLatin1String(value);
}

} // namespace

QString ReplyValue(const ReplyRecord& record, const QString& key) {
    const auto it = record.find(key);
    return it == record.end() ? QString() : it->second;
}

void ParseKeyValueText(const QString& text, ReplyRecord& out) {
    ParseFields(text, out);
}

ReplyRecord ParseKeyValueText(const QString& text) {
    ReplyRecord r;
    ParseFields(text, r);
    return r;
}

void ParseRecordText(const QString& line, ReplyRecord& out) {
    ParseFields(line, out);
}

ReplyRecord ParseRecordText(const QString& line) {
    ReplyRecord r;
    ParseFields(line, r);
    return r;
}

void ParseRecordListText(const QString& text, ReplyRecordList& out) {
    ReplyRecordList result;
    std::int32_t n = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != QLatin1Char('\r') && text[i] != QLatin1Char('\n'))
            continue;
        if (i > start)
            ParseFields(text.mid(start, i - start), result[n++]);
        start = i + 1;
    }
    out = std::move(result);
}

bool ReplyTestA(const ReplyRecord& r) {
    return Is(r, kApiResult, "1") || Is(r, kApiMessage, "E00031");
}

bool ReplyTestA2(const ReplyRecord& r) {
    return Is(r, kApiResult, "1") && Is(r, kApiMessage, "E00031");
}

bool ReplyTestB(const ReplyRecord& r) {
    return Is(r, kApiResult, "1") && Is(r, kApiMessage, "E00001");
}

bool ReplyTestC(const ReplyRecord& r) {
    return Is(r, kApiResult, "1") || Is(r, kApiMessage, "E00030");
}

bool ReplyTestC2(const ReplyRecord& r) {
    return Is(r, kApiResult, "1") && Is(r, kApiMessage, "E00030");
}

bool ReplyTestD(const ReplyRecord& r) {
    return ReplyTestC(r);
}

bool ReplyTestE2(const ReplyRecord& r) {
    if (Is(r, kApiResult, "1"))
        return false;
    return !(Is(r, kApiResult, "0") && ReplyValue(r, QStringLiteral("USER_AUTH")) != QLatin1String("0"));
}

bool ReplyTestE(const QString& replyText, const ReplyRecord& r) {
    return !replyText.isEmpty() && ReplyTestE2(r);
}

bool ReplyTestF(const ReplyRecord& r) {
    return Is(r, kApiResult, "0");
}
