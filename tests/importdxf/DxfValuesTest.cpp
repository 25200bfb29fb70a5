// Group code lines and face record corner values.
#include <gtest/gtest.h>

#include "importdxf/DxfValues.h"
#include "platform/Error.h"

namespace vlm::dxf {
namespace {

struct CodeCase {
  const char* line;
  int32_t code;
};

TEST(DxfGroupCode, RightJustifiedCodesReadAsTheirNumberAndAnythingElseIsNoCode) {
  const CodeCase cases[] = {
      {"0", 0},
      {"  0", 0},
      {" 10", 10},
      {"10 ", 10},
      {"-1", -1},
      {"1071", 1071},
      {"", kNotAGroupCode},
      {"   ", kNotAGroupCode},
      {"3DFACE", kNotAGroupCode},
      {"1 0", kNotAGroupCode},
      {"\t10", kNotAGroupCode},
      {"10.0", kNotAGroupCode},
      {"99999999999", kNotAGroupCode},
      {"+5", kNotAGroupCode},
  };
  for (const auto& c : cases) EXPECT_EQ(groupCode(c.line), c.code) << '"' << c.line << '"';
}

struct IndexCase {
  const char* value;
  int32_t index;
};

TEST(DxfFaceIndex, CountsFromOneByAbsoluteValueRoundedHalfToEven) {
  const IndexCase cases[] = {
      {"1", 0},    {"  3 ", 2}, {"-3", 2},
      {"0", -1},   {"2.5", 1},  {"3.5", 3},
      {"-2.5", 1}, {"1e1", 9},  {"2147483647", 2147483646},
  };
  for (const auto& c : cases) EXPECT_EQ(faceIndex(c.value), c.index) << c.value;
}

TEST(DxfFaceIndex, NonNumberIsTypeMismatchAndTooLargeIsOverflow) {
  const std::pair<const char*, int32_t> cases[] = {
      {"x", err::kTypeMismatch},      {"", err::kTypeMismatch},
      {"1,5", err::kTypeMismatch},    {"12abc", err::kTypeMismatch},
      {"2147483648", err::kOverflow}, {"-2147483648", err::kOverflow},
  };
  for (const auto& [value, number] : cases) {
    try {
      faceIndex(value);
      ADD_FAILURE() << value << " converted";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), number) << value;
    }
  }
}

}  // namespace
}  // namespace vlm::dxf
