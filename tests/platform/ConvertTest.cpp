#include "platform/Convert.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <random>
#include <string>

#include "platform/Error.h"
#include "support/ErrorOf.h"

namespace vlm {
namespace {

using test::errorOf;
constexpr double kOverflow = NAN;

// Whole numbers round halves to the even neighbour; what does not fit is error 6.
TEST(Convert, NumbersRoundHalfToEvenAndOverflowWithErrorSix) {
  const struct {
    char to;  // 'L'ong, 'I'nteger or 'S'ingle
    double in, out;
  } cases[] = {{'L', 2.5, 2}, {'L', 3.5, 4}, {'L', -2.5, -2}, {'L', -3.5, -4}, {'L', 1.51, 2},
               {'L', 2147483647.4, 2147483647}, {'L', 2147483647.5, kOverflow},
               {'L', -2147483648.5, -2147483648.0}, {'L', -2147483649.0, kOverflow},
               {'L', NAN, kOverflow}, {'I', 32767.4, 32767}, {'I', 32767.5, kOverflow},
               {'I', -32768.4, -32768}, {'I', -32768.6, kOverflow}, {'S', FLT_MAX, FLT_MAX},
               {'S', -1e39, kOverflow}};
  for (const auto& c : cases) {
    double out = kOverflow;
    const int error = errorOf([&] {
      out = c.to == 'L' ? toLong(c.in) : c.to == 'I' ? toInteger(c.in) : double(toSingle(c.in));
    });
    EXPECT_EQ(error, std::isnan(c.out) ? err::kOverflow : 0) << c.to << ' ' << c.in;
    EXPECT_TRUE(out == c.out || std::isnan(c.out)) << c.to << ' ' << c.in << " gave " << out;
  }
  EXPECT_TRUE(std::isnan(toSingle(NAN)));
}

// The first "." or "," of the text is its decimal separator; what is no number is error 13.
TEST(Convert, TextTakesPeriodOrCommaAsTheDecimalSeparator) {
  const std::pair<const char*, float> numbers[] = {
      {"1.25", 1.25f}, {"1,25", 1.25f}, {"-3", -3.f}, {"+2.5", 2.5f}, {"1e3", 1000.f},
      {"1,5E-1", 0.15f}, {" 7 ", 7.f}, {".5", 0.5f}, {"5.", 5.f}, {"-,5", -0.5f}};
  for (const auto& [text, value] : numbers) EXPECT_FLOAT_EQ(textToSingle(text), value) << text;
  for (const char* text : {"", " ", "abc", "1.2.3", "1.5,2", "1e", "inf", "nan", "0x10", "1 2",
                           "--1", ".", "-", "1\t"}) {
    EXPECT_EQ(errorOf([&] { textToSingle(text); }), err::kTypeMismatch) << '"' << text << '"';
    EXPECT_EQ(errorOf([&] { textToLong(text); }), err::kTypeMismatch) << '"' << text << '"';
  }
  EXPECT_EQ(std::pair(textToLong("2,5"), textToLong(" 3.5")), std::pair(2, 4));
  EXPECT_EQ(errorOf([] { textToLong("3e9"); }), err::kOverflow);
  EXPECT_EQ(errorOf([] { textToSingle("1e39"); }), err::kOverflow);
}

// Short numbers take a quicker path than long ones or ones with an exponent; every
// length must give the correctly rounded double, bit for bit what strtod gives. The
// quick reader alone takes at most 15 digits and no exponent.
TEST(Convert, EveryDigitCountRoundsLikeStrtod) {
  std::mt19937_64 random(20261206);
  for (int i = 0; i < 200000; ++i) {
    const int digits = 1 + static_cast<int>(random() % 20);
    const int point = static_cast<int>(random() % (digits + 2));  // beyond: no point
    std::string text = random() % 4 == 0 ? "-" : "";
    for (int d = 0; d < digits; ++d) text += (d == point ? "." : "") + std::to_string(random() % 10);
    const bool exponent = random() % 8 == 0;
    if (exponent) text += "e" + std::to_string(static_cast<int>(random() % 40) - 20);
    double parsed = 0, plain = 0;
    const double expected = std::strtod(text.c_str(), nullptr);
    ASSERT_TRUE(parseDecimal(text, '.', parsed)) << text;
    ASSERT_EQ(std::signbit(parsed), std::signbit(expected)) << text;
    ASSERT_EQ(parsed, expected) << text;
    ASSERT_EQ(leadingValue(text + "/7"), expected) << text;
    const char* end = text.data() + text.size();
    const bool quick = !exponent && digits <= 15;
    ASSERT_EQ(plainDecimal(text.data(), end, plain), quick ? end : nullptr) << text;
    ASSERT_EQ(plain, quick ? expected : 0.0) << text;
  }
}

// isNumeric wants the whole text with "." as the point; leadingValue the longest number
// at the start.
TEST(Convert, NumericTextAndLeadingValue) {
  const struct {
    const char* text;
    bool numeric;
    double leading;
  } cases[] = {{"1e3", true, 1000}, {" -2.5 ", true, -2.5}, {"1,5", false, 1}, {"", false, 0},
               {"12abc", false, 12}, {"abc", false, 0}, {"7/3/5", false, 7},
               {"-4.5e1x", false, -45}, {"3e", false, 3}, {"3e+", false, 3}, {"+.5", true, 0.5},
               {"-.e1", false, 0}, {"2E-1", true, 0.2}};
  for (const auto& c : cases) {
    EXPECT_EQ(isNumeric(c.text), c.numeric) << c.text;
    EXPECT_DOUBLE_EQ(leadingValue(c.text), c.leading) << c.text;
  }
}

}  // namespace
}  // namespace vlm
