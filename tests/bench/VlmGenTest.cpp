// vlmgen end to end: every format it writes is imported whole by our importers (the
// counts it promises are the counts vlmhost reports), its output depends on the seed
// alone, and --mb sizes the file.
#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <string>

#include "BenchTestSupport.h"
#include "Generate.h"

namespace {

using namespace vlm::benchtest;

class EveryFormat : public ::testing::TestWithParam<std::string> {};

std::string formatName(const ::testing::TestParamInfo<std::string>& info) { return info.param; }

std::vector<std::string> allKeys() {
  std::vector<std::string> keys;
  for (const auto& f : vlm::gen::formats()) keys.emplace_back(f.key);
  return keys;
}

// A generator fault (an index off by one, a wrong chunk length, a line the reader skips)
// shows as missing or invalid geometry, a message, or counts that differ from the promise.
TEST_P(EveryFormat, ImportsWithTheCountsItPromises) {
  TempFolder folder;
  const Generated g = generate(folder.path(), GetParam(), 0.3);
  const Outcome o = run(folder.path(), {VLMHOST_PATH, "--json", g.file.string()});
  ASSERT_EQ(o.status, 0) << o.err;
  const auto scene = nlohmann::json::parse(o.out);
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
  EXPECT_GT(faces, 1000) << "a file of 0.3 MB holds more than this";
  EXPECT_EQ(static_cast<long long>(std::filesystem::file_size(g.file)), g.counts.at("bytes"));
}

TEST_P(EveryFormat, SameSeedSameBytesOtherSeedOtherBytes) {
  TempFolder a, b, c;
  const std::string first = slurp(generate(a.path(), GetParam(), 0.05, 7).file);
  EXPECT_EQ(slurp(generate(b.path(), GetParam(), 0.05, 7).file), first);
  EXPECT_NE(slurp(generate(c.path(), GetParam(), 0.05, 8).file), first);
}

TEST_P(EveryFormat, SizeFollowsMegabytes) {
  for (const double mb : {0.5, 3.0}) {
    TempFolder folder;
    const Generated g = generate(folder.path(), GetParam(), mb);
    EXPECT_NEAR(static_cast<double>(g.counts.at("bytes")) / 1e6, mb, 0.15 * mb) << mb;
  }
}

INSTANTIATE_TEST_SUITE_P(VlmGen, EveryFormat, ::testing::ValuesIn(allKeys()), formatName);

// The big-endian writer must swap every value: the same seed gives the same scene.
TEST(VlmGen, BigEndianPlyHoldsTheLittleEndianGeometry) {
  TempFolder le, be;
  const Generated little = generate(le.path(), "ply_le", 0.1);
  const Generated big = generate(be.path(), "ply_be", 0.1);
  const Outcome a = run(le.path(), {VLMHOST_PATH, "--geometry", little.file.string()});
  const Outcome b = run(be.path(), {VLMHOST_PATH, "--geometry", big.file.string()});
  ASSERT_EQ(a.status, 0);
  ASSERT_EQ(b.status, 0);
  const auto sceneA = nlohmann::json::parse(a.out), sceneB = nlohmann::json::parse(b.out);
  ASSERT_EQ(sceneA["objects"].size(), 1u);
  EXPECT_EQ(sceneA["objects"][0]["vertices"], sceneB["objects"][0]["vertices"]);
  EXPECT_EQ(sceneA["objects"][0]["triangles"], sceneB["objects"][0]["triangles"]);
}

TEST(VlmGen, UnknownFormatIsAUsageError) {
  TempFolder folder;
  const Outcome o = run(
      folder.path(), {VLMGEN_PATH, "--format", "stl", "--mb", "1", (folder.path() / "x").string()});
  EXPECT_NE(o.status, 0);
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "x"));
}

}  // namespace
