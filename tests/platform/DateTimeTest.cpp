#include "DateTime.h"
#include "FileTimes.h"
#include "TestDir.h"

#include <QFile>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

using namespace tamvik;

namespace {

// Local-time results depend on the zone; pin one with a daylight-saving change.
class DateTimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("TZ");
        m_oldTz = old ? old : "";
        m_hadTz = old != nullptr;
        setenv("TZ", "Europe/Berlin", 1);
        tzset();
    }
    void TearDown() override {
        if (m_hadTz)
            setenv("TZ", m_oldTz.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::string m_oldTz;
    bool m_hadTz = false;
};

QDateTime Local(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::LocalTime);
}

} // namespace

TEST_F(DateTimeTest, DaysAroundTheEpoch) {
    const struct {
        QDateTime time;
        double days;
    } cases[] =
        {
            {Local(1899, 12, 30), 0.0},         {Local(1899, 12, 30, 6), 0.25},
            {Local(1899, 12, 31, 12), 1.5},     {Local(1899, 12, 29), -1.0},
            {Local(1899, 12, 29, 6), -1.25}, // the fraction counts forward within the day
            {Local(1899, 12, 29, 18), -1.75},   {Local(1900, 1, 1), 2.0},
            {Local(2024, 2, 29, 18), 45351.75},
        };
    for (const auto& c : cases) {
        const std::string name = c.time.toString(Qt::ISODate).toStdString();
        EXPECT_DOUBLE_EQ(DateTimeToDays(c.time), c.days) << name;
        EXPECT_EQ(DaysToDateTime(c.days), c.time) << name;
    }
}

TEST_F(DateTimeTest, LocalTimeWithFraction) {
    const QDateTime summer = Local(2024, 7, 1, 13, 45, 30, 250);
    const double days = DateTimeToDays(summer);
    EXPECT_NEAR(days, 45474 + (13 * 3600 + 45 * 60 + 30.25) / 86400.0, 1e-9);
    EXPECT_EQ(DaysToDateTime(days), summer);
    // The same instant given in UTC counts as local time.
    EXPECT_DOUBLE_EQ(DateTimeToDays(summer.toUTC()), days);
    // A value a hair below midnight rounds to the next day, not to 24:00.
    EXPECT_EQ(DaysToDateTime(45474.9999999999), Local(2024, 7, 2));
    EXPECT_FALSE(DaysToDateTime(std::numeric_limits<double>::quiet_NaN()).isValid());
    EXPECT_FALSE(DaysToDateTime(1e300).isValid());
    EXPECT_EQ(DateTimeToDays(QDateTime()), 0);
    EXPECT_NEAR(NowDays(), DateTimeToDays(QDateTime::currentDateTime()), 1.0 / 86400);
}

TEST_F(DateTimeTest, FileTimeRoundTrips) {
    const QDateTime unixEpoch = QDateTime::fromMSecsSinceEpoch(0, Qt::UTC);
    EXPECT_EQ(DateTimeToFileTime(unixEpoch), 116444736000000000ULL);
    EXPECT_EQ(FileTimeToDateTime(116444736000000000ULL), unixEpoch);
    EXPECT_EQ(FileTimeToDateTime(0), QDateTime(QDate(1601, 1, 1), QTime(0, 0), Qt::UTC));
    for (const QDateTime& t :
         {Local(2024, 3, 31, 3, 30), Local(1999, 12, 31, 23, 59, 59, 999), Local(1899, 12, 30)}) {
        const std::uint64_t ft = DateTimeToFileTime(t);
        EXPECT_EQ(FileTimeToDateTime(ft), t) << t.toString(Qt::ISODate).toStdString();
    }
    EXPECT_EQ(DateTimeToFileTime(QDateTime(QDate(1500, 1, 1), QTime(0, 0), Qt::UTC)), 0u) << "before 1601";
    EXPECT_EQ(DateTimeToFileTime(QDateTime()), 0u);
}

TEST_F(DateTimeTest, FileTimesOfARealFile) {
    TestDir dir;
    const QString path = dir.file("f.wav");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    std::uint64_t created = 0, written = 0;
    ASSERT_TRUE(ReadFileTimes(path, created, written));
    const std::uint64_t now = DateTimeToFileTime(QDateTime::currentDateTimeUtc());
    EXPECT_LE(written, now + 10000000ULL);
    EXPECT_GE(written, now - 600000000ULL);
    EXPECT_GT(created, 0u);

    // 2001-02-03 04:05:06.1234567 UTC: sub-microsecond digits survive as far as the
    // file system keeps them (nanoseconds here).
    const std::uint64_t wanted =
        DateTimeToFileTime(QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC)) + 1234567;
    ASSERT_TRUE(SetFileLastWriteTime(path, wanted));
    std::uint64_t created2 = 0, written2 = 0;
    ASSERT_TRUE(ReadFileTimes(path, created2, written2));
    EXPECT_EQ(written2, wanted);
    EXPECT_EQ(created2, created) << "the birth time is not changed";

    EXPECT_FALSE(ReadFileTimes(dir.file("missing"), created, written));
    EXPECT_FALSE(SetFileLastWriteTime(dir.file("missing"), wanted));
}
