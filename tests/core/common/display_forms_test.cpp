#include "core/common/display_forms.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

namespace chromaflow {
namespace {

TEST(DisplayForms, FixedDecimalsArePaddedAndPointSeparated) {
  EXPECT_EQ(F2(0), "0.00");
  EXPECT_EQ(F1(0), "0.0");
  EXPECT_EQ(F2(1.5), "1.50");
  EXPECT_EQ(F1(12), "12.0");
  EXPECT_EQ(F2(-3.25), "-3.25");
  EXPECT_EQ(F2(123.456), "123.46");
}

TEST(DisplayForms, FiveSignificantDigitsWinOverDecimalsForLargeValues) {
  EXPECT_EQ(F2(1234.567), "1234.60");   // five digits: 1234.6, then padded
  EXPECT_EQ(F2(12345.67), "12346.00");
  EXPECT_EQ(F1(12345.67), "12346.0");
  EXPECT_EQ(F1(1234.56), "1234.6");
  EXPECT_EQ(F2(999.996), "1000.00");
  EXPECT_EQ(F2(9999.96), "10000.00");
}

TEST(DisplayForms, SixIntegerDigitsFallBackToExponentForm) {
  EXPECT_EQ(F2(123456.7), "1.2346E+05");
  EXPECT_EQ(F1(-123456.7), "-1.2346E+05");
  EXPECT_EQ(F2(99999.996), "1.0000E+05");  // rounding carries into a sixth digit
  EXPECT_EQ(F1(99999.96), "1.0000E+05");
  EXPECT_EQ(F2(2.5e12), "2.5000E+12");
  EXPECT_DOUBLE_EQ(value("1.2346E+05"), 123460.0);
}

TEST(DisplayForms, HalvesGoAwayFromZeroOnTheExactBinaryValue) {
  EXPECT_EQ(F2(0.125), "0.13");    // exactly halfway in binary
  EXPECT_EQ(F2(-0.125), "-0.13");
  EXPECT_EQ(F1(0.25), "0.3");
  EXPECT_EQ(F1(2.25), "2.3");
  EXPECT_EQ(F2(1.005), "1.00");    // 1.00499999999999989... in binary
  EXPECT_EQ(F2(2.675), "2.67");    // 2.67499999999999982...
  EXPECT_EQ(F1(12344.5), "12345.0");  // five digits, halfway
  EXPECT_EQ(F1(12345.5), "12346.0");
  EXPECT_EQ(F2(123455.0), "1.2346E+05");
  EXPECT_EQ(F2(float(0.1f)), "0.10");
}

TEST(DisplayForms, RoundOnceNotTwice) {
  // 0.0449 is 0.04 at two decimals; rounding first to one more digit would give 0.05.
  EXPECT_EQ(F2(0.0449), "0.04");
  EXPECT_EQ(F2(1234.5449), "1234.50");
}

TEST(DisplayForms, NegativeZeroIsWrittenWithoutSign) {
  EXPECT_EQ(F2(-0.001), "0.00");
  EXPECT_EQ(F1(-0.04), "0.0");
  EXPECT_EQ(F2(-0.0), "0.00");
}

TEST(DisplayForms, ValueReadsWholeNumbersOnly) {
  EXPECT_DOUBLE_EQ(*tryValue("1.25"), 1.25);
  EXPECT_DOUBLE_EQ(*tryValue(" -3.5 "), -3.5);
  EXPECT_DOUBLE_EQ(*tryValue("+2"), 2.0);
  EXPECT_DOUBLE_EQ(*tryValue("1e3"), 1000.0);
  EXPECT_DOUBLE_EQ(*tryValue(".5"), 0.5);
  for (const char* refused : {"", " ", "1,5", "1.5x", "abc", "--1", "+-1", "1e", "inf", "nan",
                              "NAN", "INF", "0x10", "1e400", "+"})
    EXPECT_FALSE(tryValue(refused)) << refused;
  EXPECT_EQ(value("not a number"), 0.0);
}

TEST(DisplayForms, WhatIsWrittenReadsBackToTheDisplayedValue) {
  for (double x : {0.0, 0.004, 1.0 / 3, 2.0 / 3, 17.455, 999.995, 4321.09, 65432.1, 654321.0}) {
    const std::string text = F2(x);
    EXPECT_EQ(F2(value(text)), text) << x;
  }
}

TEST(DisplayForms, NotAffectedByACommaLocale) {
  const char* found = nullptr;
  for (const char* name : {"fr_FR.UTF-8", "de_DE.UTF-8", "fr_FR.utf8", "de_DE.utf8", "nl_NL.UTF-8"})
    if ((found = std::setlocale(LC_ALL, name))) break;
  ASSERT_NE(found, nullptr) << "no locale with a decimal comma is installed (scripts/setup adds fr_FR.UTF-8)";
  ASSERT_STREQ(std::localeconv()->decimal_point, ",");
  EXPECT_EQ(F2(1234.567), "1234.60");
  EXPECT_EQ(F1(0.25), "0.3");
  EXPECT_EQ(F2(123456.7), "1.2346E+05");
  EXPECT_DOUBLE_EQ(value("12.75"), 12.75);
  EXPECT_FALSE(tryValue("12,75"));
  std::setlocale(LC_ALL, "C");
}

TEST(DisplayForms, NonFiniteValuesAreWrittenNotCrashedOn) {
  EXPECT_EQ(F2(std::numeric_limits<double>::quiet_NaN()), "NAN");
  EXPECT_EQ(F2(std::numeric_limits<double>::infinity()), "INF");
  EXPECT_EQ(F1(-std::numeric_limits<double>::infinity()), "-INF");
  EXPECT_FALSE(tryValue("NAN"));
}

TEST(Round, TiesGoToTheEvenInteger) {
  EXPECT_EQ(Round(0.5), 0);
  EXPECT_EQ(Round(1.5), 2);
  EXPECT_EQ(Round(2.5), 2);
  EXPECT_EQ(Round(-2.5), -2);
  EXPECT_EQ(Round(-3.5), -4);
  EXPECT_EQ(Round(2.4999), 2);
  EXPECT_EQ(Round(2.5001), 3);
  EXPECT_EQ(Round(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(Round(1e300), std::numeric_limits<std::int64_t>::max());
}

TEST(Interpolate, IsComputedInThirtyTwoBits) {
  EXPECT_EQ(Interpolate(5, 0, 10, 0, 100), 50.0f);
  EXPECT_EQ(Interpolate(0, 0, 10, 20, 30), 20.0f);
  EXPECT_EQ(Interpolate(15, 0, 10, 0, 100), 150.0f);  // outside the interval: extrapolates
  // (x - x0)(y1 - y0) is rounded to 32 bits before the division.
  const float x = 0.1f, x0 = 0.0f, x1 = 0.3f, y0 = 0.0f, y1 = 0.7f;
  const float product = (x - x0) * (y1 - y0);
  EXPECT_EQ(Interpolate(x, x0, x1, y0, y1), y0 + product / (x1 - x0));
  EXPECT_NE(static_cast<double>(Interpolate(x, x0, x1, y0, y1)),
            0.0 + (double(x) - x0) * (double(y1) - y0) / (double(x1) - x0));
  // Half-way along a wall of 1e38 m and 1e38 m²: the product alone is beyond 32 bits.
  EXPECT_FLOAT_EQ(Interpolate(5e37f, 0, 1e38f, 0, 1e38f), 5e37f);
}

}  // namespace
}  // namespace chromaflow
