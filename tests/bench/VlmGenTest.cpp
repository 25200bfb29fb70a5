// vlmgen end to end: every format it writes is imported whole by our importers (the
// counts it promises are the counts vlmhost reports), and --mb sizes the file.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "BenchTestSupport.h"
#include "Generate.h"

namespace {

using namespace vlm::benchtest;
using Json = nlohmann::json;

Json importedScene(const Generated& g, const char* report = "--json") {
  const Outcome o = run(g.file.parent_path(), {VLMHOST_PATH, report, g.file.string()});
  EXPECT_EQ(o.status, 0) << o.err;
  return Json::parse(o.out);
}

std::vector<std::string> allKeys() {
  std::vector<std::string> keys;
  for (const auto& f : vlm::gen::formats()) keys.emplace_back(f.key);
  return keys;
}

class EveryFormat : public ::testing::TestWithParam<std::string> {};

// A generator fault (an index off by one, a chunk length patched wrong, a line the reader
// skips) shows as missing or invalid geometry, a message, or counts that differ from the
// promise. 1.5 MB is more than the writer's buffer, so some 3DS chunk lengths are patched
// after their headers were written out.
TEST_P(EveryFormat, ImportsWithTheCountsItPromisesAndTheSizeAsked) {
  TempFolder folder;
  const Generated g = generate(folder.path(), GetParam(), 1.5);
  const Json scene = importedScene(g);
  EXPECT_TRUE(scene["messages"].empty()) << scene["messages"];
  ASSERT_EQ(static_cast<long long>(scene["objects"].size()), g.counts.at("objects"));
  long long verts = 0, faces = 0;
  for (const auto& object : scene["objects"]) {
    verts += object["vertexCount"].get<long long>();
    faces += object["triangleCount"].get<long long>();
    EXPECT_EQ(object["invalidPolygons"], 0) << object["name"];
    EXPECT_EQ(object["invalidNormals"], 0) << object["name"];
  }
  EXPECT_EQ(verts, g.counts.at("verts"));
  EXPECT_EQ(faces, g.counts.at("faces"));
  EXPECT_GT(faces, 5000) << "a file of 1.5 MB holds more than this";
  EXPECT_EQ(static_cast<long long>(fs::file_size(g.file)), g.counts.at("bytes"));
  EXPECT_NEAR(static_cast<double>(g.counts.at("bytes")) / 1e6, 1.5, 0.2);
}

INSTANTIATE_TEST_SUITE_P(VlmGen, EveryFormat, ::testing::ValuesIn(allKeys()),
                         [](const auto& info) { return info.param; });

// The big-endian writer must swap every value: the same seed gives the same scene.
TEST(VlmGen, BigEndianPlyHoldsTheLittleEndianGeometry) {
  TempFolder le, be;
  const Json a = importedScene(generate(le.path(), "ply_le", 0.1), "--geometry");
  const Json b = importedScene(generate(be.path(), "ply_be", 0.1), "--geometry");
  ASSERT_EQ(a["objects"].size(), 1u);
  EXPECT_EQ(a["objects"][0]["vertices"], b["objects"][0]["vertices"]);
  EXPECT_EQ(a["objects"][0]["triangles"], b["objects"][0]["triangles"]);
}

}  // namespace
