#include "platform/Convert.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <random>

#include "support/ErrorOf.h"

namespace vlm {
namespace {

using test::errorOf;

// Whole numbers round halves to the even neighbour; what does not fit (NaN here) is error 6.
TEST(Convert, NumbersRoundHalfToEvenAndOverflowWithErrorSix) {
  const struct {
    char to;  // 'L'ong, 'I'nteger or 'S'ingle
    double in, out;
  } cases[] = {{'L', 2.5, 2}, {'L', 3.5, 4}, {'L', -2.5, -2}, {'L', -3.5, -4}, {'L', 1.51, 2},
               {'L', 2147483647.4, 2147483647}, {'L', 2147483647.5, NAN},
               {'L', -2147483648.5, -2147483648.0}, {'L', -2147483649.0, NAN}, {'L', NAN, NAN},
               {'I', 32767.4, 32767}, {'I', 32767.5, NAN}, {'I', -32768.4, -32768},
               {'I', -32768.6, NAN}, {'S', FLT_MAX, FLT_MAX}, {'S', -1e39, NAN}};
  for (const auto& [to, in, out] : cases) {
    double got = NAN;
    EXPECT_EQ(errorOf([&] {
                got = to == 'L' ? toLong(in) : to == 'I' ? toInteger(in) : double(toSingle(in));
              }),
              std::isnan(out) ? err::kOverflow : 0)
        << to << ' ' << in;
    EXPECT_TRUE(got == out || std::isnan(out)) << to << ' ' << in << " gave " << got;
  }
}

// The first "." or "," of the text is its decimal separator; what is no number is error
// 13. isNumeric takes "." only; leadingValue takes the longest number at the start.
TEST(Convert, TextTakesPeriodOrCommaAsTheDecimalSeparator) {
  const std::pair<const char*, float> numbers[] = {
      {"1.25", 1.25f}, {"1,25", 1.25f}, {"-3", -3.f}, {"+2.5", 2.5f}, {"1e3", 1000.f},
      {"1,5E-1", 0.15f}, {" 7 ", 7.f}, {".5", 0.5f}, {"5.", 5.f}, {"-,5", -0.5f}};
  for (const auto& [text, value] : numbers) EXPECT_FLOAT_EQ(textToSingle(text), value) << text;
  for (const char* text : {"", " ", "abc", "1.2.3", "1.5,2", "1e", "inf", "nan", "0x10", "1 2",
                           "--1", ".", "-", "1\t"}) {
    EXPECT_EQ(errorOf([&] { textToSingle(text); }), err::kTypeMismatch) << '"' << text << '"';
    EXPECT_EQ(errorOf([&] { textToLong(text); }), err::kTypeMismatch) << '"' << text << '"';
    EXPECT_FALSE(isNumeric(text)) << '"' << text << '"';
  }
  EXPECT_EQ(std::pair(textToLong("2,5"), textToLong(" 3.5")), std::pair(2, 4));
  EXPECT_EQ(errorOf([] { textToLong("3e9"); }), err::kOverflow);
  EXPECT_EQ(errorOf([] { textToSingle("1e39"); }), err::kOverflow);
  EXPECT_TRUE(isNumeric(" -2.5 ") && !isNumeric("1,5"));
  const std::pair<const char*, double> leading[] = {
      {"12abc", 12}, {"abc", 0}, {"", 0}, {"  9", 9}, {"-4.5e1x", -45}, {"3e", 3}, {"3e+", 3},
      {"+.5", 0.5}, {"-.e1", 0}, {"1,5", 1}};
  for (const auto& [text, value] : leading) EXPECT_EQ(leadingValue(text), value) << text;
}

// Up to 15 digits without exponent take a quicker path; every length must still give the
// correctly rounded double, bit for bit what strtod gives.
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
    const char* end = text.data() + text.size();
    const bool quick = !exponent && digits <= 15;
    ASSERT_TRUE(parseDecimal(text, '.', parsed)) << text;
    ASSERT_EQ(plainDecimal(text.data(), end, plain), quick ? end : nullptr) << text;
    ASSERT_EQ(std::tuple(std::signbit(parsed), parsed, leadingValue(text + "/7"), plain),
              std::tuple(std::signbit(expected), expected, expected, quick ? expected : 0.0))
        << text;
  }
}

}  // namespace
}  // namespace vlm
