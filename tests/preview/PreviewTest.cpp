// The rasterizer on its own; pictures of scenes built in code; the PNG file, the picture
// size, the legend and its font.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "preview/BitmapFont.h"
#include "preview/Legend.h"
#include "preview/Rasterizer.h"
#include "preview/SceneBuilder.h"
#include "preview/SceneView.h"
#include "support/ReadPng.h"
#include "support/TempDir.h"

namespace vlm::preview {
namespace {

using test::box;
using test::colorNumber;
using test::quad;
using test::SceneBuilder;
using Rgb = std::array<uint8_t, 3>;

constexpr int32_t kRed = colorNumber(255, 0, 0);
constexpr int kWidth = 320, kHeight = 240, kSide = 24;
const PreviewOptions kOptions{kWidth, kHeight, "scene.obj"};

// A black square picture; each triangle filled with brightness per corner, shaded grey.
struct Drawing {
  Image image{kSide, kSide, std::vector<uint8_t>(3 * kSide * kSide, 0)};
  Rasterizer rasterizer{image};

  bool fill(const ScreenCorner& a, const ScreenCorner& b, const ScreenCorner& c,
            const std::array<float, 3>& brightness = {255, 255, 255}) {
    ShadeTable grey{};
    for (int level = 0; level < 256; ++level) grey[level].fill(static_cast<uint8_t>(level));
    TriangleSetup setup;
    if (!rasterizer.setup(a, b, c, setup)) return false;
    rasterizer.fill(setup, brightness, grey);
    return true;
  }
  int at(int i) const { return image.rgb[3 * static_cast<size_t>(i)]; }
};

// Fans around a centre through a convex rim, x y in sixteenths (pixel p's centre at
// 16 p + 8), the centre first: no pixel covered twice, none strictly inside left out.
TEST(Rasterizer, TrianglesSharingEdgesCoverEachPixelCentreOnceWithoutGaps) {
  const std::vector<std::vector<int32_t>> fans = {
      {200, 200, 40, 40, 360, 40, 360, 360, 40, 360},    // edges along rows of centres
      {200, 200, 200, 24, 376, 200, 200, 376, 24, 200},  // diagonals through centres
      {190, 201, 17, 33, 201, 5, 370, 47, 377, 250, 260, 371, 29, 333},  // off the grid
  };
  for (const std::vector<int32_t>& fan : fans) {
    const size_t rim = fan.size() / 2 - 1;
    const auto corner = [&](size_t k) {
      return ScreenCorner{fan[2 + 2 * (k % rim)], fan[3 + 2 * (k % rim)], 1};
    };
    for (const bool reversed : {false, true}) {
      std::vector<int> count(kSide * kSide, 0);
      for (size_t k = 0; k < rim; ++k) {
        Drawing d;
        d.fill({fan[0], fan[1], 1}, corner(k + reversed), corner(k + !reversed));
        for (int i = 0; i < kSide * kSide; ++i) count[i] += d.at(i) != 0;
      }
      for (int i = 0; i < kSide * kSide; ++i) {
        const int64_t x = 16 * (i % kSide) + 8, y = 16 * (i / kSide) + 8;
        bool inside = true;  // on the inner side of every rim edge
        for (size_t k = 0; k < rim; ++k) {
          const ScreenCorner b = corner(k), c = corner(k + 1);
          inside = inside && int64_t{c.x - b.x} * (y - b.y) - int64_t{c.y - b.y} * (x - b.x) > 0;
        }
        EXPECT_TRUE(inside ? count[i] == 1 : count[i] <= 1) << i % kSide << "," << i / kSide;
      }
    }
  }
}

// Over the whole picture: a triangle whose depth (larger is nearer) grows to the right
// and shrinks downwards, lit from the right, drawn after a level one at 0.5 and before a
// farther one.
TEST(Rasterizer, DepthAndBrightnessArePlanesAndTheNearestWins) {
  const int32_t far = 2 * kSide * kSubpixels;
  for (const bool reversed : {false, true}) {
    Drawing d;
    ASSERT_TRUE(d.fill({0, 0, 0.5f}, {far, 0, 0.5f}, {0, far, 0.5f}, {100, 100, 100}));
    const ScreenCorner a{0, 0, 0.5f}, b{far, 0, 1}, c{0, far, 0};
    ASSERT_TRUE(reversed ? d.fill(a, c, b, {0, 0, 255}) : d.fill(a, b, c, {0, 255, 0}));
    ASSERT_TRUE(d.fill({0, 0, 0.1f}, {far, 0, 0.1f}, {0, far, 0.1f}, {50, 50, 50}));
    for (int i = 0; i < kSide * kSide; ++i) {
      const int x = i % kSide, y = i / kSide;
      if (x == y) continue;  // both depths 0.5
      // Brightness 255 (x + 0.5) / 48, rounded.
      EXPECT_EQ(d.at(i), x > y ? static_cast<int>(255 * (x + 0.5) / 48 + 0.5) : 100)
          << x << "," << y;
    }
  }
}

TEST(Rasterizer, TrianglesWithoutAreaOrPixelCentreAreRefused) {
  const int32_t beyond = (kGuardBand + 100) * kSubpixels;
  // A line, before the first centre, outside the picture, beyond the guard band.
  for (const std::array<int32_t, 6>& c : {std::array{0, 0, 100, 100, 200, 200},
                                          {1, 1, 6, 1, 1, 6},
                                          {-100, -100, -10, -100, -100, -10},
                                          {0, 0, beyond, 0, 0, 100}})
    EXPECT_FALSE(Drawing().fill({c[0], c[1]}, {c[2], c[3]}, {c[4], c[5]})) << c[2];
  EXPECT_TRUE(Drawing().fill({1, 1}, {30, 1}, {1, 30})) << "holds centre 0";
}

// What a scene's picture shows where world points land: 'R', 'G' or 'B' for a shade of
// pure red, green or blue, '.' for the background, '?' for anything else.
std::string hues(const SceneBuilder& b, const std::vector<Vec3d>& world) {
  const Image image = renderScene(b.scene, kOptions);
  std::string out;
  for (const Vec3d& w : world) {
    Vec3d at{};
    EXPECT_TRUE(previewCamera(b.scene, kOptions).project(w, at));
    const uint8_t* p =
        &image.rgb[3 * (kWidth * static_cast<size_t>(at[1]) + static_cast<size_t>(at[0]))];
    const int lit = (p[0] > 0) + 2 * (p[1] > 0) + 4 * (p[2] > 0);
    out += std::equal(p, p + 3, kBackground.begin()) ? '.' : "?RG?B???"[lit];
  }
  return out;
}

// The colours of rows [top, bottom) of a picture.
std::set<Rgb> colours(const Image& image, int top, int bottom) {
  std::set<Rgb> out;
  for (auto i = static_cast<size_t>(3 * top * image.width); i < 3u * bottom * image.width; i += 3)
    out.insert({image.rgb[i], image.rgb[i + 1], image.rgb[i + 2]});
  return out;
}

int sceneRows(const SceneBuilder& b) {
  return kHeight - makeLegend(b.scene, kOptions).reservedHeight(kWidth, kHeight);
}

// A red cube on a blue floor, its material bound, moved and hidden.
TEST(Picture, ObjectsShowInTheColourTheyCarryWhereTheyAreAndOnlyWhenVisible) {
  SceneBuilder b;
  b.add("floor", quad({-4, -1, -4}, {4, -1, -4}, {4, -1, 4}, {-4, -1, 4}), colorNumber(0, 0, 255));
  ObjectRef cube = b.add("cube", box({-1, -1, -1}, {1, 1, 1}), kRed);
  b.addMaterial("Lawn", colorNumber(0, 255, 0));
  // The cube, its top, the floor's corner nearest the eye (a little inside).
  EXPECT_EQ(hues(b, {{0, 0, 0}, {0.5, 1, -0.5}, {3.6, -1, -3.6}}), "RRB");
  const Image first = renderScene(b.scene, kOptions);
  EXPECT_EQ(colours(first, sceneRows(b), kHeight).size(), 2u) << "the legend text alone";
  b.bind(cube, "no such material");  // the scene's default material: DefaultColor stays
  EXPECT_EQ(hues(b, {{0, 0, 0}}), "R");
  b.bind(cube, "LAWN");
  EXPECT_EQ(hues(b, {{0, 0, 0}}), "G");
  // Moved: through the top of its old place the floor shows.
  SceneBuilder::setPosition(cube, 0, 0, 3);
  EXPECT_EQ(hues(b, {{0, 0, 3}, {0, 1, 0}}), "GB");
  test::put(cube, "Visible", Variant(false));
  EXPECT_EQ(hues(b, {{0, -1, 0}}), "B");
}

// A square floor seen from above, wound to face the eye or away, with no normals (flat:
// one shade), normals pointing down, or normals leaning out at x = -1 and x = +1.
TEST(Picture, BothSidesOfAFaceAreLitAndCornerNormalsShadeAcrossIt) {
  const std::array<float, 3> a{-1, 0, -1}, b{1, 0, -1}, c{1, 0, 1}, d{-1, 0, 1};
  const auto floor = [&](bool up, std::array<float, 3> left, std::array<float, 3> right) {
    SceneBuilder s;
    ObjectRef object = s.add("floor", up ? quad(a, d, c, b) : quad(d, a, b, c), kRed);
    std::vector<float> normals;
    for (int corner : {0, 1, 2, 2, 3, 0})
      for (int k = 0; k < 3; ++k) normals.push_back(corner < 2 ? left[k] : right[k]);
    SceneBuilder::setNormals(object, normals);
    EXPECT_EQ(hues(s, {{-0.8, 0, 0}, {0, 0, 0}, {0.8, 0, 0}}), "RRR");
    return renderScene(s.scene, kOptions).rgb;
  };
  const std::vector<uint8_t> flat = floor(true, {0, 0, 0}, {0, 0, 0});
  EXPECT_EQ(colours({kWidth, kHeight, flat}, 0, 200).size(), 2u);
  EXPECT_EQ(floor(false, {0, 0, 0}, {0, 0, 0}), flat);
  EXPECT_EQ(floor(true, {0, -1, 0}, {0, -1, 0}), flat);
  EXPECT_GT(
      colours({kWidth, kHeight, floor(false, {-0.7f, 0.7f, 0}, {0.7f, 0.7f, 0})}, 0, 200).size(),
      10u);
}

// No vertex, all vertices at one point, or corners not finite: nothing drawn above the
// legend, or the same as without those triangles.
TEST(Picture, DegenerateScenesShowNothingOrOnlyTheirFiniteTriangles) {
  SceneBuilder empty, point, clean, dirty;
  point.add("point", box({2, 2, 2}, {2, 2, 2}), kRed);
  for (const SceneBuilder* s : {&empty, &point}) {
    const Image image = renderScene(s->scene, kOptions);
    EXPECT_EQ(colours(image, 0, sceneRows(*s)), std::set<Rgb>{kBackground});
    EXPECT_GT(colours(image, sceneRows(*s), kHeight).size(), 1u) << "legend";
  }
  test::Shape shape = box({-1, -1, -1}, {1, 1, 1});
  clean.add("cube", shape, kRed);
  shape.coords.insert(shape.coords.end(), {NAN, 0, 0, 0, INFINITY, 0, 0, 0, -INFINITY});
  shape.triangles.insert(shape.triangles.end(), {0, 1, 8, 2, 9, 3, 10, 4, 5, 8, 9, 10});
  dirty.add("cube", shape, kRed);
  // The legends differ (12 and 16 triangles); the scene above them must not.
  const Image expected = renderScene(clean.scene, kOptions);
  const Image actual = renderScene(dirty.scene, kOptions);
  const size_t sceneBytes = 3 * kWidth * sceneRows(clean);
  EXPECT_TRUE(
      std::equal(actual.rgb.begin(), actual.rgb.begin() + sceneBytes, expected.rgb.begin()));
}

TEST(PictureSize, SidesOutsideTheLimitsAreRefusedInTextAndByTheRenderer) {
  const auto outcome = [](const char* text) {
    try {
      const ImageSize size = parseImageSize(text);
      return std::to_string(size.width) + " " + std::to_string(size.height) + ";";
    } catch (const std::invalid_argument& e) {
      return std::string(e.what());
    }
  };
  EXPECT_EQ(outcome("1024x768") + outcome("16X16") + outcome("8192x8192"),
            "1024 768;16 16;8192 8192;");
  for (const char* text : {"0x16", "16x0", "8193x16", "16x100000000"})
    EXPECT_EQ(outcome(text),
              "image size '" + std::string(text) + "' is outside 16..8192 pixels per side");
  for (const char* text :
       {"99999999999x10", "abc", "100x", "x100", "-50x100", "+50x100", "10x10x10", "64 x 64", ""})
    EXPECT_EQ(outcome(text),
              "'" + std::string(text) + "' is not WIDTHxHEIGHT (for example 1024x768)");
  for (const auto& [w, h] : {std::pair{15, 16}, {16, 15}, {8193, 16}, {16, 8193}})
    EXPECT_THROW(renderScene(SceneBuilder().scene, {w, h, ""}), std::invalid_argument) << w;
  for (const auto& [w, h] : {std::pair{16, 16}, {8192, 16}, {16, 8192}})
    EXPECT_EQ(renderScene(SceneBuilder().scene, {w, h, ""}).rgb.size(), 3u * w * h);
}

TEST(WritePng, ReadsBackPixelForPixelReplacingAnOldFileAndRefusesAWrongPixelCount) {
  test::TempDir folder;
  Image image{37, 21, {}};
  for (int i = 0; i < 37 * 21 * 3; ++i) image.rgb.push_back(static_cast<uint8_t>(i * 7 + i / 111));
  const std::string path = folder.write("picture.png", std::string(100000, 'x'));
  writePng(image, path);
  const test::RgbPicture back = test::readPng(path);
  EXPECT_EQ(std::tie(back.width, back.height, back.rgb),
            std::tie(image.width, image.height, image.rgb));
  image.rgb.pop_back();
  for (const Image& bad : {image, Image{0, 4, {}}})
    EXPECT_THROW(writePng(bad, folder.file("bad.png")), std::runtime_error);
  EXPECT_EQ(folder.names(), std::vector<std::string>{"picture.png"});
}

TEST(Legend, CountsTheWholeSceneGroupsDigitsAndCutsALongTitleToThePicture) {
  SceneBuilder b, one;
  b.add("a", box({0, 0, 0}, {1, 1, 1}), 0);
  test::put(b.add("b", box({0, 0, 0}, {1, 1, 1}), 0, "Obj1"), "Visible", Variant(false));
  EXPECT_EQ(makeLegend(b.scene, {16, 16, "house.dxf"}).lines(),
            (std::vector<std::string>{"house.dxf", "2 objects, 24 triangles"}));
  one.add("a", quad({0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}), 0);
  EXPECT_EQ(makeLegend(one.scene, {}).lines(), std::vector<std::string>{"1 object, 2 triangles"});
  std::string grouped;
  for (const uint64_t n : {0, 999, 1000, 2000000, 12345678}) grouped += groupedNumber(n) + " ";
  EXPECT_EQ(grouped, "0 999 1,000 2,000,000 12,345,678 ");
  // Its rows are kept free only where they take at most a quarter of the picture.
  const Legend two({"a", "b"});
  EXPECT_EQ(two.reservedHeight(64, 16), 0);
  EXPECT_GT(two.reservedHeight(64, 400), 0);
  EXPECT_LE(4 * two.reservedHeight(64, 400), 400);
  // Nine characters fit between the 3-pixel margins of a 64-pixel picture: six W and
  // "...", ending at x 56.
  Image image{64, 64, std::vector<uint8_t>(64 * 64 * 3, 0)};
  Legend({std::string(200, 'W')}).draw(image);
  int left = 0, right = 0;
  for (int i = 0; i < 64 * 64; ++i) (i % 64 < 57 ? left : right) += image.rgb[3 * i] != 0;
  EXPECT_GT(left, 0);
  EXPECT_EQ(right, 0);
}

// Each printable character has a glyph of its own (blank only for space); others show
// as '?'. Text cut at the picture's top left shows the rest of its glyphs.
TEST(BitmapFont, GlyphsAndClipping) {
  for (int c = ' '; c <= '~'; ++c) {
    const auto& glyph = glyphOf(static_cast<char>(c));
    EXPECT_EQ(std::count(glyph.begin(), glyph.end(), 0) == kGlyphWidth, c == ' ') << c;
    EXPECT_EQ(&glyph == &glyphOf('?'), c == '?') << c;
  }
  for (const char c : {'\x1F', '\x7F', '\xE9'}) EXPECT_EQ(&glyphOf(c), &glyphOf('?')) << int{c};
  // At scale 1 cut at the top left, M's columns 3 and 4, rows 2 to 7, then blank; at scale
  // 2, each of its bits two pixels wide and high.
  for (const int scale : {1, 2}) {
    Image image{16, 16, std::vector<uint8_t>(16 * 16 * 3, 0)};
    const int left = scale == 1 ? 3 : 0, top = scale == 1 ? 2 : 0;
    drawText(image, -left, -top, "M", scale, {255, 255, 255});
    for (int i = 0; i < 16 * 16; ++i) {
      const int column = i % 16 / scale + left, row = i / 16 / scale + top;
      const bool set = column < kGlyphWidth && row < kGlyphHeight &&
                       (glyphOf('M')[static_cast<size_t>(column)] >> row) & 1;
      EXPECT_EQ(image.rgb[3 * i], set ? 255 : 0) << scale << ": " << i % 16 << "," << i / 16;
    }
  }
}

}  // namespace
}  // namespace vlm::preview
