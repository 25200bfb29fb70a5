// The OBJ export read back: objects, world coordinates, triangles, corner normals,
// materials and names.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "export/Export.h"
#include "export/ExportFiles.h"
#include "preview/SceneBuilder.h"

namespace vlm::exporter {
namespace {

using test::colorNumber;
using test::Float3;
using test::SceneBuilder;

constexpr int32_t kBlueish = colorNumber(0, 128, 192);

Float3 unitCross(const Float3& a, const Float3& b, const Float3& c) {
  const double u[3] = {double{b[0]} - a[0], double{b[1]} - a[1], double{b[2]} - a[2]};
  const double w[3] = {double{c[0]} - a[0], double{c[1]} - a[1], double{c[2]} - a[2]};
  const double n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2],
                       u[0] * w[1] - u[1] * w[0]};
  const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  return {static_cast<float>(n[0] / length), static_cast<float>(n[1] / length),
          static_cast<float>(n[2] / length)};
}

void expectNear(const Float3& actual, const Float3& expected, const std::string& what) {
  for (int axis = 0; axis < 3; ++axis) EXPECT_NEAR(actual[axis], expected[axis], 1e-6) << what;
}

// A box with no normals, placed; a quad child with one triangle's normals set, bound to
// a material; both named "Part A".
class TwoParts : public ::testing::Test {
 protected:
  TwoParts() {
    builder.addMaterial("Brick", colorNumber(170, 60, 40));
    cube = builder.add("Part A", test::box({0, 0, 0}, {1, 2, 3}), kBlueish);
    plate = builder.add("Part A", test::quad({0, 0, 0}, {4, 0, 0}, {4, 0, 4}, {0, 0, 4}), kBlueish,
                        "Obj1");
    SceneBuilder::setPosition(cube, 10, 20, 30.5f);
    SceneBuilder::setPosition(plate, -1.5f, 0, 0.1f);
    SceneBuilder::setNormals(plate, {0, 5, 0, 0, 5, 0, 0, 5, 0});
    builder.bind(plate, "brick");
  }

  test::ObjFile exported() {
    exportScene(builder.scene, folder.file("scene.obj"), {"parts.3ds"});
    return test::readObj(folder.file("scene.obj"));
  }

  SceneBuilder builder;
  ObjectRef cube;
  ObjectRef plate;
  test::TempDir folder;
};

TEST_F(TwoParts, EveryObjectKeepsItsWorldVerticesAndTriangles) {
  const test::ObjFile file = exported();
  EXPECT_EQ(file.unknownLines, 0);
  ASSERT_EQ(file.objects.size(), 2u);
  int base = 0;
  for (size_t i = 0; i < 2; ++i) {
    const refhost::CVLMObject& object = builder.scene.object(i);
    const test::ObjObject& o = file.objects[i];
    EXPECT_EQ(o.vertices, test::worldVertices(object)) << "object " << i;
    const auto& triangles = object.mesh().triangles();
    ASSERT_EQ(o.triangles.size() * 3, triangles.size());
    for (size_t t = 0; t < o.triangles.size(); ++t) {
      for (size_t k = 0; k < 3; ++k) EXPECT_EQ(o.triangles[t][k] - base - 1, triangles[3 * t + k]);
    }
    base += static_cast<int>(o.vertices.size());
  }
}

TEST_F(TwoParts, CornerNormalsAreUnitAndFaceNormalsStandInWhereNoneWereSet) {
  const test::ObjFile file = exported();
  ASSERT_EQ(file.objects.size(), 2u);
  // The box: flat, one normal per side, listed once each.
  const test::ObjObject& box = file.objects[0];
  std::set<int> boxNormals;
  for (size_t t = 0; t < box.triangles.size(); ++t) {
    const auto& v = box.triangles[t];
    const Float3 face =
        unitCross(box.vertices[v[0] - 1], box.vertices[v[1] - 1], box.vertices[v[2] - 1]);
    for (int n : box.normals[t]) {
      expectNear(file.normals.at(static_cast<size_t>(n - 1)), face,
                 "box triangle " + std::to_string(t));
      boxNormals.insert(n);
    }
  }
  EXPECT_EQ(boxNormals.size(), 6u);
  // The plate: its first triangle's normals (0, 5, 0) made unit; its second has none, so
  // the face normal of its corners 2-3-0 (pointing down, -y) is used.
  const test::ObjObject& plate = file.objects[1];
  ASSERT_EQ(plate.normals.size(), 2u);
  for (int n : plate.normals[0])
    expectNear(file.normals.at(static_cast<size_t>(n - 1)), {0, 1, 0}, "set");
  for (int n : plate.normals[1])
    expectNear(file.normals.at(static_cast<size_t>(n - 1)), {0, -1, 0}, "face");
  EXPECT_EQ(file.normals.size(), 8u);
}

TEST_F(TwoParts, MaterialsComeFromTheBindingOrTheDefaultColor) {
  const test::ObjFile file = exported();
  EXPECT_EQ(file.mtllib, "scene.mtl");
  ASSERT_EQ(file.objects.size(), 2u);
  EXPECT_EQ(file.objects[0].material, "color_0080C0");
  EXPECT_EQ(file.objects[1].material, "Brick");
  const auto colors = test::readMtlColors(folder.file("scene.mtl"));
  ASSERT_EQ(colors.size(), 2u);
  expectNear(colors.at("color_0080C0"), {0, 128 / 255.0f, 192 / 255.0f}, "default colour");
  expectNear(colors.at("Brick"), {170 / 255.0f, 60 / 255.0f, 40 / 255.0f}, "material");
  EXPECT_EQ(folder.names(), (std::vector<std::string>{"scene.mtl", "scene.obj"}));
}

TEST_F(TwoParts, DuplicateNamesAreMadeUniqueAndObjectMarksMatchTheNames) {
  const test::ObjFile file = exported();
  ASSERT_EQ(file.objects.size(), 2u);
  EXPECT_EQ(file.objects[0].name, "Part_A");
  EXPECT_EQ(file.objects[1].name, "Part_A_2");
  for (const test::ObjObject& o : file.objects) EXPECT_EQ(o.mark, o.name);
  EXPECT_EQ(test::slurp(folder.file("scene.obj")).rfind("# Exported from parts.3ds\n", 0), 0u);
}

TEST(ObjExport, ObjectsSharingADefaultColorShareOneMaterialAndEmptyOnesStayObjects) {
  SceneBuilder builder;
  builder.add("empty", test::Shape{}, kBlueish);
  builder.add("a", test::box({0, 0, 0}, {1, 1, 1}), kBlueish);
  builder.add("b", test::box({0, 0, 0}, {1, 1, 1}), kBlueish);
  builder.add("c", test::box({0, 0, 0}, {1, 1, 1}), colorNumber(255, 0, 0));
  test::TempDir folder;
  exportScene(builder.scene, folder.file("x.OBJ"));
  const test::ObjFile file = test::readObj(folder.file("x.OBJ"));
  ASSERT_EQ(file.objects.size(), 4u);
  EXPECT_TRUE(file.objects[0].vertices.empty());
  EXPECT_EQ(file.objects[1].triangles.front()[0], 1);  // numbering starts at the first box
  EXPECT_EQ(file.objects[1].material, file.objects[2].material);
  EXPECT_NE(file.objects[1].material, file.objects[3].material);
  EXPECT_EQ(test::readMtlColors(folder.file("x.mtl")).size(), 2u);
}

struct NameCase {
  std::vector<std::string> raw;
  std::vector<std::string> expected;
};

class ObjectNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(ObjectNames, AreOneWordWithoutCommentMarkAndNeverTwice) {
  SceneBuilder builder;
  for (const std::string& name : GetParam().raw) builder.add(name, test::Shape{}, kBlueish);
  test::TempDir folder;
  exportScene(builder.scene, folder.file("x.obj"));
  std::vector<std::string> names;
  for (const test::ObjObject& o : test::readObj(folder.file("x.obj")).objects)
    names.push_back(o.name);
  EXPECT_EQ(names, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ObjectNames,
    ::testing::Values(NameCase{{"Part A", "part_a", "PART A"}, {"Part_A", "part_a_2", "PART_A_3"}},
                      NameCase{{"", ""}, {"object1", "object2"}},
                      NameCase{{"object2", ""}, {"object2", "object2_2"}},
                      NameCase{{"a#b", "tab\there", "line\nbreak", "x_2", "x", "x"},
                               {"a_b", "tab_here", "line_break", "x_2", "x", "x_3"}}));

}  // namespace
}  // namespace vlm::exporter
