// Pictures of scenes built in code: colours where the objects are, background elsewhere,
// the nearer object in front, shading that follows the normals, and degenerate input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "preview/Camera.h"
#include "preview/Legend.h"
#include "preview/Preview.h"
#include "preview/SceneBuilder.h"
#include "preview/SceneView.h"

namespace vlm::preview {
namespace {

using test::box;
using test::colorNumber;
using test::quad;
using test::SceneBuilder;
using Rgb = std::array<uint8_t, 3>;

constexpr int32_t kRed = colorNumber(255, 0, 0);
constexpr int32_t kBlue = colorNumber(0, 0, 255);
constexpr int32_t kGreen = colorNumber(0, 255, 0);

Rgb pixel(const Image& image, int x, int y) {
  const size_t i =
      3 * (static_cast<size_t>(y) * static_cast<size_t>(image.width) + static_cast<size_t>(x));
  return {image.rgb[i], image.rgb[i + 1], image.rgb[i + 2]};
}

// A shade of pure red, green or blue (any brightness above black).
bool shadeOf(const Rgb& p, int channel) {
  for (int c = 0; c < 3; ++c) {
    if ((c == channel) != (p[c] > 0)) return false;
  }
  return true;
}
bool reddish(const Rgb& p) { return shadeOf(p, 0); }
bool greenish(const Rgb& p) { return shadeOf(p, 1); }
bool bluish(const Rgb& p) { return shadeOf(p, 2); }

// The pixel a world point lands on in the scene's preview.
std::array<int, 2> pixelOf(const refhost::ReferenceScene& scene, const PreviewOptions& options,
                           const Vec3d& world) {
  Vec3d picture{};
  EXPECT_TRUE(previewCamera(scene, options).project(world, picture));
  return {static_cast<int>(std::floor(picture[0])), static_cast<int>(std::floor(picture[1]))};
}

Rgb pixelAt(const Image& image, const std::array<int, 2>& xy) { return pixel(image, xy[0], xy[1]); }

// Pixels that differ from the background in rows [top, bottom) and columns [left, right).
int paintedIn(const Image& image, int left, int top, int right, int bottom) {
  int painted = 0;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) painted += pixel(image, x, y) != kBackground;
  }
  return painted;
}

PreviewOptions smallPicture() {
  PreviewOptions options;
  options.width = 320;
  options.height = 240;
  options.legendTitle = "scene.obj";
  return options;
}

// A red cube standing in the middle of a large blue floor.
class CubeOnFloor : public ::testing::Test {
 protected:
  CubeOnFloor() {
    builder.add("floor", quad({-4, -1, -4}, {4, -1, -4}, {4, -1, 4}, {-4, -1, 4}), kBlue);
    cube = builder.add("cube", box({-1, -1, -1}, {1, 1, 1}), kRed);
  }
  // The colour the picture shows at a world point.
  Rgb seen(const Image& image, const Vec3d& world) {
    return pixelAt(image, pixelOf(builder.scene, options, world));
  }

  SceneBuilder builder;
  ObjectRef cube;
  PreviewOptions options = smallPicture();
};

TEST_F(CubeOnFloor, ObjectColoursWhereObjectsAreBackgroundElsewhere) {
  const Image image = renderScene(builder.scene, options);
  ASSERT_EQ(image.width, 320);
  ASSERT_EQ(image.height, 240);
  ASSERT_EQ(image.rgb.size(), 320u * 240u * 3u);
  EXPECT_TRUE(reddish(seen(image, {0, 0, 0})));
  EXPECT_TRUE(reddish(seen(image, {0.5, 1, -0.5})));
  // The floor's corner nearest the eye, a little inside.
  EXPECT_TRUE(bluish(seen(image, {3.6, -1, -3.6})));
  EXPECT_EQ(pixel(image, 0, 0), kBackground);
  EXPECT_EQ(pixel(image, image.width - 1, 0), kBackground);
  EXPECT_EQ(pixel(image, image.width / 2, 2), kBackground);
}

TEST_F(CubeOnFloor, BoundMaterialColourWinsOverDefaultColorUnlessTheKeyMatchesNone) {
  builder.addMaterial("Lawn", kGreen);
  builder.bind(cube, "no such material");  // binds the scene's grey default material
  EXPECT_TRUE(reddish(seen(renderScene(builder.scene, options), {0, 0, 0})));
  builder.bind(cube, "LAWN");
  EXPECT_TRUE(greenish(seen(renderScene(builder.scene, options), {0, 0, 0})));
}

TEST_F(CubeOnFloor, PositionMovesTheObjectInTheWorld) {
  SceneBuilder::setPosition(cube, 0, 0, 3);
  const Image image = renderScene(builder.scene, options);
  EXPECT_TRUE(reddish(seen(image, {0, 0, 3})));
  // Through the top of the cube's old place the eye now sees the floor behind it.
  EXPECT_TRUE(bluish(seen(image, {0, 1, 0})));
}

TEST_F(CubeOnFloor, HiddenObjectIsNotDrawn) {
  test::putMember(cube, "Visible", Variant(false));
  const Image image = renderScene(builder.scene, options);
  EXPECT_TRUE(bluish(seen(image, {0, -1, 0})));
}

TEST_F(CubeOnFloor, LegendCornerHasTextAndTheSceneAboveItNone) {
  const Image image = renderScene(builder.scene, options);
  const int legendRows = makeLegend(builder.scene, options).reservedHeight(320, 240);
  ASSERT_GT(legendRows, 0);
  EXPECT_GT(paintedIn(image, 0, 240 - legendRows, 160, 240), 20);
  // No legend at the top.
  EXPECT_EQ(paintedIn(image, 0, 0, 160, 12), 0);
}

// Two squares facing the eye, one behind the other on the line of sight: the far one
// twice as large so that its rim shows around the near one.
class DepthOrder : public ::testing::TestWithParam<bool> {};

TEST_P(DepthOrder, NearObjectHidesFarOneWhateverTheDrawingOrder) {
  const Camera view = frameBox(Box{}, Viewport{320, 240});
  const auto square = [&](double along, double half) {
    std::array<std::array<float, 3>, 4> c{};
    const double signs[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    for (int k = 0; k < 4; ++k) {
      for (int axis = 0; axis < 3; ++axis) {
        c[k][axis] =
            static_cast<float>(along * view.forward[axis] + half * (signs[k][0] * view.right[axis] +
                                                                    signs[k][1] * view.up[axis]));
      }
    }
    return quad(c[0], c[1], c[2], c[3]);
  };
  SceneBuilder builder;
  const bool nearFirst = GetParam();
  if (nearFirst) builder.add("near", square(-1, 1), kRed);
  builder.add("far", square(1, 2), kBlue);
  if (!nearFirst) builder.add("near", square(-1, 1), kRed);
  const PreviewOptions options = smallPicture();
  const Image image = renderScene(builder.scene, options);

  EXPECT_TRUE(reddish(pixelAt(image, pixelOf(builder.scene, options, {0, 0, 0}))));
  Vec3d rim{};
  for (int axis = 0; axis < 3; ++axis) {
    rim[axis] = view.forward[axis] + 1.8 * (view.right[axis] + view.up[axis]);
  }
  EXPECT_TRUE(bluish(pixelAt(image, pixelOf(builder.scene, options, rim))));
}

INSTANTIATE_TEST_SUITE_P(NearFirstOrLast, DepthOrder, ::testing::Bool());

// A floor seen from above: the pixels along its middle line, left to right.
std::vector<Rgb> floorLine(const SceneBuilder& builder, const PreviewOptions& options) {
  const Image image = renderScene(builder.scene, options);
  std::vector<Rgb> line;
  for (float x = -0.8f; x <= 0.8f; x += 0.4f) {
    line.push_back(pixelAt(image, pixelOf(builder.scene, options, {x, 0, 0})));
  }
  return line;
}

TEST(Shading, FaceWithoutNormalsIsFlatAndCornerNormalsShadeAcrossIt) {
  const auto floor = quad({-1, 0, -1}, {1, 0, -1}, {1, 0, 1}, {-1, 0, 1});
  SceneBuilder flat;
  flat.add("flat", floor, kRed);
  const std::vector<Rgb> flatLine = floorLine(flat, smallPicture());
  for (const Rgb& p : flatLine) EXPECT_EQ(p, flatLine.front());

  SceneBuilder smooth;
  ObjectRef object = smooth.add("smooth", floor, kRed);
  // Normals leaning left at x = -1 and right at x = +1, as on a curved surface.
  const float l[3] = {-0.7f, 0.7f, 0}, r[3] = {0.7f, 0.7f, 0};
  std::vector<float> normals;
  for (int corner : {0, 1, 2, 2, 3, 0}) {
    const float* n = (corner == 1 || corner == 2) ? r : l;
    normals.insert(normals.end(), n, n + 3);
  }
  SceneBuilder::setNormals(object, normals);
  const std::vector<Rgb> smoothLine = floorLine(smooth, smallPicture());
  EXPECT_NE(smoothLine.front(), smoothLine.back());
  for (const Rgb& p : smoothLine) EXPECT_TRUE(reddish(p));
}

TEST(Shading, BackFacesAndReversedNormalsLookLikeFrontFaces) {
  const std::array<float, 3> a{-1, 0, -1}, b{1, 0, -1}, c{1, 0, 1}, d{-1, 0, 1};
  SceneBuilder front;  // wound to face up, towards the eye
  front.add("front", quad(a, d, c, b), kRed);
  SceneBuilder back;  // wound to face down
  back.add("back", quad(a, b, c, d), kRed);
  SceneBuilder inverted;  // facing up, but its normals point down
  ObjectRef object = inverted.add("inverted", quad(a, d, c, b), kRed);
  std::vector<float> down;
  for (int i = 0; i < 6; ++i) down.insert(down.end(), {0, -1, 0});
  SceneBuilder::setNormals(object, down);

  const Image expected = renderScene(front.scene, smallPicture());
  EXPECT_TRUE(reddish(pixelAt(expected, pixelOf(front.scene, smallPicture(), {0, 0, 0}))));
  EXPECT_EQ(renderScene(back.scene, smallPicture()).rgb, expected.rgb);
  EXPECT_EQ(renderScene(inverted.scene, smallPicture()).rgb, expected.rgb);
}

TEST(DegenerateInput, EmptySceneOrAllVerticesAtOnePointShowOnlyTheLegend) {
  SceneBuilder empty, point;
  point.add("point", box({2, 2, 2}, {2, 2, 2}), kRed);
  const PreviewOptions options = smallPicture();
  for (const SceneBuilder* builder : {&empty, &point}) {
    const Image image = renderScene(builder->scene, options);
    const int legendRows = makeLegend(builder->scene, options).reservedHeight(320, 240);
    EXPECT_EQ(paintedIn(image, 0, 0, 320, 240 - legendRows), 0);
    EXPECT_GT(paintedIn(image, 0, 240 - legendRows, 320, 240), 0);
  }
}

TEST(DegenerateInput, TrianglesWithNonFiniteCornersAreLeftOut) {
  SceneBuilder clean;
  clean.add("cube", box({-1, -1, -1}, {1, 1, 1}), kRed);
  constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
  constexpr float kInf = std::numeric_limits<float>::infinity();
  SceneBuilder dirty;
  test::Shape shape = box({-1, -1, -1}, {1, 1, 1});
  shape.coords.insert(shape.coords.end(), {kNan, 0, 0, 0, kInf, 0, 0, 0, -kInf});
  shape.triangles.insert(shape.triangles.end(), {0, 1, 8, 2, 9, 3, 10, 4, 5, 8, 9, 10});
  dirty.add("cube", shape, kRed);

  const PreviewOptions options = smallPicture();
  const Image expected = renderScene(clean.scene, options);
  const Image actual = renderScene(dirty.scene, options);
  // The legends differ (12 and 16 triangles); the scene above them must not.
  const size_t sceneBytes =
      3u * 320u *
      static_cast<size_t>(240 - makeLegend(clean.scene, options).reservedHeight(320, 240));
  ASSERT_EQ(actual.rgb.size(), expected.rgb.size());
  EXPECT_TRUE(std::equal(actual.rgb.begin(),
                         actual.rgb.begin() + static_cast<ptrdiff_t>(sceneBytes),
                         expected.rgb.begin()));
}

class Scale : public ::testing::TestWithParam<float> {};

TEST_P(Scale, CubeOfAnySizeAnywhereIsFramed) {
  const float size = GetParam();
  SceneBuilder builder;
  ObjectRef cube = builder.add("cube", box({-size, -size, -size}, {size, size, size}), kRed);
  SceneBuilder::setPosition(cube, size, -size, 3 * size);
  const PreviewOptions options = smallPicture();
  const Image image = renderScene(builder.scene, options);
  EXPECT_TRUE(reddish(pixelAt(image, pixelOf(builder.scene, options, {size, -size, 3 * size}))));
  EXPECT_EQ(pixel(image, 0, 0), kBackground);
}

INSTANTIATE_TEST_SUITE_P(TinyToHuge, Scale, ::testing::Values(1e-30f, 1e-3f, 1.0f, 1e6f, 1e30f));

TEST(PictureSize, SidesOutsideTheLimitsAreRefused) {
  SceneBuilder builder;
  for (const auto& [w, h] : std::vector<std::pair<int, int>>{{kMinImageSide - 1, 100},
                                                             {100, kMinImageSide - 1},
                                                             {kMaxImageSide + 1, 100},
                                                             {0, 0},
                                                             {-5, 100}}) {
    PreviewOptions options;
    options.width = w;
    options.height = h;
    EXPECT_THROW(renderScene(builder.scene, options), std::invalid_argument) << w << "x" << h;
  }
  PreviewOptions smallest;
  smallest.width = smallest.height = kMinImageSide;
  EXPECT_EQ(renderScene(builder.scene, smallest).rgb.size(), 3u * kMinImageSide * kMinImageSide);
}

}  // namespace
}  // namespace vlm::preview
