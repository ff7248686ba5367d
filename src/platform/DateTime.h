#pragma once

#include <QDateTime>
#include <cstdint>

namespace tamvik {

// Dates as real days since 30 December 1899 00:00 local time; the fraction is the time
// of day (negative values count back, as the classic serial date does).
// An invalid time gives 0; a day count beyond any date (or NaN) gives an invalid time.
double DateTimeToDays(const QDateTime& localTime);
QDateTime DaysToDateTime(double days);
double NowDays();

// FILETIME: 100-nanosecond units since 1601-01-01 UTC.
std::uint64_t DateTimeToFileTime(const QDateTime& time);
QDateTime FileTimeToDateTime(std::uint64_t fileTime);

} // namespace tamvik
