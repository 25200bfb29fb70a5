// The glTF, OBJ and PLY exports read back whole, their names and materials, and the files
// they refuse or cannot write.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <nlohmann/json.hpp>

#include "export/Export.h"
#include "export/UniqueNames.h"
#include "geometry/OutputFile.h"
#include "preview/SceneBuilder.h"
#include "support/OrdinaryUser.h"
#include "support/TempDir.h"

namespace vlm::exporter {
namespace {

using test::colorNumber;
using test::quad;
using test::SceneBuilder;

constexpr int32_t kBlueish = colorNumber(0, 128, 192);
// What the exports of the scenes below must be, checked by hand.
const std::string kData = VLM_EXPORT_DATA "/";

// A flat placed plate; a square with every kind of corner normal, bound to a material
// (the two share a name with a blank in it); a triangle without area whose key matches no
// material; an object without geometry whose colour number has bits above the 24 set.
TEST(ObjExport, WorldVerticesUnitNormalsNamesAndMaterials) {
  SceneBuilder b;
  b.addMaterial("Brick", colorNumber(170, 60, 40));
  ObjectRef plate = b.add("Floor tile", quad({0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}), kBlueish);
  SceneBuilder::setPosition(plate, 10, 20, 30.5f);
  ObjectRef square =
      b.add("Floor tile", quad({0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}), 0, "Obj1");
  SceneBuilder::setPosition(square, -1.5f, 0, 0.1f);
  SceneBuilder::setNormals(square, {0, 0, -10, 3e38f, 0, 0, NAN, 0, 1,  //
                                    -0.0f, -0.0f, 2, INFINITY, 0, 0, 0, 1e-30f, 0});
  b.bind(square, "brick");
  b.bind(b.add("", {{1, 1, 1, 2, 2, 2, 3, 3, 3}, {0, 1, 2}}, kBlueish), "blue");
  b.add("a#b", {}, colorNumber(255, 0, 0) | 0x7F000000);
  test::TempDir folder;
  exportScene(b.scene, folder.file("parts.obj"), {"two\nparts.3ds"});
  for (const char* name : {"parts.obj", "parts.mtl"})
    EXPECT_EQ(test::slurp(folder.file(name)), test::slurp(kData + name)) << name;
  EXPECT_EQ(folder.names(), (std::vector<std::string>{"parts.mtl", "parts.obj"}));
}

// Names of objects and materials: one word without a comment mark, the fallback when
// empty, never twice in any letter case.
TEST(UniqueNames, OneWordWithoutCommentMarkNeverTwiceInAnyLetterCase) {
  UniqueNames names;
  std::string taken;
  const char* rawAndFallback[] = {"Za_3", "",   "za", "",        "ZA",      "",
                                  "",     "za", "",   "object1", "object1", ""};
  for (size_t i = 0; i < std::size(rawAndFallback); i += 2)
    taken += names.take(rawAndFallback[i], rawAndFallback[i + 1]) + " ";
  EXPECT_EQ(taken, "Za_3 za ZA_2 za_4 object1 object1_2 ");
  EXPECT_EQ(names.take("caf\xC3\xA9 a#b\tc\nd\x7F", ""), "caf\xC3\xA9_a_b_c_d_");
}

// A placed triangle with a vertex no triangle uses (written with a zero normal), and a
// fold bound to a material: the two vertices on the fold get one copy each for the
// second side's normal, which a repeated triangle uses again.
TEST(PlyExport, OneMeshOfWorldCornersWithTheirNormalAndColour) {
  SceneBuilder b;
  b.addMaterial("Slate", colorNumber(64, 76, 90));
  const test::Shape plate{{0, 0, 0, 1, 0, 0, 1, 1, 0, 7, 8, 9}, {0, 1, 2}};
  SceneBuilder::setPosition(b.add("plate", plate, colorNumber(255, 0, 0)), 5, 0, 0);
  b.bind(b.add("fold", {{0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1}, {0, 1, 2, 0, 3, 1, 0, 3, 1}}, 0),
         "SLATE");
  test::TempDir folder;
  exportScene(b.scene, folder.file("fold.ply"), {"house.3ds"});
  EXPECT_TRUE(test::slurp(folder.file("fold.ply")) == test::slurp(kData + "fold.ply"));
  exportScene(SceneBuilder().scene, folder.file("none.ply"));
  const std::string none = test::slurp(folder.file("none.ply"));  // the same header, counts 0
  EXPECT_TRUE(
      none.starts_with("ply\nformat binary_little_endian 1.0\ncomment Exported from an "
                       "unnamed scene\nelement vertex 0\n"));
  EXPECT_TRUE(
      none.ends_with("element face 0\nproperty list uchar int vertex_indices\nend_header\n"));
}

// A placed box bound to a see-through material; under it a flat quad whose corners
// each have a vertex of their own, plus a triangle without area; under that an object
// without triangles; and an object whose key matches no material. Exported at twice the
// size as .gltf (with its .bin), and as .glb holding the same document and bytes.
TEST(GltfExport, NodesMeshesOfSharedVerticesMaterialsAndScale) {
  SceneBuilder b;
  const ObjectRef glass = b.addMaterial("Glass", colorNumber(180, 220, 255));
  test::put(glass, "OpacityValue", Variant(0.25f));
  test::put(glass, "Smoothness", Variant(0.75f));
  ObjectRef walls = b.add("Walls", test::box({0, 0, 0}, {2, 1, 2}), 0);
  SceneBuilder::setPosition(walls, 10, 0, 0);
  b.bind(walls, "GLASS");
  const test::Shape quad{
      {0, 0, 0, 1, 0, 0, 1, 1, 0, 1, 1, 0, 0, 1, 0, 0, 0, 0, 0, 5, 5, 5, 5, 5, -0.0f, 5, 5},
      {0, 1, 2, 3, 4, 5, 6, 7, 8}};
  SceneBuilder::setPosition(b.add("Dome \"1\"", quad, colorNumber(255, 128, 0), "Obj1"), 10, 5, 0);
  SceneBuilder::setPosition(b.add("Cable", {{1, 2, 3}, {}}, 0, "Obj2"), 10, 5, 1);
  b.bind(b.add("Lamp", test::box({-1, -1, -1}, {1, 1, 1}), colorNumber(255, 128, 0)), "none");
  test::TempDir folder;
  exportScene(b.scene, folder.file("parts.gltf"), {"a.3ds", 2.0f});
  for (const char* name : {"parts.gltf", "parts.bin"})
    EXPECT_EQ(test::slurp(folder.file(name)), test::slurp(kData + name)) << name;

  exportScene(b.scene, folder.file("parts.glb"), {"a.3ds", 2.0f});
  const std::string glb = test::slurp(folder.file("parts.glb"));
  uint32_t words[5];
  std::memcpy(words, glb.data(), sizeof words);
  EXPECT_EQ(glb.substr(0, 4) + glb.substr(16, 4) + glb.substr(24 + words[3], 4),
            std::string("glTFJSONBIN\0", 12));
  EXPECT_EQ(words[1], 2u);
  EXPECT_EQ(words[2], glb.size());
  nlohmann::json document = nlohmann::json::parse(test::slurp(kData + "parts.gltf"));
  document["buffers"][0].erase("uri");
  EXPECT_EQ(nlohmann::json::parse(glb.substr(20, words[3])), document);
  EXPECT_EQ(glb.substr(28 + words[3]), test::slurp(kData + "parts.bin"));
}

// Indices take the smallest type whose largest value (kept for primitive restarts) no
// vertex needs; a position that is no finite number after scaling is refused.
TEST(GltfExport, IndexTypeFitsTheVertexCountAndPositionsMustBeFinite) {
  const std::pair<int, int> countAndType[] = {
      {255, 5121}, {256, 5123}, {65535, 5123}, {65536, 5125}};
  test::TempDir folder;
  for (const auto& [count, type] : countAndType) {
    test::Shape fan;
    for (int i = 0; i < count; ++i) fan.coords.insert(fan.coords.end(), {float(i), 0, 0});
    for (int i = 1; i + 1 < count; ++i) fan.triangles.insert(fan.triangles.end(), {0, i, i + 1});
    SceneBuilder b;
    b.add("fan", fan, 0);
    exportScene(b.scene, folder.file("fan.gltf"), {"", 1.0f, true});
    const auto accessors = nlohmann::json::parse(test::slurp(folder.file("fan.gltf")))["accessors"];
    EXPECT_EQ(accessors[0]["count"], count);
    EXPECT_EQ(accessors[2]["componentType"], type) << count;
  }
  SceneBuilder b;
  b.add("huge", {{0, 0, 0, 3e38f, 0, 0, 0, 1, 0}, {0, 1, 2}}, 0);
  EXPECT_THROW(exportScene(b.scene, folder.file("huge.glb"), {"", 2.0f}), geometry::CannotWrite);
  EXPECT_EQ(folder.names(), std::vector<std::string>{"fan.gltf"});
}

// In a folder holding the folders "dir.ply", "scene.mtl" and "scene.bin" and an old
// "scene.obj": the first line written, or the error with the folder left out of the path.
TEST(ExportTo, ExtensionChoosesTheFormatAndFailuresLeaveNothingBehind) {
  test::TempDir folder;
  std::filesystem::create_directory(folder.file("dir.ply"));
  std::filesystem::create_directory(folder.file("scene.mtl"));
  std::filesystem::create_directory(folder.file("scene.bin"));
  folder.write("scene.obj", "old");
  SceneBuilder b;
  b.add("cube", test::box({0, 0, 0}, {1, 1, 1}), 0);
  const std::pair<const char*, std::string> cases[] = {
      {"a.Obj", "# Exported from an unnamed scene"},
      {"b.pLY", "ply"},
      {"c.GLTF", "{"},
      {".obj", "# Exported from an unnamed scene"},
      {"a.stl", "cannot export to 'a.stl': the file name must end in .gltf, .glb, .obj or .ply"},
      {"obj", "cannot export to 'obj': the file name must end in .gltf, .glb, .obj or .ply"},
      {"a.plyx", "cannot export to 'a.plyx': the file name must end in .gltf, .glb, .obj or .ply"},
      {"dir.ply", "cannot write 'dir.ply': Is a directory"},
      {"scene.obj", "cannot write 'scene.mtl': Is a directory"},
      {"scene.gltf", "cannot write 'scene.bin': Is a directory"},
  };
  for (const auto& [name, outcome] : cases) {
    std::string seen;
    try {
      exportScene(b.scene, folder.file(name));
      seen = test::slurp(folder.file(name));
      seen.resize(seen.find('\n'));
    } catch (const std::runtime_error& e) {
      seen = e.what();
      seen.erase(seen.find(folder.path().string() + "/"), folder.path().string().size() + 1);
    }
    EXPECT_EQ(seen, outcome);
    EXPECT_EQ(exportFormat(name) != ExportFormat::None, seen.rfind("cannot export", 0) != 0)
        << name;
  }
  EXPECT_EQ(test::slurp(folder.file("scene.obj")), "old");
  EXPECT_TRUE(std::filesystem::is_empty(folder.file("dir.ply")));
  EXPECT_EQ(folder.names(),
            (std::vector<std::string>{".mtl", ".obj", "a.Obj", "a.mtl", "b.pLY", "c.GLTF", "c.bin",
                                      "dir.ply", "scene.bin", "scene.mtl", "scene.obj"}));
}

TEST(ExportTo, FolderTheUserMayNotWriteIsRefused) {
  test::TempDir folder;
  const test::OrdinaryUser user({folder.path().string()});
  if (!user.restricted()) GTEST_SKIP() << "no ordinary user can try the access here";
  try {
    exportScene(SceneBuilder().scene, folder.file("x.obj"));
    ADD_FAILURE() << "written";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(e.what(), "cannot write '" + folder.file("x.obj") + "': Permission denied");
  }
}

}  // namespace
}  // namespace vlm::exporter
