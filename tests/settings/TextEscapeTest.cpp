#include <gtest/gtest.h>

#include <random>
#include <string>

#include "settings/TextEscape.h"

namespace vlm {
namespace {

std::string escaped(std::string_view text) {
  std::string out;
  appendEscaped(out, text);
  return out;
}

bool isValidUtf8(std::string_view text) {
  for (size_t pos = 0; pos < text.size();) {
    const size_t n = utf8SequenceLength(text, pos);
    if (n == 0) return false;
    pos += n;
  }
  return true;
}

struct EscapeCase {
  std::string_view text;
  std::string_view expected;
};

class EscapeTable : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(EscapeTable, EscapesOnlyWhatBreaksALineOrTheUtf8) {
  EXPECT_EQ(escaped(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, EscapeTable,
    ::testing::Values(EscapeCase{"C:\\Models\\",
                                 "C:\\Models\\"},  // backslashes stay: keys keep them
                      EscapeCase{"/home/me/My Models/", "/home/me/My Models/"},
                      EscapeCase{"a=b[c]", "a%3Db%5Bc%5D"}, EscapeCase{"50%", "50%25"},
                      EscapeCase{"one\ntwo\r", "one%0Atwo%0D"}, EscapeCase{";x#y", "%3Bx%23y"},
                      EscapeCase{std::string_view("\0\x7f", 2), "%00%7F"},
                      EscapeCase{"M\xC3\xBCller \xE2\x82\xAC \xF0\x9F\x98\x80",
                                 "M\xC3\xBCller \xE2\x82\xAC \xF0\x9F\x98\x80"},
                      EscapeCase{"\xC3", "%C3"},                       // cut-short sequence
                      EscapeCase{"\x80x", "%80x"},                     // stray continuation byte
                      EscapeCase{"\xC0\x80", "%C0%80"},                // overlong NUL
                      EscapeCase{"\xE0\x80\xAF", "%E0%80%AF"},         // overlong '/'
                      EscapeCase{"\xED\xA0\x80", "%ED%A0%80"},         // surrogate
                      EscapeCase{"\xF4\x90\x80\x80", "%F4%90%80%80"},  // beyond U+10FFFF
                      EscapeCase{"\xFF\xFE", "%FF%FE"}));

// Every single byte first, then random byte strings.
TEST(TextEscape, AnyBytesRoundTripAndLeaveCleanUtf8Lines) {
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> byteOf(0, 255), lengthOf(0, 40);
  std::string back;
  for (int round = 0; round < 256 + 2000; ++round) {
    std::string text(round < 256 ? 1 : static_cast<size_t>(lengthOf(random)),
                     static_cast<char>(round));
    if (round >= 256) {
      for (char& c : text) c = static_cast<char>(byteOf(random));
    }
    const std::string out = escaped(text);
    EXPECT_EQ(out.find_first_of(std::string_view("\n\r=[]\0", 6)), std::string::npos);
    EXPECT_TRUE(isValidUtf8(out));
    ASSERT_TRUE(unescapeInto(out, back)) << round;
    ASSERT_EQ(back, text) << round;
  }
}

TEST(TextEscape, BrokenEscapesAreRejected) {
  std::string out;
  for (std::string_view bad : {"%", "%4", "abc%", "%G1", "%1G", "x%-1"}) {
    EXPECT_FALSE(unescapeInto(bad, out)) << bad;
  }
  ASSERT_TRUE(unescapeInto("%3d%3D", out));  // either case of hex digit
  EXPECT_EQ(out, "==");
}

}  // namespace
}  // namespace vlm
