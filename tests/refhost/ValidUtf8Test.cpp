// Bytes to valid UTF-8 for the report: what is kept and what is replaced.
#include <gtest/gtest.h>

#include "refhost/ValidUtf8.h"

namespace vlm::refhost {
namespace {

struct Utf8Case {
  const char* what;
  std::string bytes;
  std::string expected;
};

class ValidUtf8 : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(ValidUtf8, KeepsWellFormedSequencesAndReplacesEveryBadByte) {
  EXPECT_EQ(validUtf8(GetParam().bytes), GetParam().expected);
}

const std::string kR = "\xEF\xBF\xBD";

INSTANTIATE_TEST_SUITE_P(
    Sequences, ValidUtf8,
    ::testing::Values(Utf8Case{"ascii", "Cube_1", "Cube_1"},
                      Utf8Case{"two_bytes", "\xC3\xBC", "\xC3\xBC"},
                      Utf8Case{"four_bytes", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
                      Utf8Case{"latin1_byte",
                               "a\xFC"
                               "b",
                               "a" + kR + "b"},
                      Utf8Case{"overlong", "\xC0\xAF", kR + kR},
                      Utf8Case{"surrogate", "\xED\xA0\x80", kR + kR + kR},
                      Utf8Case{"beyond_10FFFF", "\xF4\x90\x80\x80", kR + kR + kR + kR},
                      Utf8Case{"cut_short_at_end", "x\xE2\x82", "x" + kR + kR},
                      Utf8Case{"stray_continuation", "\x80z", kR + "z"},
                      Utf8Case{"nul_byte", std::string("a\0b", 3), std::string("a\0b", 3)}),
    [](const auto& info) { return std::string(info.param.what); });

}  // namespace
}  // namespace vlm::refhost
