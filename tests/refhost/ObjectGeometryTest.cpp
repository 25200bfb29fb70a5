// The mesh object's geometry members: vertex and polygon lists, polygon numbering with
// invalid polygons, normal records and surface runs.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "LateBound.h"
#include "refhost/CVLMObject.h"

namespace vlm::refhost {
namespace {

using test::call;
using test::errorOf;

class ObjectGeometry : public ::testing::Test {
 protected:
  // A unit square's four corners plus a fifth vertex above it.
  void SetUp() override {
    std::vector<float> coords = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0, 0, 1};
    call(ref, "Add_Vertices", {Variant(&coords).byRef()});
  }
  void addRecords(std::vector<int32_t> records) {
    call(ref, "Add_Poligons", {Variant(&records).byRef()});
  }
  std::vector<int32_t> triangles() const {
    const auto& t = object->mesh().triangles();
    return {t.begin(), t.end()};
  }

  std::shared_ptr<CVLMObject> object = std::make_shared<CVLMObject>();
  ObjectRef ref = object;
};

TEST_F(ObjectGeometry, QuadRecordBecomesTriangles123Then341) {
  addRecords({4, 0, 1, 2, 3});
  EXPECT_EQ(triangles(), (std::vector<int32_t>{0, 1, 2, 2, 3, 0}));
  EXPECT_EQ(object->mesh().polygonNumbers(), 2);
}

TEST_F(ObjectGeometry, PlainTriplesWithForm3AreOneTriangleEach) {
  std::vector<int32_t> triples = {2, 1, 0, 0, 3, 4};
  call(ref, "Add_Poligons", {Variant(&triples).byRef(), Variant(int16_t{3})});
  EXPECT_EQ(triangles(), triples);
}

TEST_F(ObjectGeometry, InvalidPolygonIsCountedNotStoredAndStillUsesItsNumbers) {
  // Numbers: 0 invalid triangle, 1-2 invalid quad, 3 valid triangle, 4-5 valid quad.
  addRecords({3, 0, 1, 9, 4, 0, -1, 2, 3, 3, 0, 1, 4, 4, 0, 1, 2, 3});
  EXPECT_EQ(object->invalidPolygons(), 2);
  EXPECT_EQ(object->mesh().triangleCount(), 3);
  EXPECT_EQ(triangles(), (std::vector<int32_t>{0, 1, 4, 0, 1, 2, 2, 3, 0}));
  EXPECT_EQ(object->mesh().triangleOf(0), -1);
  EXPECT_EQ(object->mesh().triangleOf(2), -1);
  EXPECT_EQ(object->mesh().triangleOf(3), 0);
  EXPECT_EQ(object->mesh().triangleOf(5), 2);
  // A normal record for number 5 lands on the second half of the valid quad.
  std::vector<float> normals = {5, 1, 0, 0, 1, 0, 0, 1, 0, 0};
  call(ref, "Set_PoligonNormals", {Variant(&normals).byRef()});
  ASSERT_TRUE(object->mesh().hasCornerNormals());
  EXPECT_EQ(object->mesh().normalsOf(2)[0], 1.0f);
  EXPECT_EQ(object->mesh().normalsOf(1)[0], 0.0f);
}

TEST_F(ObjectGeometry, OneAtATimeCallsNumberLikeTheListForms) {
  float x = 5, y = 5, z = 5;
  call(ref, "Add_Vertex", {Variant(x).byRef(), Variant(y).byRef(), Variant(z).byRef()});
  call(ref, "Add_Poligon", {Variant(int32_t{0}), Variant(int32_t{1}), Variant(int32_t{99})});
  call(ref, "Add_Poligon", {Variant(int32_t{0}), Variant(int32_t{1}), Variant(int32_t{5})});
  EXPECT_EQ(object->mesh().vertexCount(), 6);
  EXPECT_EQ(object->invalidPolygons(), 1);
  EXPECT_EQ(triangles(), (std::vector<int32_t>{0, 1, 5}));
  std::vector<Variant> normal = {Variant(int32_t{1}).byRef()};
  for (int i = 0; i < 9; ++i) normal.push_back(Variant(float(i)).byRef());
  invokeByName(*ref, "Set_PoligonNormal", InvokeKind::Method, normal);
  EXPECT_EQ(object->mesh().normalsOf(0)[8], 8.0f);
  EXPECT_EQ(object->normalRecords(), 1);
  EXPECT_EQ(object->invalidNormals(), 0);
}

struct MalformedList {
  const char* what;
  std::vector<int32_t> records;
};

class MalformedPolygonList : public ObjectGeometry,
                             public ::testing::WithParamInterface<MalformedList> {};

TEST_P(MalformedPolygonList, FailsWithError5AndAddsNothing) {
  EXPECT_EQ(errorOf([&] { addRecords(GetParam().records); }), err::kInvalidCall);
  EXPECT_EQ(object->mesh().polygonNumbers(), 0);
  EXPECT_EQ(object->invalidPolygons(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    CornerCounts, MalformedPolygonList,
    ::testing::Values(MalformedList{"five corners", {5, 0, 1, 2, 3, 4}},
                      MalformedList{"two corners after a good record", {3, 0, 1, 2, 2, 0, 1}},
                      MalformedList{"negative count", {-3, 0, 1, 2}},
                      MalformedList{"triangle cut short", {3, 0, 1}},
                      MalformedList{"quad cut short", {3, 0, 1, 2, 4, 0, 1, 2}}),
    [](const auto& info) {
      std::string name = info.param.what;
      for (char& c : name) c = (c == ' ') ? '_' : c;
      return name;
    });

TEST_F(ObjectGeometry, ZeroCornerCountIsAnEmptyRecord) {
  addRecords({0});  // vertices handed over without faces
  addRecords({0, 3, 0, 1, 2, 0});
  EXPECT_EQ(object->mesh().triangleCount(), 1);
  EXPECT_EQ(object->mesh().polygonNumbers(), 1);
}

TEST_F(ObjectGeometry, ListsOfTheWrongShapeOrTypeFailAndChangeNothing) {
  std::vector<float> twoValues = {1, 2}, nineValues(9, 0.0f);
  std::vector<int32_t> fourLongs = {0, 1, 2, 3}, threeLongs = {0, 1, 2};
  const struct {
    const char* what;
    std::function<void()> call;
    int32_t error;
  } cases[] = {
      {"vertices not in threes", [&] { call(ref, "Add_Vertices", {Variant(&twoValues).byRef()}); },
       err::kInvalidCall},
      {"form 3 not in threes",
       [&] {
         call(ref, "Add_Poligons", {Variant(&fourLongs).byRef(), Variant(int16_t{3})});
       },
       err::kInvalidCall},
      {"unknown form",
       [&] {
         call(ref, "Add_Poligons", {Variant(&fourLongs).byRef(), Variant(int16_t{4})});
       },
       err::kInvalidCall},
      {"normals not in tens",
       [&] { call(ref, "Set_PoligonNormals", {Variant(&nineValues).byRef()}); }, err::kInvalidCall},
      {"vertices as longs", [&] { call(ref, "Add_Vertices", {Variant(&threeLongs).byRef()}); },
       err::kTypeMismatch},
      {"vertex as text",
       [&] {
         call(ref, "Add_Vertex", {Variant("a"), Variant(1.0f), Variant(1.0f)});
       },
       err::kTypeMismatch},
  };
  for (const auto& c : cases) EXPECT_EQ(errorOf(c.call), c.error) << c.what;
  EXPECT_EQ(object->mesh().vertexCount(), 5);
  EXPECT_EQ(object->mesh().polygonNumbers(), 0);
  EXPECT_EQ(object->normalRecords(), 0);
}

TEST_F(ObjectGeometry, NormalRecordsNamingNoStoredPolygonAreCountedAndIgnored) {
  addRecords({3, 0, 1, 9, 3, 0, 1, 2});  // number 0 invalid, number 1 valid
  std::vector<float> records;
  for (float number : {1.0f, 0.0f, 2.0f, -1.0f, 0.5f, 1e10f}) {
    records.push_back(number);
    for (int i = 0; i < 9; ++i) records.push_back(number);
  }
  call(ref, "Set_PoligonNormals", {Variant(&records).byRef()});
  EXPECT_EQ(object->normalRecords(), 6);
  EXPECT_EQ(object->invalidNormals(), 5);
  ASSERT_EQ(object->mesh().triangleCount(), 1);
  const auto n = object->mesh().normalsOf(0);
  EXPECT_EQ(std::vector<float>(n.begin(), n.end()), std::vector<float>(9, 1.0f));
}

TEST_F(ObjectGeometry, SurfacesAreRecordedAsAskedWithAnOmittedLastResolved) {
  addRecords({4, 0, 1, 2, 3, 3, 0, 1, 4});  // numbers 0..2
  call(ref, "Get_Surface", {Variant(int32_t{0}), Variant(int32_t{-1}).byRef()});
  call(ref, "Get_Surface", {Variant(int16_t{0})});
  call(ref, "Get_Surface", {Variant(int32_t{2})});
  call(ref, "Get_Surface", {Variant(int32_t{1}), Variant(int32_t{40}).byRef()});
  call(ref, "Get_Surface", {Variant(int32_t{1}), Variant::missing()});
  using S = CVLMObject::Surface;
  EXPECT_EQ(object->surfaces(), (std::vector<S>{{0, -1}, {0, 2}, {2, 2}, {1, 40}, {1, 2}}));
}

TEST_F(ObjectGeometry, SurfaceOnAnObjectWithoutPolygonsIsRecordedAsEmptyRun) {
  call(ref, "Get_Surface", {Variant(int16_t{0})});
  EXPECT_EQ(object->surfaces(), (std::vector<CVLMObject::Surface>{{0, -1}}));
  EXPECT_FALSE(object->mesh().hasCornerNormals());
}

TEST_F(ObjectGeometry, SurfaceRunSkipsInvalidPolygonsAndSmoothsTheRest) {
  addRecords({3, 0, 1, 9, 3, 0, 1, 2, 3, 0, 2, 3});
  call(ref, "Get_Surface", {Variant(int32_t{0}), Variant(int32_t{1}).byRef()});
  ASSERT_EQ(object->mesh().triangleCount(), 2);
  EXPECT_FLOAT_EQ(object->mesh().normalsOf(0)[2], 1.0f);  // number 1 smoothed, facing +z
  EXPECT_FLOAT_EQ(object->mesh().normalsOf(1)[2], 0.0f);  // number 2 outside the run
}

}  // namespace
}  // namespace vlm::refhost
