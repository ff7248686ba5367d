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

} // namespace tamvik
