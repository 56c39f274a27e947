#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "logic/dm3/dm3text.h"

namespace orvella::dm3 {
namespace {

TEST(Dm3FloatText, FixedNotationWithoutTrailingZeros) {
  EXPECT_EQ(FloatToStrGeneral(0.0, '.'), "0");
  EXPECT_EQ(FloatToStrGeneral(7.0, '.'), "7");
  EXPECT_EQ(FloatToStrGeneral(100.0, '.'), "100");
  EXPECT_EQ(FloatToStrGeneral(1.5, '.'), "1.5");
  EXPECT_EQ(FloatToStrGeneral(-2.25, '.'), "-2.25");
  EXPECT_EQ(FloatToStrGeneral(0.3, '.'), "0.3");
  EXPECT_EQ(FloatToStrGeneral(2.0 / 3.0, '.'), "0.666666666666667");
  EXPECT_EQ(FloatToStrGeneral(1.5, ','), "1,5");
  EXPECT_EQ(FloatToStrGeneral(-0.125, ','), "-0,125");
}

TEST(Dm3FloatText, SinglePrecisionValuesShowTheirFifteenDigits) {
  EXPECT_EQ(FloatToStrGeneral(0.1f, '.'), "0.100000001490116");
  EXPECT_EQ(FloatToStrGeneral(3.14159274101257f, '.'), "3.14159274101257");
}

TEST(Dm3FloatText, ScientificBelowOneHundredThousandthAndAboveFifteenDigits) {
  EXPECT_EQ(FloatToStrGeneral(0.00001, '.'), "0.00001");
  EXPECT_EQ(FloatToStrGeneral(0.000015, '.'), "0.000015");
  EXPECT_EQ(FloatToStrGeneral(0.0000099, '.'), "9.9E-6");
  EXPECT_EQ(FloatToStrGeneral(1.5e-7, ','), "1,5E-7");
  EXPECT_EQ(FloatToStrGeneral(-1e-300, '.'), "-1E-300");
  EXPECT_EQ(FloatToStrGeneral(123456789012345.0, '.'), "123456789012345");
  EXPECT_EQ(FloatToStrGeneral(1e15, '.'), "1E15");
  EXPECT_EQ(FloatToStrGeneral(1234567890123456789.0, '.'), "1.23456789012346E18");
  // Rounding to 15 digits can add an integer digit.
  EXPECT_EQ(FloatToStrGeneral(999999999999999.9, '.'), "1E15");
  EXPECT_EQ(FloatToStrGeneral(1.7976931348623157e308, '.'), "1.79769313486232E308");
}

TEST(Dm3FloatText, NotANumberAndInfinities) {
  EXPECT_EQ(FloatToStrGeneral(std::numeric_limits<double>::quiet_NaN(), '.'), "NAN");
  EXPECT_EQ(FloatToStrGeneral(std::numeric_limits<double>::infinity(), '.'), "INF");
  EXPECT_EQ(FloatToStrGeneral(-std::numeric_limits<double>::infinity(), '.'), "-INF");
}

TEST(Dm3IntegerText, ReadsLikeTheRunTime) {
  EXPECT_EQ(ParseInteger(" 512"), 512);
  EXPECT_EQ(ParseInteger("7"), 7);
  EXPECT_EQ(ParseInteger(" -1"), -1);
  EXPECT_EQ(ParseInteger(" +3"), 3);
  EXPECT_EQ(ParseInteger(" 2147483647"), 2147483647);
  EXPECT_EQ(ParseInteger(" -2147483648"), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(ParseInteger(" $FF"), 255);
  EXPECT_EQ(ParseInteger("0x1a"), 26);
  EXPECT_EQ(ParseInteger("$FFFFFFFF"), -1);
}

TEST(Dm3IntegerText, RefusesWhatIsNotA32BitInteger) {
  EXPECT_EQ(ParseInteger(""), std::nullopt);
  EXPECT_EQ(ParseInteger(" "), std::nullopt);
  EXPECT_EQ(ParseInteger(" -"), std::nullopt);
  EXPECT_EQ(ParseInteger(" $"), std::nullopt);
  EXPECT_EQ(ParseInteger(" 1.5"), std::nullopt);
  EXPECT_EQ(ParseInteger(" 12 "), std::nullopt);
  EXPECT_EQ(ParseInteger(" True"), std::nullopt);
  EXPECT_EQ(ParseInteger(" 2147483648"), std::nullopt);
  EXPECT_EQ(ParseInteger(" -2147483649"), std::nullopt);
  EXPECT_EQ(ParseInteger(" 4294967295"), std::nullopt);
  EXPECT_EQ(ParseInteger("$100000000"), std::nullopt);
  EXPECT_EQ(ParseInteger(" 99999999999999999999999"), std::nullopt);
}

// The user's decimal separator, where the test command runs this program in
// a French locale (ORVELLA_EXPECT_DECIMAL names the separator it expects):
// on Windows the user's regional setting, elsewhere the numeric locale that
// Qt takes from the environment, as here.
TEST(Dm3UserLocale, DecimalSeparatorIsTheUsers) {
  const char* expected = std::getenv("ORVELLA_EXPECT_DECIMAL");
  if (!expected || !expected[0]) GTEST_SKIP() << "run by the test command in a French locale";
  ASSERT_NE(std::setlocale(LC_ALL, ""), nullptr) << "the locale of the environment is not installed";
  const char separator = LocaleDecimalSeparator();
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(separator, expected[0]);
  EXPECT_EQ(FloatToStrGeneral(0.00048828125, separator), std::string("0") + expected[0] + "00048828125");
}

}  // namespace
}  // namespace orvella::dm3
