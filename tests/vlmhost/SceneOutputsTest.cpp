// vlmhost --preview, --size and --export through the built program: pictures of every
// sample, exports that the plug-in imports again with the same counts and box, and glTF
// exports of every sample and generated file checked by two readers that are not ours:
// the Khronos validator and Assimp.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/ReadPng.h"
#include "vlmhost/VlmHostRun.h"

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

constexpr uint8_t kBackground[3] = {58, 62, 70};

using vlm::testing::Outcome;
using vlm::testing::quoted;
using vlm::testing::slurp;

std::string sample(const std::string& name) { return std::string(VLM_EXAMPLES_DIR) + "/" + name; }

bool background(const vlm::test::RgbPicture& p, int x, int y) {
  return std::memcmp(&p.rgb[3 * static_cast<size_t>(y * p.width + x)], kBackground, 3) == 0;
}

// The world box of every object of a report: its stored box moved by its position.
std::vector<std::array<double, 6>> worldBoxes(const Json& report) {
  std::vector<std::array<double, 6>> boxes;
  for (const Json& o : report["objects"]) {
    if (o["bbox"].is_null()) continue;
    std::array<double, 6> box{};
    for (int axis = 0; axis < 3; ++axis) {
      box[axis] = o["bbox"][0][axis].get<double>() + o["position"][axis].get<double>();
      box[axis + 3] = o["bbox"][1][axis].get<double>() + o["position"][axis].get<double>();
    }
    boxes.push_back(box);
  }
  return boxes;
}

// The world box of a whole report: min x y z, max x y z.
std::array<double, 6> sceneBox(const Json& report) {
  std::array<double, 6> all{INFINITY, INFINITY, INFINITY, -INFINITY, -INFINITY, -INFINITY};
  for (const auto& box : worldBoxes(report)) {
    for (int k = 0; k < 3; ++k) {
      all[k] = std::min(all[k], box[k]);
      all[k + 3] = std::max(all[k + 3], box[k + 3]);
    }
  }
  return all;
}

void expectNear(const std::array<double, 6>& seen, const std::array<double, 6>& expected) {
  for (int k = 0; k < 6; ++k)
    EXPECT_NEAR(seen[k], expected[k], 1e-4 * (1 + std::abs(expected[k]))) << k;
}

int64_t triangleCount(const Json& report) {
  int64_t triangles = 0;
  for (const Json& o : report["objects"]) triangles += o["triangleCount"].get<int64_t>();
  return triangles;
}

class SceneOutputs : public vlm::testing::VlmHostFolder {
 protected:
  // Runs vlmhost without hints, which these tests do not look at.
  Outcome run(std::vector<std::string> args) {
    args.insert(args.begin(), "--quiet");
    return VlmHostFolder::run(args);
  }

  Json importReport(const std::string& file) {
    const Outcome o = run({"--json", file});
    EXPECT_EQ(o.status, 0) << o.err;
    return Json::parse(o.out);
  }

  std::string path(const std::string& name) const { return (folder_ / name).string(); }

  // The files the test made, settings aside.
  std::vector<std::string> made() const {
    std::vector<std::string> names = dir_.names();
    std::erase(names, "config");
    return names;
  }
};

class EverySample : public SceneOutputs, public ::testing::WithParamInterface<std::string> {};

// The picture shows the scene framed on the background; the OBJ export imports again with
// the same counts and, scaled by 0.1 against the OBJ importer's factor of 10, the same
// boxes; the PLY export as one mesh of every triangle in the same box, its header
// declaring what its body holds.
TEST_P(EverySample, PreviewAndExportsShowAndKeepTheScene) {
  const Outcome o = run({"--json", "--preview", "p.png", "--size", "200x150", "--export",
                         "round.obj", "--export-scale", "0.1", sample(GetParam())});
  ASSERT_EQ(o.status, 0) << o.err;
  const auto picture = vlm::test::readPng(folder_ / "p.png");
  ASSERT_EQ(picture.width, 200);
  ASSERT_EQ(picture.height, 150);
  int painted = 0;
  for (int y = 0; y < 120; ++y) {
    for (int x = 0; x < 200; ++x) painted += !background(picture, x, y);
  }
  EXPECT_GT(painted, 200 * 120 / 20) << "the scene takes a fair part of the picture";
  for (int x = 0; x < 200; ++x) EXPECT_TRUE(background(picture, x, 0)) << x;
  for (int y = 0; y < 150; ++y)
    EXPECT_TRUE(background(picture, 0, y) && background(picture, 199, y)) << y;

  const Json original = Json::parse(o.out);
  const Json again = importReport(path("round.obj"));
  ASSERT_EQ(again["objects"].size(), original["objects"].size());
  for (size_t i = 0; i < original["objects"].size(); ++i) {
    EXPECT_EQ(again["objects"][i]["vertexCount"], original["objects"][i]["vertexCount"]) << i;
    EXPECT_EQ(again["objects"][i]["triangleCount"], original["objects"][i]["triangleCount"]) << i;
    EXPECT_EQ(again["objects"][i]["invalidPolygons"], 0) << i;
  }
  const auto before = worldBoxes(original);
  const auto after = worldBoxes(again);
  ASSERT_EQ(after.size(), before.size());
  for (size_t i = 0; i < before.size(); ++i) expectNear(after[i], before[i]);

  const Outcome stats =
      run({"--stats", "--export", "round.ply", "--export-scale", "0.1", sample(GetParam())});
  ASSERT_EQ(stats.status, 0);
  EXPECT_TRUE(std::regex_match(
      stats.out, std::regex("load_s=\\S+ verts=\\d+ faces=\\d+ export_s=\\d+\\.\\d{4}\n")))
      << stats.out;
  const Json ply = importReport(path("round.ply"));
  ASSERT_EQ(ply["objects"].size(), 1u);
  EXPECT_EQ(ply["objects"][0]["triangleCount"], triangleCount(original));
  expectNear(sceneBox(ply), sceneBox(original));
  EXPECT_EQ(ply["objects"][0]["invalidPolygons"], 0);
  const std::string header = slurp(folder_ / "round.ply").substr(0, 400);
  const std::string declared =
      "element vertex " + std::to_string(ply["objects"][0]["vertexCount"].get<int64_t>()) + "\n";
  EXPECT_NE(header.find(declared), std::string::npos) << header;
}

INSTANTIATE_TEST_SUITE_P(Samples, EverySample,
                         ::testing::Values("table.obj", "sample.3ds", "tower_le.ply", "house.dxf",
                                           "gem.inc"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return info.param.substr(0, info.param.find('.'));
                         });

// A sample, or a file vlmgen writes in the given format.
struct GltfInput {
  const char* file;
  const char* generatedAs;  // nullptr for a sample
};

void PrintTo(const GltfInput& in, std::ostream* os) {
  *os << in.file;
  if (in.generatedAs) *os << " (vlmgen --format " << in.generatedAs << ")";
}

// The programs the glTF checks run, as configuring found them: "" when all are there, else
// one line naming what is missing, in place of what node or the shell would print.
std::string missingGltfTools() {
  std::string missing;
  const auto need = [&](bool there, const char* what) {
    if (!there) missing += (missing.empty() ? "" : ", ") + std::string(what);
  };
  need(fs::is_regular_file(fs::path(VLM_GLTF_VALIDATOR) / "package.json"), "glTF validator");
  need(access(VLM_NODE, X_OK) == 0, "node");
  need(access(VLM_ASSIMP, X_OK) == 0, "assimp");
  return missing.empty() ? "" : missing + " not found: run `make test-tools`, then configure again";
}

class GltfExports : public SceneOutputs, public ::testing::WithParamInterface<GltfInput> {
 protected:
  void SetUp() override {
    if (const std::string missing = missingGltfTools(); !missing.empty()) GTEST_FAIL() << missing;
  }

  // The meshes, materials and triangles `assimp info` reads from `file`.
  std::string assimpCounts(const std::string& file) {
    const std::string out = vlm::test::runIn(folder_, {VLM_ASSIMP, "info", file, "-r"}).out;
    std::smatch n;
    std::regex_search(
        out, n, std::regex("Meshes: +(\\d+)[\\s\\S]*Materials: +(\\d+)[\\s\\S]*Faces: +(\\d+)"));
    return n.str(1) + " meshes, " + n.str(2) + " materials, " + n.str(3) + " triangles";
  }
};

// Exported as .glb (scaled by 0.1), as .gltf with its .bin and as .gltf holding its buffer:
// the Khronos validator finds no error and no warning in any; Assimp reads the meshes
// (objects with triangles), triangles and materials the scene report holds (it reads the
// imported materials a mesh uses, one per colour of the objects without, and adds a
// default of its own); and Assimp's OBJ of the .glb, imported by the plug-in (times 10),
// has the scene's triangles and box.
TEST_P(GltfExports, ValidReadAlikeByAssimpAndBackThroughObj) {
  const auto [file, generatedAs] = GetParam();
  const std::string input = generatedAs ? path(file) : sample(file);
  const std::vector<std::string> generate{VLMGEN_PATH, "--format", generatedAs ? generatedAs : "",
                                          "--mb",      "0.03",     input};
  ASSERT_TRUE(!generatedAs || vlm::test::runIn(folder_, generate).status == 0);
  const Outcome o = run({"--json", "--export", "a.glb", "--export-scale", "0.1", input});
  ASSERT_EQ(o.status, 0) << o.err;
  ASSERT_EQ(run({"--export", "b.gltf", input}).status, 0);
  ASSERT_EQ(run({"--export", "c.gltf", "--embed", input}).status, 0);
  const Outcome checked = vlm::test::runIn(
      folder_, {VLM_NODE, VLM_GLTF_CHECK, VLM_GLTF_VALIDATOR, "a.glb", "b.gltf", "c.gltf"});
  EXPECT_EQ(checked.out,
            "a.glb: 0 errors, 0 warnings\nb.gltf: 0 errors, 0 warnings\n"
            "c.gltf: 0 errors, 0 warnings\n")
      << checked.err;

  const Json report = Json::parse(o.out);
  std::set<std::string> imported, shown;
  for (const Json& m : report["materials"]) imported.insert(m["name"].get<std::string>());
  int meshes = 0;
  for (const Json& object : report["objects"]) {
    if (object["triangleCount"] == 0) continue;
    ++meshes;
    const Json& bound = object["material"];
    const bool named = bound.is_string() && imported.contains(bound.get<std::string>());
    shown.insert(named ? "material " + bound.get<std::string>() : object["color"].dump());
  }
  const std::string counts = std::to_string(meshes) + " meshes, " +
                             std::to_string(shown.size() + 1) + " materials, " +
                             std::to_string(triangleCount(report)) + " triangles";
  for (const char* exported : {"a.glb", "b.gltf", "c.gltf"})
    EXPECT_EQ(assimpCounts(exported), counts) << exported;

  ASSERT_EQ(vlm::test::runIn(folder_, {VLM_ASSIMP, "export", "a.glb", "back.obj"}).status, 0);
  const Json back = importReport(path("back.obj"));
  EXPECT_EQ(triangleCount(back), triangleCount(report));
  expectNear(sceneBox(back), sceneBox(report));
}

INSTANTIATE_TEST_SUITE_P(
    SamplesAndGenerated, GltfExports,
    ::testing::Values(GltfInput{"table.obj", nullptr}, GltfInput{"sample.3ds", nullptr},
                      GltfInput{"tower_ascii.ply", nullptr}, GltfInput{"tower_le.ply", nullptr},
                      GltfInput{"tower_be.ply", nullptr}, GltfInput{"house.dxf", nullptr},
                      GltfInput{"gem.inc", nullptr}, GltfInput{"generated.obj", "obj"},
                      GltfInput{"generated.ply", "ply_le"}, GltfInput{"generated.3ds", "3ds"},
                      GltfInput{"generated.dxf", "dxf"}, GltfInput{"generated.inc", "inc"}),
    [](const ::testing::TestParamInfo<GltfInput>& info) {
      std::string name = info.param.file;
      std::replace(name.begin(), name.end(), '.', '_');
      return name;
    });

TEST_F(SceneOutputs, PreviewAndExportTogetherFromSeveralFiles) {
  const Outcome o = run(
      {"--preview", "both.png", "--export", "both.OBJ", sample("table.obj"), sample("gem.inc")});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(vlm::test::readPng(folder_ / "both.png").width, 1024);
  EXPECT_EQ(made(), (std::vector<std::string>{"both.OBJ", "both.mtl", "both.png"}));
  EXPECT_EQ(slurp(folder_ / "both.OBJ").rfind("# Exported from table.obj + gem.inc\n", 0), 0u);
}

}  // namespace
