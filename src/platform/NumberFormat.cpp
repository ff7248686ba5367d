#include "NumberFormat.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <string>

namespace tamvik {

namespace {

bool IsBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

QString TrimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsBlank(text.at(begin)))
        ++begin;
    while (end > begin && IsBlank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

bool IsDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

QString FormatReal(double value, QChar decimalSeparator) {
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    if (value == 0.0)
        return QStringLiteral("0"); // negative zero too

    char16_t out[64];
    int n = 0;
    const auto put = [&](char c) { out[n++] = static_cast<char16_t>(c); };
    const char16_t sep = decimalSeparator.unicode();

    // Most values a project holds are whole thousandths (times like 1.25 s). Their
    // 15-digit text is the thousandths' own, written without the general conversion.
    const double thousandths = value * 1000.0;
    if (std::fabs(value) >= 0.001 && std::fabs(value) < 1e12 && thousandths == std::nearbyint(thousandths)) {
        const long long k = std::llround(std::fabs(thousandths));
        if (value < 0)
            put('-');
        char whole[24];
        const auto written = std::to_chars(whole, whole + sizeof whole, k / 1000);
        for (const char* c = whole; c < written.ptr; ++c)
            put(*c);
        int fraction = int(k % 1000);
        if (fraction != 0) {
            out[n++] = sep;
            char three[3] = {char('0' + fraction / 100), char('0' + fraction / 10 % 10), char('0' + fraction % 10)};
            int keep = 3;
            while (three[keep - 1] == '0')
                --keep;
            for (int i = 0; i < keep; ++i)
                put(three[i]);
        }
        return QString(reinterpret_cast<const QChar*>(out), n);
    }

    // Round to 15 significant digits first; the rounded exponent decides the notation,
    // so 999999999999999.9 becomes 1E15.
    // std::to_chars never looks at the C library's locale, whose radix may be several bytes.
    // A save writes hundreds of thousands of these: the text is put together in one buffer
    // and becomes a string once.
    char buf[64];
    const auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    // buf: [-]d.dddddddddddddde[+-]xx
    const char* p = buf;
    const bool negative = *p == '-';
    if (negative)
        ++p;
    const char* e = std::find(p, static_cast<const char*>(result.ptr), 'e');
    char digits[20];
    int count = 0;
    digits[count++] = p[0];
    for (const char* d = p + 2; d < e; ++d)
        digits[count++] = *d;
    int exponent = 0;
    const char* expFirst = e + 1;
    if (*expFirst == '+')
        ++expFirst;
    std::from_chars(expFirst, static_cast<const char*>(result.ptr), exponent);
    while (count > 1 && digits[count - 1] == '0')
        --count;

    if (negative)
        put('-');
    if (exponent >= -4 && exponent < 15) {
        if (exponent < 0) {
            put('0');
            out[n++] = sep;
            for (int z = 0; z < -exponent - 1; ++z)
                put('0');
            for (int i = 0; i < count; ++i)
                put(digits[i]);
        } else {
            const int intDigits = exponent + 1;
            for (int i = 0; i < std::min(count, intDigits); ++i)
                put(digits[i]);
            for (int i = count; i < intDigits; ++i)
                put('0');
            if (count > intDigits) {
                out[n++] = sep;
                for (int i = intDigits; i < count; ++i)
                    put(digits[i]);
            }
        }
    } else {
        put(digits[0]);
        if (count > 1) {
            out[n++] = sep;
            for (int i = 1; i < count; ++i)
                put(digits[i]);
        }
        put('E');
        char expText[8];
        const auto written = std::to_chars(expText, expText + sizeof expText, exponent);
        for (const char* c = expText; c < written.ptr; ++c)
            put(*c);
    }
    return QString(reinterpret_cast<const QChar*>(out), n);
}

bool ParseReal(const QString& text, double& out, QChar decimalSeparator) {
    const QString t = TrimBlanks(text);
    // Check the grammar ourselves: [+-] digits [sep digits] [(e|E) [+-] digits], at least
    // one mantissa digit. std::from_chars then converts without looking at any locale.
    std::string ascii;
    ascii.reserve(static_cast<std::size_t>(t.size()));
    qsizetype i = 0;
    const qsizetype n = t.size();
    if (i < n && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-'))) {
        if (t[i] == QLatin1Char('-'))
            ascii += '-';
        ++i;
    }
    int mantissaDigits = 0;
    while (i < n && IsDigit(t[i])) {
        ascii += static_cast<char>(t[i].unicode());
        ++i;
        ++mantissaDigits;
    }
    if (i < n && t[i] == decimalSeparator) {
        ascii += '.';
        ++i;
        while (i < n && IsDigit(t[i])) {
            ascii += static_cast<char>(t[i].unicode());
            ++i;
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return false;
    if (i < n && (t[i] == QLatin1Char('e') || t[i] == QLatin1Char('E'))) {
        ascii += 'e';
        ++i;
        if (i < n && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-'))) {
            ascii += static_cast<char>(t[i].unicode());
            ++i;
        }
        int expDigits = 0;
        while (i < n && IsDigit(t[i])) {
            ascii += static_cast<char>(t[i].unicode());
            ++i;
            ++expDigits;
        }
        if (expDigits == 0)
            return false;
    }
    if (i != n)
        return false;
    double value = 0;
    const char* first = ascii.data();
    const char* last = ascii.data() + ascii.size();
    if (*first == '+')
        ++first;
    const auto result = std::from_chars(first, last, value);
    if (result.ec != std::errc() || result.ptr != last || !std::isfinite(value))
        return false;
    out = value;
    return true;
}

bool ParseInt(const QString& text, int& out) {
    const QString t = TrimBlanks(text);
    qsizetype i = 0;
    const qsizetype n = t.size();
    bool negative = false;
    if (i < n && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-'))) {
        negative = t[i] == QLatin1Char('-');
        ++i;
    }
    if (i == n)
        return false;
    long long value = 0;
    for (; i < n; ++i) {
        if (!IsDigit(t[i]))
            return false;
        value = value * 10 + (t[i].unicode() - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            return false;
    }
    if (negative)
        value = -value;
    if (value < INT_MIN || value > INT_MAX)
        return false;
    out = static_cast<int>(value);
    return true;
}

QString FormatInt(long long value) {
    return QString::number(value);
}

QString FormatFixed(double value, int decimals, QChar decimalSeparator) {
    if (!std::isfinite(value))
        return FormatReal(value, decimalSeparator);
    decimals = std::clamp(decimals, 0, 20);
    const double magnitude = std::fabs(value);
    // to_chars rounds exact ties to even; a tie needs at most decimals + 1 fractional
    // binary digits, so it shows exactly in decimals + 1 digits ending in 5.
    const double scaled = std::ldexp(magnitude, decimals + 1);
    const bool mayTie = scaled < 9007199254740992.0 && scaled == std::floor(scaled);
    char buf[400];
    std::to_chars_result r;
    bool roundUp = false;
    if (mayTie) {
        r = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::fixed, decimals + 1);
        roundUp = *(r.ptr - 1) == '5';
        --r.ptr; // drop the extra digit: the rest is the value cut, not rounded
        if (decimals == 0)
            --r.ptr; // and the point
        if (!roundUp) {
            r = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::fixed, decimals);
        }
    } else {
        r = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::fixed, decimals);
    }
    std::string digits(buf, r.ptr);
    if (roundUp) {
        int i = static_cast<int>(digits.size()) - 1;
        for (; i >= 0; --i) {
            if (digits[i] == '.')
                continue;
            if (digits[i] == '9') {
                digits[i] = '0';
                continue;
            }
            ++digits[i];
            break;
        }
        if (i < 0)
            digits.insert(digits.begin(), '1');
    }
    const bool zero = digits.find_first_not_of("0.") == std::string::npos;
    QString out;
    if (value < 0 && !zero)
        out += QLatin1Char('-');
    for (char c : digits)
        out += c == '.' ? decimalSeparator : QLatin1Char(c);
    return out;
}

} // namespace tamvik
