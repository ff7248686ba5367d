#include "ScheduleCellRules.h"

#include "MainUnit.h"

#include <cmath>

namespace schedulecell {

namespace {

bool IsTime(const QString& header) {
    return header.contains(TfrmMain::Ids("IDS_254"));
}

// A whole number of at least 1; 0 for anything else (overflow included).
int WholeAtLeastOne(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value >= 1 ? value : 0;
}

} // namespace

Kind KindOf(const QString& header) {
    if (IsTime(header))
        return Kind::Time;
    if (header.contains(TfrmMain::Ids("IDS_258")))
        return Kind::Repeat;
    if (header.contains(QLatin1String("ID")))
        return Kind::Stimulus;
    return Kind::Correct;
}

QString EditText(const QString& cellText) {
    if (cellText == QLatin1String("Infinity"))
        return QStringLiteral("i");
    if (cellText == QLatin1String("Pause"))
        return QStringLiteral("p");
    return cellText;
}

bool AcceptsChar(Kind kind, QChar ch, const QString& rest, QChar sep) {
    if (ch.isDigit() && ch.unicode() < 128)
        return true;
    if (ch == sep)
        return kind == Kind::Time && !rest.contains(sep);
    if (ch == QLatin1Char('i') || ch == QLatin1Char('I'))
        return kind == Kind::Repeat && rest.compare(QLatin1String("i"), Qt::CaseInsensitive) != 0;
    if (ch == QLatin1Char('p') || ch == QLatin1Char('P'))
        return kind == Kind::Time && rest.compare(QLatin1String("p"), Qt::CaseInsensitive) != 0;
    return false;
}

bool AcceptsText(Kind kind, const QString& text, QChar sep) {
    QString typed;
    for (QChar ch : text) {
        if (!AcceptsChar(kind, ch, typed, sep))
            return false;
        typed += ch;
    }
    return true;
}

QString OneDecimal(double value, QChar sep) {
    const double rounded = std::floor(value * 10.0 + 0.5) / 10.0;
    QString text = QString::number(rounded, 'f', 1);
    text.replace(QLatin1Char('.'), sep);
    return text;
}

Result Normalise(const QString& header, const QString& typed, bool startColumn, QChar sep) {
    if (typed.isEmpty())
        return {EmptyValue(header, sep)};
    switch (KindOf(header)) {
    case Kind::Time: {
        if (typed.contains(QLatin1Char('p'), Qt::CaseInsensitive))
            return {QStringLiteral("Pause")};
        QString text = typed;
        if (!text.contains(sep))
            text += sep + QStringLiteral("0");
        else if (text.endsWith(sep))
            text += QLatin1Char('0');
        // Only what was completed above is rounded; a typed fraction stays as typed.
        QString plain = text;
        plain.replace(sep, QLatin1Char('.'));
        const double value = plain.toDouble();
        if (text != typed)
            text = OneDecimal(value, sep);
        if (startColumn && value < 1.0)
            text = OneDecimal(1.0, sep);
        return {text};
    }
    case Kind::Repeat:
        if (typed.contains(QLatin1Char('i'), Qt::CaseInsensitive))
            return {QStringLiteral("Infinity")};
        [[fallthrough]];
    case Kind::Stimulus:
    case Kind::Correct: {
        const int value = WholeAtLeastOne(typed);
        if (value == 0)
            return {QStringLiteral("1"), true};
        return {QString::number(value)};
    }
    }
    return {typed};
}

QString EmptyValue(const QString& header, QChar sep) {
    if (IsTime(header))
        return OneDecimal(1.0, sep);
    if (header.contains(TfrmMain::Ids("IDS_264")))
        return QStringLiteral("1");
    if (header.contains(TfrmMain::Ids("IDS_265")))
        return QStringLiteral("-1");
    return QString();
}

} // namespace schedulecell
