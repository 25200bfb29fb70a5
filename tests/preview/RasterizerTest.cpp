// The rasterizer on its own: triangles that share edges cover every pixel centre of their
// union exactly once, whatever their winding, and the depth test keeps the nearest.
#include <gtest/gtest.h>

#include <vector>

#include "preview/Rasterizer.h"

namespace vlm::preview {
namespace {

constexpr int kSide = 24;

Image blank() {
  Image image{kSide, kSide, {}};
  image.rgb.assign(3u * kSide * kSide, 0);
  return image;
}

ShadeTable flat(uint8_t value) {
  ShadeTable shades{};
  for (auto& s : shades) s = {value, value, value};
  return shades;
}

// Sixteenths of a pixel.
ScreenCorner at(int32_t x, int32_t y, float depth = 1) { return {x, y, depth}; }

// Which pixels one triangle alone covers.
std::vector<bool> coverage(const ScreenCorner& a, const ScreenCorner& b, const ScreenCorner& c) {
  Image image = blank();
  Rasterizer rasterizer(image);
  TriangleSetup setup;
  if (rasterizer.setup(a, b, c, setup)) rasterizer.fill(setup, {255, 255, 255}, flat(255));
  std::vector<bool> covered(kSide * kSide);
  for (size_t i = 0; i < covered.size(); ++i) covered[i] = image.rgb[3 * i] != 0;
  return covered;
}

// A fan around `center` through `rim` (closed): no pixel covered twice, and the pixels
// whose centres lie strictly inside the polygon all covered.
void expectFanCoversOnce(const ScreenCorner& center, const std::vector<ScreenCorner>& rim,
                         bool reverse) {
  std::vector<int> count(kSide * kSide, 0);
  for (size_t k = 0; k < rim.size(); ++k) {
    const ScreenCorner& b = rim[k];
    const ScreenCorner& c = rim[(k + 1) % rim.size()];
    const std::vector<bool> covered = reverse ? coverage(center, c, b) : coverage(center, b, c);
    for (size_t i = 0; i < covered.size(); ++i) count[i] += covered[i];
  }
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      EXPECT_LE(count[static_cast<size_t>(y * kSide + x)], 1) << "pixel " << x << "," << y;
    }
  }
  // The centre pixel and its neighbours lie well inside every fan below.
  const int cx = center.x / kSubpixels, cy = center.y / kSubpixels;
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      EXPECT_EQ(count[static_cast<size_t>((cy + dy) * kSide + cx + dx)], 1) << "near the centre";
    }
  }
}

struct Fan {
  const char* what;
  ScreenCorner center;
  std::vector<ScreenCorner> rim;
};

class SharedEdges : public ::testing::TestWithParam<Fan> {};

TEST_P(SharedEdges, EveryPixelCentreBelongsToExactlyOneTriangle) {
  expectFanCoversOnce(GetParam().center, GetParam().rim, false);
  expectFanCoversOnce(GetParam().center, GetParam().rim, true);
}

// Centres at (16 p + 8) sixteenths: corners placed on centres, on rows and columns of
// centres, and off the grid.
INSTANTIATE_TEST_SUITE_P(
    Fans, SharedEdges,
    ::testing::Values(Fan{"axis-aligned edges through pixel centres",
                          at(12 * 16 + 8, 12 * 16 + 8),
                          {at(2 * 16 + 8, 2 * 16 + 8), at(22 * 16 + 8, 2 * 16 + 8),
                           at(22 * 16 + 8, 22 * 16 + 8), at(2 * 16 + 8, 22 * 16 + 8)}},
                      Fan{"diagonals through pixel centres",
                          at(12 * 16 + 8, 12 * 16 + 8),
                          {at(12 * 16 + 8, 1 * 16 + 8), at(23 * 16 + 8, 12 * 16 + 8),
                           at(12 * 16 + 8, 23 * 16 + 8), at(1 * 16 + 8, 12 * 16 + 8)}},
                      Fan{"off-grid corners",
                          at(190, 201),
                          {at(17, 33), at(201, 5), at(370, 47), at(377, 250), at(260, 371),
                           at(29, 333)}},
                      Fan{"many thin slivers",
                          at(200, 200),
                          {at(10, 10), at(90, 10), at(170, 10), at(250, 10), at(330, 10),
                           at(380, 10), at(380, 380), at(10, 380)}}),
    [](const ::testing::TestParamInfo<Fan>& info) { return std::to_string(info.index); });

TEST(DepthTest, NearerTriangleWinsAndAFartherOneDrawnLaterDoesNotOverwrite) {
  Image image = blank();
  Rasterizer rasterizer(image);
  TriangleSetup setup;
  const ScreenCorner a = at(0, 0), b = at(kSide * 16, 0), c = at(0, kSide * 16);
  ASSERT_TRUE(
      rasterizer.setup(at(0, 0, 0.5f), at(kSide * 16, 0, 0.5f), at(0, kSide * 16, 0.5f), setup));
  rasterizer.fill(setup, {255, 255, 255}, flat(100));  // near (1 / depth = 0.5)
  ASSERT_TRUE(rasterizer.setup(a, b, c, setup));
  rasterizer.fill(setup, {255, 255, 255}, flat(200));  // nearer (1 / depth = 1)
  ASSERT_TRUE(
      rasterizer.setup(at(0, 0, 0.25f), at(kSide * 16, 0, 0.25f), at(0, kSide * 16, 0.25f), setup));
  rasterizer.fill(setup, {255, 255, 255}, flat(50));  // farthest, drawn last
  EXPECT_EQ(image.rgb[3 * (2 * kSide + 2)], 200);
}

TEST(Setup, TrianglesWithoutAreaOrPixelCentreAreRefused) {
  Image image = blank();
  Rasterizer rasterizer(image);
  TriangleSetup setup;
  EXPECT_FALSE(rasterizer.setup(at(0, 0), at(100, 100), at(200, 200), setup));  // a line
  EXPECT_FALSE(rasterizer.setup(at(1, 1), at(6, 1), at(1, 6), setup));          // before centre 0
  EXPECT_FALSE(rasterizer.setup(at(-100, -100), at(-10, -100), at(-100, -10), setup));  // outside
  const int32_t far = (kGuardBand + 100) * kSubpixels;
  EXPECT_FALSE(rasterizer.setup(at(0, 0), at(far, 0), at(0, 100), setup));  // beyond the guard band
  EXPECT_TRUE(rasterizer.setup(at(1, 1), at(30, 1), at(1, 30), setup));     // holds centre 0
}

}  // namespace
}  // namespace vlm::preview
