#include "NumberFormat.h"
#include "RadixLocale.h"

#include <climits>
#include <random>
#include <gtest/gtest.h>

using namespace tamvik;

TEST(NumberFormat, FormatRealGeneral15Digits) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {0.5, "0.5"},
        {1e-5, "1E-5"},
        {1e20, "1E20"},
        {0.0001, "0.0001"},
        {0.00012345, "0.00012345"},
        {123456789012345.0, "123456789012345"},
        {1e15, "1E15"},
        {999999999999999.9, "1E15"}, // rounds up to 16 digits
        {-2.5e-7, "-2.5E-7"},
        {1.0 / 3.0, "0.333333333333333"},
        {2.0 / 3.0, "0.666666666666667"},
        {0.0, "0"},
        {-0.0, "0"},
        {100.0, "100"},
        {-1.5, "-1.5"},
        {45000.25, "45000.25"},
        {1.2345678901234567e-10, "1.23456789012346E-10"},
        {1.7976931348623157e308, "1.79769313486232E308"},
        // Whole thousandths, the common case, and the values around its bounds.
        {0.001, "0.001"},
        {-0.125, "-0.125"},
        {0.1, "0.1"},
        {100.1, "100.1"},
        {1234567.891, "1234567.891"},
        {999999999999.999, "999999999999.999"},
        {1e12, "1000000000000"},
        {0.0009, "0.0009"},
        {2.0005, "2.0005"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatReal(c.value), QString::fromLatin1(c.text)) << c.text;
    EXPECT_EQ(FormatReal(0.5, QLatin1Char(',')), "0,5");
    EXPECT_EQ(FormatReal(-2.5e-7, QLatin1Char(',')), "-2,5E-7");
}

// Whole thousandths take a short way; its text must be the general one, which for these
// magnitudes is what Qt's own 15-digit conversion writes.
TEST(NumberFormat, ThousandthsWriteTheGeneralText) {
    std::mt19937_64 random(7);
    for (int i = 0; i < 20000; ++i) {
        const long long k = static_cast<long long>(random() % 1000000000000000ULL) >> (random() % 48);
        const double value = (i % 2 ? -1.0 : 1.0) * double(k) / 1000.0;
        if (value == 0.0)
            continue;
        ASSERT_EQ(FormatReal(value), QString::number(value, 'g', 15)) << k;
    }
}

TEST(NumberFormat, RealsIgnoreTheCLibraryLocale) {
    RadixLocale locale;
    if (!locale.active())
        GTEST_SKIP() << "no locale with a multi-byte decimal point could be set";
    const struct {
        double value;
        const char* text;
    } cases[] = {{0.5, "0.5"}, {-2.5e-7, "-2.5E-7"}, {45000.25, "45000.25"}, {1e20, "1E20"}};
    for (const auto& c : cases) {
        EXPECT_EQ(FormatReal(c.value), QString::fromLatin1(c.text)) << c.text;
        double back = 0;
        EXPECT_TRUE(ParseReal(c.text, back)) << c.text;
        EXPECT_DOUBLE_EQ(back, c.value) << c.text;
    }
}

TEST(NumberFormat, ParseRealAcceptsWhatFormatRealWrites) {
    const struct {
        const char* text;
        double value;
    } good[] = {{"0.5", 0.5}, {"1E-5", 1e-5}, {"1e20", 1e20}, {" -2.5E-7 ", -2.5e-7}, {"+3", 3},
                {".5", 0.5},  {"5.", 5},      {"1E+3", 1000}, {"45000.25", 45000.25}};
    for (const auto& c : good) {
        double v = -99;
        EXPECT_TRUE(ParseReal(c.text, v)) << c.text;
        EXPECT_DOUBLE_EQ(v, c.value) << c.text;
    }
    const char* bad[] = {"",  " ",     "abc", "1,5", "1.2.3", "1E",  "E5", ".",
                         "-", "1e400", "nan", "inf", "0x10",  "1 2", "5%"};
    for (const char* text : bad) {
        double v = 42;
        EXPECT_FALSE(ParseReal(text, v)) << text;
        EXPECT_EQ(v, 42) << "out must stay unchanged: " << text;
    }
    double v = 0;
    EXPECT_TRUE(ParseReal("1,5", v, QLatin1Char(',')));
    EXPECT_DOUBLE_EQ(v, 1.5);
    EXPECT_FALSE(ParseReal("1.5", v, QLatin1Char(',')));
}

TEST(NumberFormat, FormatRealRoundTripsThroughParse) {
    for (double value : {0.1, 1.0 / 7.0, 45123.999999, -1e-300, 6.02214076e23, 1234.5678}) {
        double back = 0;
        ASSERT_TRUE(ParseReal(FormatReal(value), back)) << value;
        EXPECT_NEAR(back, value, std::abs(value) * 1e-14) << value;
    }
}

TEST(NumberFormat, ParseIntBounds) {
    const struct {
        const char* text;
        int value;
    } good[] = {
        {"0", 0},  {"-5", -5}, {"+7", 7}, {" 12 ", 12}, {"2147483647", INT_MAX}, {"-2147483648", INT_MIN},
        {"007", 7}};
    for (const auto& c : good) {
        int v = -99;
        EXPECT_TRUE(ParseInt(c.text, v)) << c.text;
        EXPECT_EQ(v, c.value) << c.text;
    }
    const char* bad[] = {"",    "-",          "+",           "1.0",
                         "1e3", "2147483648", "-2147483649", "99999999999999999999",
                         "12a", "0x10",       "1 2"};
    for (const char* text : bad) {
        int v = 42;
        EXPECT_FALSE(ParseInt(text, v)) << text;
        EXPECT_EQ(v, 42) << text;
    }
    EXPECT_EQ(FormatInt(-12345678901LL), "-12345678901");
}

TEST(NumberFormat, FormatFixedRoundsHalfAwayFromZero) {
    const struct {
        double value;
        int decimals;
        const char* text;
    } cases[] = {
        {0.125, 2, "0.13"}, // exact tie: up, where printf would go to even
        {0.375, 2, "0.38"},
        {2.5, 0, "3"},
        {0.5, 1, "0.5"},
        {2.0, 1, "2.0"},
        {100.0, 2, "100.00"},
        {0.0, 2, "0.00"},
        {100.0 / 3.0, 2, "33.33"},
        {200.0 / 3.0, 2, "66.67"},
        {0.15, 1, "0.1"},      // 0.1499999999999999944... is no tie
        {0.35, 1, "0.3"},      // 0.34999999999999997779...
        {0.45, 1, "0.5"},      // 0.4500000000000000111...
        {9.995, 2, "9.99"},    // 9.9949999999999992184...
        {99.995, 2, "100.00"}, // 99.9950000000000045474...
        {9.5, 0, "10"},
        {99.875, 2, "99.88"},
        {-1.0, 3, "-1.000"},
        {-0.125, 2, "-0.13"},
        {-0.001, 2, "0.00"},
        {0.75, 3, "0.750"},
        {1234567.0, 1, "1234567.0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatFixed(c.value, c.decimals), QString::fromLatin1(c.text))
            << c.value << " with " << c.decimals << " decimals";
    EXPECT_EQ(FormatFixed(0.125, 2, QLatin1Char(',')), QStringLiteral("0,13"));
}
