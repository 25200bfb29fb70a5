// The hints vlmhost gives after an import that brought less than the file seems to hold.
#include "Hints.h"
#include "LeftOutFaces.h"

#include <gtest/gtest.h>

#include <fstream>
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
    const ImportFacts facts{"model." + format, format, {}, {object(2)}, {}};
    EXPECT_EQ(hintsFor(facts, sampleOf(bytes)), std::vector<std::string>{}) << bytes;
  }
  const ImportFacts empty{"model.dxf", "dxf", {}, {object(0)}, {}};
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

// Faces the importers' rules leave out where a line or a list crosses a block of the
// file's reading; the rules themselves, each from a small file, are rows of runs.tsv.
TEST(HintsLeftOutFaces, CountsFacesAcrossTheFilesBlocks) {
  using namespace std::string_literals;
  const std::string pentagon = "\x05"s + std::string(20, '\0');  // five 32-bit corners
  const struct { std::string format, bytes; int64_t cut, skipped; } cases[] = {
      {"obj", std::string((1 << 20) - 4, '#') + "\nf 1 2 3 4 5\n", 1, 0},
      {"ply", "ply\nformat binary_little_endian 1.0\nelement vertex 100000\nproperty double x\n"
              "property float y\nelement face 2000000000\nproperty list uchar int i\n"
              "end_header\n" + std::string(1200000, '\0') + pentagon + pentagon.substr(0, 20),
       0, 1}};
  for (const auto& c : cases) {
    const std::string path = ::testing::TempDir() + "/left-out." + c.format;
    std::ofstream(path, std::ios::binary) << c.bytes;
    const LeftOutFaces got = countLeftOutFaces(path, c.format);
    EXPECT_EQ(std::pair(got.cut, got.skipped), std::pair(c.cut, c.skipped)) << c.format;
    std::remove(path.c_str());
  }
}

}  // namespace
}  // namespace vlm::vlmhost
