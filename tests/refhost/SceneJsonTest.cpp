// The scene report: exact key sets, values, geometry, invalid UTF-8, the streamed form.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "LateBound.h"
#include "refhost/ReferenceScene.h"

namespace vlm::refhost {
namespace {

using test::call;
using test::get;
using test::put;
using Json = nlohmann::ordered_json;

std::set<std::string> keysOf(const Json& object) {
  std::set<std::string> keys;
  for (const auto& [key, value] : object.items()) keys.insert(key);
  return keys;
}

const std::set<std::string> kObjectKeys = {
    "key",           "name",           "parent",        "color",
    "visible",       "materialKey",    "material",      "position",
    "centerOffset",  "vertexCount",    "triangleCount", "invalidPolygons",
    "normalRecords", "invalidNormals", "surfaces",      "bbox"};

class SceneReport : public ::testing::Test {
 protected:
  void SetUp() override {
    ObjectRef lists = get(scene.dispatch(), "ListObjects").toObject();
    ObjectRef materials = get(scene.dispatch(), "ListMaterials").toObject();
    ObjectRef material = createReferenceMaterial();
    put(material, "Name", Variant("Brick"));
    put(material, "SpecCoeff", Variant(0.25));
    call(materials, "Add", {Variant(material)});

    std::vector<float> coords = {0, 0, 0, 2, 0, 0, 0, 2, 0, 0.1f, 0, 4};
    std::vector<int32_t> polygons = {3, 0, 1, 2, 3, 0, 1, 7};
    std::vector<float> normals = {0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 5, 0, 0, 1, 0, 0, 1, 0, 0, 1};
    put(parent, "Name", Variant("Part"));
    put(parent, "MaterialKey", Variant("brick"));
    call(parent, "Add_Vertices", {Variant(&coords).byRef()});
    call(parent, "Add_Poligons", {Variant(&polygons).byRef()});
    call(parent, "Set_PoligonNormals", {Variant(&normals).byRef()});
    call(parent, "Get_Surface", {Variant(int16_t{0})});
    call(lists, "Add", {Variant(parent)});
    call(lists, "Add", {Variant(child), Variant::missing(), Variant("Obj1")});
    call(scene.dispatch(), "Assign_MaterialToObject", {Variant("Obj1")});
    call(parent, "Center");
  }

  ReferenceScene scene;
  ObjectRef parent = createReferenceObject();
  ObjectRef child = createReferenceObject();
};

TEST_F(SceneReport, HasExactlyTheDocumentedKeys) {
  const Json report = scene.toJson(false);
  EXPECT_EQ(keysOf(report), (std::set<std::string>{"objects", "materials"}));
  for (const Json& object : report["objects"]) EXPECT_EQ(keysOf(object), kObjectKeys);
  EXPECT_EQ(keysOf(report["materials"][0]),
            (std::set<std::string>{"name", "type", "ambient", "color", "specular", "smoothness",
                                   "specCoeff", "opacity"}));
  std::set<std::string> withGeometry = kObjectKeys;
  withGeometry.insert({"vertices", "triangles", "cornerNormals"});
  const Json full = scene.toJson(true);
  for (const Json& object : full["objects"]) EXPECT_EQ(keysOf(object), withGeometry);
}

TEST_F(SceneReport, ValuesDescribeWhatTheSceneReceived) {
  const Json report = scene.toJson(true);
  const Json& part = report["objects"][0];
  const Json& child = report["objects"][1];
  const auto expectValues = [](const Json& object, const char* values) {
    const Json expected = Json::parse(values);
    for (const auto& [key, value] : expected.items()) EXPECT_EQ(object[key], value) << key;
  };
  expectValues(part, R"({"key": "Obj1", "name": "Part", "parent": null, "material": "Brick",
      "color": 12615680, "vertexCount": 4, "triangleCount": 1, "invalidPolygons": 1,
      "normalRecords": 2, "invalidNormals": 1, "surfaces": [[0, 1]], "centerOffset": [1, 1, 2],
      "bbox": [[-1, -1, -2], [1, 1, 2]], "triangles": [0, 1, 2]})");
  expectValues(child, R"({"parent": "Obj1", "material": null, "bbox": null, "cornerNormals": []})");
  EXPECT_EQ(part["cornerNormals"].size(), 9u);
  EXPECT_EQ(report["materials"][0]["specCoeff"], 0.25);
  // Stored vertices plus the centre offset are the vertices as received; a float is
  // written in its shortest form.
  const Json& v = part["vertices"];
  EXPECT_FLOAT_EQ(v[9].get<float>() + part["centerOffset"][0].get<float>(), 0.1f);
  EXPECT_EQ(v[9].dump(), "-0.9");
}

TEST_F(SceneReport, StreamedReportEqualsTheDocumentAndAppendsExtraKeys) {
  std::ostringstream out;
  scene.writeJson(out, true, Json{{"selectedObject", 1}});
  Json expected = scene.toJson(true);
  expected["selectedObject"] = 1;
  EXPECT_EQ(Json::parse(out.str()), expected);
  std::ostringstream plain;
  scene.writeJson(plain, false);
  EXPECT_EQ(Json::parse(plain.str()), scene.toJson(false));
}

TEST_F(SceneReport, InvalidUtf8InNamesStillGivesValidJson) {
  put(child, "Name", Variant("W\xFCrfel \xE2\x82\xAC \xC0\xAF\"q\""));
  std::string text;
  ASSERT_NO_THROW(text = scene.toJson(false).dump());
  const Json back = Json::parse(text);
  EXPECT_EQ(back["objects"][1]["name"],
            "W\xEF\xBF\xBDrfel \xE2\x82\xAC \xEF\xBF\xBD\xEF\xBF\xBD\"q\"");
  std::ostringstream out;
  scene.writeJson(out, false);
  EXPECT_EQ(Json::parse(out.str()), back);
}

}  // namespace
}  // namespace vlm::refhost
