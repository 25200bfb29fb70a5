// The hints vlmhost gives after an import that brought less than the file seems to hold.
#include "Hints.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace vlm::vlmhost {
namespace {

FileSample sampleOf(std::string bytes) {
  FileSample s;
  s.size = bytes.size();
  s.hasCR = bytes.find('\r') != std::string::npos;
  s.hasLF = bytes.find('\n') != std::string::npos;
  s.head = std::move(bytes);
  return s;
}

ArrivedObject object(int64_t triangles) { return ArrivedObject{"Obj1", "model", triangles, 0}; }

// What a file looks like is no cause where the import brought what the file holds: the
// causes themselves, each from a small file, are rows of tests/data/vlmhost/runs.tsv.
TEST(Hints, NoneWhereTheImportBroughtTriangles) {
  const std::string dxfLf = "0\nSECTION\n2\nENTITIES\n0\n3DFACE\n0\nENDSEC\n0\nEOF\n";
  const std::string plyBinaryLf =
      "ply\nformat binary_little_endian 1.0\nelement vertex 3\nproperty float x\n"
      "element face 1\nproperty list uchar int vertex_indices\nend_header\n\x01\x02";
  const std::pair<std::string, std::string> cases[] = {
      {"dxf", dxfLf}, {"dxf", "0\r\nSECTION\r\n2\r\nENTITIES\r\n0\r\nEOF\r\n"},
      {"obj", "v 0 0 0\nf 1 1 1\n"}, {"ply", plyBinaryLf}};
  for (const auto& [format, bytes] : cases) {
    const ImportFacts facts{"model." + format, format, {}, {object(2)}};
    EXPECT_EQ(hintsFor(facts, sampleOf(bytes)), std::vector<std::string>{}) << bytes;
  }
  const ImportFacts empty{"model.dxf", "dxf", {}, {object(0)}};
  EXPECT_EQ(hintsFor(empty, sampleOf(dxfLf)).size(), 1u) << "an LF file that brought nothing";
}

TEST(HintsSample, ALineEndPastTheHeadIsFound) {
  // The sample reads the head only, but the line-end flags cover the whole file.
  const std::string path = ::testing::TempDir() + "/hints-sample.obj";
  std::string bytes(200 * 1024, 'x');
  bytes += "\r";
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  const FileSample s = sampleFile(path);
  EXPECT_EQ(s.size, bytes.size());
  EXPECT_EQ(s.head.size(), 64u * 1024u);
  EXPECT_TRUE(s.hasCR);
  EXPECT_FALSE(s.hasLF);
  std::remove(path.c_str());
}

TEST(Hints, CrLfIsNamedForLfOnlyDxfAndPovRay) {
  EXPECT_TRUE(needsCrLf("dxf", sampleOf("0\nSECTION\n")));
  EXPECT_TRUE(needsCrLf("inc", sampleOf("mesh {\n")));
  EXPECT_FALSE(needsCrLf("dxf", sampleOf("0\r\nSECTION\n")));
  EXPECT_FALSE(needsCrLf("dxf", sampleOf("0")));
  EXPECT_FALSE(needsCrLf("obj", sampleOf("v 0 0 0\n")));
}

}  // namespace
}  // namespace vlm::vlmhost
