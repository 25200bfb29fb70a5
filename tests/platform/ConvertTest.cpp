#include "platform/Convert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>

#include "platform/Error.h"
#include "support/ErrorOf.h"

namespace vlm {
namespace {

using test::errorOf;

TEST(RoundHalfEven, TiesGoToTheEvenNeighbour) {
  struct Case {
    double in;
    int32_t out;
  } cases[] = {{2.5, 2}, {3.5, 4}, {-2.5, -2}, {-3.5, -4}, {0.5, 0}, {1.49, 1}, {1.51, 2}};
  for (const auto& c : cases) EXPECT_EQ(toLong(c.in), c.out) << c.in;
}

TEST(WholeNumbers, OverflowRaisesErrorSix) {
  EXPECT_EQ(errorOf([] { toLong(2147483647.4); }), 0);
  EXPECT_EQ(errorOf([] { toLong(2147483647.5); }), err::kOverflow);
  EXPECT_EQ(errorOf([] { toLong(-2147483648.5); }), 0);  // ties to even -2147483648
  EXPECT_EQ(errorOf([] { toInteger(32767.5); }), err::kOverflow);
  EXPECT_EQ(errorOf([] { toInteger(-32768.4); }), 0);
  EXPECT_EQ(errorOf([] { toLong(std::nan("")); }), err::kOverflow);
  EXPECT_EQ(errorOf([] { toSingle(1e39); }), err::kOverflow);
}

TEST(TextToSingle, PeriodAndCommaBothServeAsTheDecimalSeparator) {
  struct Case {
    const char* text;
    float value;
  } cases[] = {{"1.25", 1.25f}, {"1,25", 1.25f}, {"-3", -3.f},   {"+2.5", 2.5f},
               {"1e3", 1000.f}, {"1,5E-1", 0.15f}, {" 7 ", 7.f}, {".5", 0.5f},
               {"5.", 5.f},     {"-,5", -0.5f}};
  for (const auto& c : cases) EXPECT_FLOAT_EQ(textToSingle(c.text), c.value) << c.text;
}

TEST(TextToSingle, TextThatIsNotANumberIsATypeMismatch) {
  for (const char* text : {"", " ", "abc", "1.2.3", "1.5,2", "1e", "inf", "nan", "0x10", "1 2",
                           "--1", ".", "1\t"}) {
    EXPECT_EQ(errorOf([&] { textToSingle(text); }), err::kTypeMismatch) << '"' << text << '"';
  }
}

// Short numbers take a quicker path than long ones or ones with an exponent; every
// length must give the correctly rounded double, bit for bit what strtod gives.
TEST(ParseDecimal, EveryDigitCountRoundsLikeStrtod) {
  std::mt19937_64 random(20261206);
  for (int i = 0; i < 200000; ++i) {
    const int digits = 1 + static_cast<int>(random() % 20);
    const int point = static_cast<int>(random() % (digits + 2));  // beyond: no point
    std::string text = random() % 4 == 0 ? "-" : "";
    for (int d = 0; d < digits; ++d) {
      if (d == point) text += '.';
      text += static_cast<char>('0' + random() % 10);
    }
    if (random() % 8 == 0) text += "e" + std::to_string(static_cast<int>(random() % 40) - 20);
    double parsed = 0;
    ASSERT_TRUE(parseDecimal(text, '.', parsed)) << text;
    const double expected = std::strtod(text.c_str(), nullptr);
    ASSERT_EQ(std::signbit(parsed), std::signbit(expected)) << text;
    ASSERT_EQ(parsed, expected) << text;
    ASSERT_EQ(leadingValue(text + "/7"), expected) << text;
  }
}

TEST(NumericText, UsesThePeriodOnly) {
  EXPECT_TRUE(isNumeric("1e3"));
  EXPECT_TRUE(isNumeric(" -2.5 "));
  EXPECT_FALSE(isNumeric("1,5"));
  EXPECT_FALSE(isNumeric(""));
  EXPECT_FALSE(isNumeric("12abc"));
}

TEST(LeadingValue, TakesTheLongestNumberPrefix) {
  struct Case {
    const char* text;
    double value;
  } cases[] = {{"12abc", 12}, {"abc", 0}, {"", 0}, {"7/3/5", 7}, {"-4.5e1x", -45},
               {"3e", 3},     {"  9", 9}, {"+.5", 0.5}};
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(leadingValue(c.text), c.value) << c.text;
}

}  // namespace
}  // namespace vlm
