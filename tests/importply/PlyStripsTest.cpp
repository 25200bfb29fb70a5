// Triangle strips of a binary "tristrips" element.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "PlyTestSupport.h"

namespace vlm::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class Strips : public PlyImport, public ::testing::WithParamInterface<bool> {
 protected:
  bool big() const { return GetParam(); }

  // Three vertices, then a tristrips element whose properties are `props`.
  std::string file(std::initializer_list<std::string_view> props, const BinaryBody& strips) {
    std::string h = "ply\n" + std::string(formatWord(big())) +
                    "\nelement vertex 3\nproperty float x\nproperty float y\nproperty float z\n"
                    "element tristrips 1\n";
    for (auto p : props) (h += p) += "\n";
    BinaryBody v(big());
    for (int i = 0; i < 9; ++i) v.f32(0);
    return h + "end_header\n" + v.bytes() + strips.bytes();
  }
  std::string intStrip(std::initializer_list<int32_t> items) {
    BinaryBody b(big());
    b.i32(static_cast<int32_t>(items.size()));
    for (int32_t i : items) b.i32(i);
    return file({"property list int int vertex_indices"}, b);
  }
};

INSTANTIATE_TEST_SUITE_P(Both, Strips, ::testing::Values(false, true), [](const auto& info) {
  return info.param ? "BigEndian" : "LittleEndian";
});

// Every second triangle of a strip is turned; a negative index restarts the strip (and
// the turning); the list runs to the end of the file whatever length it declares.
TEST_P(Strips, TurnEverySecondTriangleAndRestartAtANegativeIndex) {
  const struct {
    std::vector<int32_t> items;
    int32_t declared;
    std::vector<int32_t> polygons;
  } cases[] = {
      {{0, 1, 2, 3, -1, 4, 5, 6}, 8, {3, 0, 1, 2, 3, 3, 2, 1, 3, 4, 5, 6}},
      {{0, 1, 2, 3, 4, 5}, 6, {3, 0, 1, 2, 3, 3, 2, 1, 3, 2, 3, 4, 3, 5, 4, 3}},
      {{0, 1, 2, 3, -1, -1, 7, 8, 9, -5, 1, 2}, 12, {3, 0, 1, 2, 3, 3, 2, 1, 3, 7, 8, 9}},
      {{0, 1, 2, 3}, 3, {3, 0, 1, 2, 3, 3, 2, 1}},
  };
  for (const auto& c : cases) {
    BinaryBody b(big());
    b.i32(c.declared);
    for (int32_t i : c.items) b.i32(i);
    load(file({"property list int int vertex_indices"}, b));
    EXPECT_EQ(polygons(), c.polygons) << ::testing::PrintToString(c.items);
  }
}

TEST_P(Strips, SixteenBitItems) {
  BinaryBody b(big());
  b.u8(5).i16(0).i16(1).i16(2).i16(-1).i16(2);
  load(file({"property list uchar short vertex_indices"}, b));
  EXPECT_THAT(polygons(), ElementsAre(3, 0, 1, 2));
}

TEST_P(Strips, ScalarPropertiesAreReadEveryPass) {
  BinaryBody b(big());
  b.i32(4);  // the list length, read once
  for (int32_t i : {0, 1, 2, 3}) b.u8(9).i32(i);
  load(file({"property uchar flag", "property list int int vertex_indices"}, b));
  EXPECT_THAT(polygons(), ElementsAre(3, 0, 1, 2, 3, 3, 2, 1));
}

TEST_P(Strips, TruncatedIndexAtTheEndIsNotStored) {
  std::string text = intStrip({0, 1});
  BinaryBody partial(big());
  partial.i32(2);
  text += partial.bytes().substr(0, 3);
  load(text);
  EXPECT_THAT(polygons(), IsEmpty());
}

TEST_P(Strips, StopDuringTheStripsKeepsTheTrianglesSoFar) {
  const std::string text = intStrip({0, 1, 2, 3, 4, 5});
  // Stop at the report of the fourth index (the second triangle).
  const auto end = static_cast<int32_t>(text.size() - 8 + 1);
  dialog.onProgress = [&](size_t) {
    if (modImport::CharsRead == end) modImport::StopImport = true;
  };
  load(text);
  EXPECT_THAT(polygons(), ElementsAre(3, 0, 1, 2, 3, 3, 2, 1));
}

TEST_P(Strips, ItemsAcrossBufferBlocksAreReadWhole) {
  // One long strip of 400000 indices (1.6 MB), restarted every 1000.
  constexpr int32_t kItems = 400000;
  BinaryBody b(big());
  b.i32(kItems);
  for (int32_t i = 0; i < kItems; ++i) b.i32(i % 1000 == 999 ? -1 : i);
  load(file({"property list int int vertex_indices"}, b));
  const std::vector<int32_t> p = polygons();
  // Each run of 999 indices makes 997 triangles.
  ASSERT_EQ(p.size(), 4u * 997 * (kItems / 1000));
  for (size_t t = 0; t < p.size() / 4; ++t) {
    const int32_t first = static_cast<int32_t>(t / 997 * 1000 + t % 997);
    const bool turned = t % 997 % 2 == 1;
    ASSERT_EQ(p[4 * t + 1], turned ? first + 2 : first) << t;
    ASSERT_EQ(p[4 * t + 3], turned ? first : first + 2) << t;
  }
}

TEST_P(Strips, StripElementWithoutPropertiesReadsNothing) {
  load(file({}, BinaryBody(big()).i32(0).i32(1).i32(2)));
  EXPECT_EQ(objectCount(), 1);
  EXPECT_THAT(polygons(), IsEmpty());
}

}  // namespace
}  // namespace vlm::test
