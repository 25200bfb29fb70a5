// The PLY export read back: one mesh of all objects, each corner's position, normal and
// colour, and vertex copies only where normals differ.
#include <gtest/gtest.h>

#include "export/Export.h"
#include "export/ExportFiles.h"
#include "preview/SceneBuilder.h"

namespace vlm::exporter {
namespace {

using test::colorNumber;
using test::Float3;
using test::SceneBuilder;

constexpr std::array<uint8_t, 3> kRed = {255, 0, 0};
constexpr std::array<uint8_t, 3> kSlate = {64, 76, 90};

class TwoObjects : public ::testing::Test {
 protected:
  TwoObjects() {
    builder.addMaterial("Slate", colorNumber(64, 76, 90));
    cube = builder.add("cube", test::box({0, 0, 0}, {1, 1, 1}), colorNumber(255, 0, 0));
    roof = builder.add("roof", test::quad({0, 2, 0}, {1, 2, 0}, {1, 2, 1}, {0, 2, 1}), 0, "Obj1");
    SceneBuilder::setPosition(cube, 5, 0, 0);
    // One normal for all four roof corners: the shared vertices need no copies.
    std::vector<float> up;
    for (int i = 0; i < 6; ++i) up.insert(up.end(), {0, 3, 0});
    SceneBuilder::setNormals(roof, up);
    builder.bind(roof, "SLATE");
    exportScene(builder.scene, folder.file("all.ply"), {"house.3ds"});
    ply = test::readPly(folder.file("all.ply"));
  }

  SceneBuilder builder;
  ObjectRef cube;
  ObjectRef roof;
  test::TempDir folder;
  test::PlyFile ply;
};

TEST_F(TwoObjects, HeaderDeclaresWhatTheBodyHolds) {
  ASSERT_TRUE(ply.wellFormed);
  const std::vector<std::string> expected = {
      "ply",
      "format binary_little_endian 1.0",
      "comment Exported from house.3ds",
      "element vertex " + std::to_string(ply.vertices.size()),
      "property float x",
      "property float y",
      "property float z",
      "property float nx",
      "property float ny",
      "property float nz",
      "property uchar red",
      "property uchar green",
      "property uchar blue",
      "element face 14",
      "property list uchar int vertex_indices"};
  EXPECT_EQ(ply.header, expected);
}

TEST_F(TwoObjects, EveryCornerKeepsItsWorldPositionNormalAndColour) {
  ASSERT_TRUE(ply.wellFormed);
  ASSERT_EQ(ply.triangles.size(), 14u);
  size_t triangle = 0;
  for (size_t i = 0; i < 2; ++i) {
    const refhost::CVLMObject& object = builder.scene.object(i);
    const std::vector<Float3> world = test::worldVertices(object);
    const auto& corners = object.mesh().triangles();
    for (size_t t = 0; t < corners.size() / 3; ++t, ++triangle) {
      const auto& written = ply.triangles[triangle];
      const Float3 face = {0, 0, 0};
      for (size_t k = 0; k < 3; ++k) {
        ASSERT_GE(written[k], 0);
        ASSERT_LT(static_cast<size_t>(written[k]), ply.vertices.size());
        const test::PlyVertex& v = ply.vertices[static_cast<size_t>(written[k])];
        EXPECT_EQ(v.position, world[static_cast<size_t>(corners[3 * t + k])]);
        EXPECT_EQ(v.color, i == 0 ? kRed : kSlate);
        const float length =
            v.normal[0] * v.normal[0] + v.normal[1] * v.normal[1] + v.normal[2] * v.normal[2];
        EXPECT_NEAR(length, 1.0f, 1e-6f);
        EXPECT_NE(v.normal, face);
      }
      // Flat box: the three corners of a triangle share the face's normal.
      if (i == 0) {
        EXPECT_EQ(ply.vertices[static_cast<size_t>(written[0])].normal,
                  ply.vertices[static_cast<size_t>(written[1])].normal);
        EXPECT_EQ(ply.vertices[static_cast<size_t>(written[0])].normal,
                  ply.vertices[static_cast<size_t>(written[2])].normal);
      }
    }
  }
}

TEST_F(TwoObjects, SharedNormalsKeepSharedVerticesAndCreasesGetCopies) {
  ASSERT_TRUE(ply.wellFormed);
  // The roof's 4 vertices all point up: written once each, after the cube's.
  size_t roofVertices = 0;
  for (const test::PlyVertex& v : ply.vertices) {
    if (v.color != kSlate) continue;
    ++roofVertices;
    EXPECT_EQ(v.normal, (Float3{0, 1, 0}));
  }
  EXPECT_EQ(roofVertices, 4u);
  // Each box corner meets three sides: three (position, normal) pairs, 24 in all.
  EXPECT_EQ(ply.vertices.size() - roofVertices, 24u);
}

// A scene without objects, and a quad with a vertex no triangle uses (written all the same,
// with a zero normal).
TEST(PlyExport, EmptySceneIsAValidEmptyMeshAndUnusedVerticesAreKept) {
  SceneBuilder empty, quad;
  test::Shape shape = test::quad({0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0});
  shape.coords.insert(shape.coords.end(), {7, 8, 9});
  quad.add("q", shape, 0);
  test::TempDir folder;
  exportScene(empty.scene, folder.file("none.PLY"));
  exportScene(quad.scene, folder.file("q.ply"));
  const test::PlyFile none = test::readPly(folder.file("none.PLY"));
  EXPECT_TRUE(none.wellFormed);
  EXPECT_TRUE(none.vertices.empty());
  EXPECT_TRUE(none.triangles.empty());
  EXPECT_EQ(none.header.at(2), "comment Exported from an unnamed scene");
  const test::PlyFile q = test::readPly(folder.file("q.ply"));
  ASSERT_TRUE(q.wellFormed);
  ASSERT_EQ(q.vertices.size(), 5u);
  EXPECT_EQ(q.vertices[4].position, (Float3{7, 8, 9}));
  EXPECT_EQ(q.vertices[4].normal, (Float3{0, 0, 0}));
}

}  // namespace
}  // namespace vlm::exporter
