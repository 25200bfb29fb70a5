// vlmhost --preview, --size and --export through the built program: pictures of every
// sample, exports that the plug-in imports again with the same counts and box, and clear
// failures.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
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

class EverySample : public SceneOutputs, public ::testing::WithParamInterface<const char*> {};

// The picture shows the scene framed on the background; the OBJ export imports again with
// the same counts and, scaled by 0.1 against the OBJ importer's factor of 10, the same
// boxes; the PLY export (timed by --stats) as one mesh of every triangle in the same box,
// its header declaring what its body holds.
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
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           std::string name = info.param;
                           return name.substr(0, name.find('.'));
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
