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

    // Round to 15 significant digits first; the rounded exponent decides the notation,
    // so 999999999999999.9 becomes 1E15.
    // std::to_chars never looks at the C library's locale, whose radix may be several bytes.
    char buf[64];
    const auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    // buf: [-]d.dddddddddddddde[+-]xx
    std::string s(buf, result.ptr);
    const bool negative = s[0] == '-';
    if (negative)
        s.erase(0, 1);
    const std::size_t ePos = s.find('e');
    std::string digits = s.substr(0, 1) + s.substr(2, ePos - 2);
    int exponent = 0;
    const char* expFirst = s.c_str() + ePos + 1;
    if (*expFirst == '+')
        ++expFirst;
    std::from_chars(expFirst, s.c_str() + s.size(), exponent);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    QString out;
    if (negative)
        out += QLatin1Char('-');
    const QChar sep = decimalSeparator;
    if (exponent >= -4 && exponent < 15) {
        if (exponent < 0) {
            out += QLatin1Char('0');
            out += sep;
            out += QString(-exponent - 1, QLatin1Char('0'));
            out += QString::fromLatin1(digits.c_str());
        } else {
            const std::size_t intDigits = static_cast<std::size_t>(exponent) + 1;
            if (digits.size() <= intDigits) {
                out += QString::fromLatin1(digits.c_str());
                out += QString(static_cast<qsizetype>(intDigits - digits.size()), QLatin1Char('0'));
            } else {
                out += QString::fromLatin1(digits.substr(0, intDigits).c_str());
                out += sep;
                out += QString::fromLatin1(digits.substr(intDigits).c_str());
            }
        }
    } else {
        out += QLatin1Char(digits[0]);
        if (digits.size() > 1) {
            out += sep;
            out += QString::fromLatin1(digits.substr(1).c_str());
        }
        out += QLatin1Char('E');
        out += QString::number(exponent);
    }
    return out;
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
