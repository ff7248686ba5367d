#pragma once

#include <QChar>
#include <QString>

namespace tamvik {

// Reals in the general format with 15 significant digits: shortest form, no trailing
// zeros, fixed notation for 1E-4 <= |v| < 1E15, otherwise "E" notation without plus sign
// or leading zeros in the exponent (1E-5, 1E20, -2.5E-7). The separator is explicit:
// the process locale is never consulted or changed.
QString FormatReal(double value, QChar decimalSeparator = QLatin1Char('.'));
// Parses a real written with the given decimal separator (blanks around allowed,
// exponent allowed). False on anything else; out is unchanged then.
bool ParseReal(const QString& text, double& out, QChar decimalSeparator = QLatin1Char('.'));
// Optionally signed decimal integer within int's range (blanks around allowed). False on
// anything else; out is unchanged then.
bool ParseInt(const QString& text, int& out);
// Decimal, leading minus for negatives, no grouping.
QString FormatInt(long long value);
// Fixed notation with exactly `decimals` digits after the separator (0 to 20), no
// grouping, rounded half away from zero from the exact binary value: 0.125 gives "0.13"
// with two decimals, 2 gives "2.0" with one. A result that rounds to zero keeps no sign.
QString FormatFixed(double value, int decimals, QChar decimalSeparator = QLatin1Char('.'));

} // namespace tamvik
