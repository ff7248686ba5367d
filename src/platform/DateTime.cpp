#include "DateTime.h"

#include <cmath>

namespace tamvik {

namespace {

const QDate kEpoch(1899, 12, 30);
constexpr double kMsPerDay = 86400000.0;
// Seconds from 1601-01-01 to 1970-01-01, both UTC.
constexpr std::int64_t kFileTimeEpochOffsetMs = 11644473600LL * 1000;

} // namespace

double DateTimeToDays(const QDateTime& localTime) {
    if (!localTime.isValid())
        return 0;
    const QDateTime local = localTime.toLocalTime();
    const double whole = static_cast<double>(kEpoch.daysTo(local.date()));
    const double fraction = local.time().msecsSinceStartOfDay() / kMsPerDay;
    // Before the epoch the whole part counts back while the fraction still adds time of
    // day, so its sign follows the whole part: -1.25 is 29 Dec 1899 06:00.
    return whole < 0 ? whole - fraction : whole + fraction;
}

QDateTime DaysToDateTime(double days) {
    if (!std::isfinite(days))
        return QDateTime();
    // Beyond QDate's range the value means nothing useful.
    if (std::fabs(days) > 1e9)
        return QDateTime();
    double whole = std::trunc(days);
    long long ms = std::llround(std::fabs(days - whole) * kMsPerDay);
    if (ms >= static_cast<long long>(kMsPerDay)) {
        // Rounding reached midnight of the following day.
        if (days >= 0) {
            whole += 1;
            ms = 0;
        } else {
            ms = static_cast<long long>(kMsPerDay) - 1;
        }
    }
    const QDate date = kEpoch.addDays(static_cast<qint64>(whole));
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)), Qt::LocalTime);
}

double NowDays() {
    return DateTimeToDays(QDateTime::currentDateTime());
}

std::uint64_t DateTimeToFileTime(const QDateTime& time) {
    if (!time.isValid())
        return 0;
    const std::int64_t ms = time.toMSecsSinceEpoch() + kFileTimeEpochOffsetMs;
    return ms < 0 ? 0 : static_cast<std::uint64_t>(ms) * 10000u;
}

QDateTime FileTimeToDateTime(std::uint64_t fileTime) {
    const std::int64_t ms = static_cast<std::int64_t>(fileTime / 10000u) - kFileTimeEpochOffsetMs;
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::LocalTime);
}

} // namespace tamvik
