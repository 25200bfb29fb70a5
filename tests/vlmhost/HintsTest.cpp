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

// One file the importers' rules cut faces of, and how many an import leaves out.
struct LeftOutCase {
  const char* what;
  std::string format;
  std::string bytes;
  int64_t cut = 0;
  int64_t skipped = 0;
};

const std::string kPlyAscii = "ply\nformat ascii 1.0\nelement vertex 2\nproperty float x\n";
const std::string kPlyFace = "element face 3\nproperty list uchar int vertex_indices\nend_header";
const std::string kPlyLe = "ply\nformat binary_little_endian 1.0\n";
const std::string kPlyBe = "ply\nformat binary_big_endian 1.0\n";

TEST(HintsLeftOutFaces, CountsTheFacesTheImportersRulesLeaveOut) {
  using namespace std::string_literals;
  const std::string pentagon = "\x05"s + std::string(20, '\0');  // five 32-bit corners
  const std::string block((1 << 20) - 4, '#');  // the face line below crosses a block
  const LeftOutCase cases[] = {
      {"f and fo corners", "obj", "f 1 2 3 4 5\nfo  1 2 3 4 5 6 \nf 1 2 3 4 \n", 2},
      {"leading blanks; tabs belong to words", "obj",
       "  f 1 2 3 4 5\nf\t1 2 3 4 5\nff 1 2 3 4 5\n# 1 2 3 4 5\nf 1\t2 3 4 5\n", 1},
      {"CR first: a lone LF is part of a line", "obj", "v 0 0 0\rf 1 2 3\nf 4 5\r\n\nf 1 2\r", 1},
      {"LF first: CR ends lines too", "obj", "v 0 0 0\nf 1 2 3\rf 4 5\n", 0},
      {"no line end at all", "obj", "f 1 2 3 4 5 6", 0},
      {"a face line across two blocks", "obj", block + "\nf 1 2 3 4 5\n", 1},
      {"ascii: the corner count, past other elements and blank lines", "ply",
       kPlyAscii + "element note 1\nproperty list uchar int n\nelement face 6\n"
                   "property list uchar int vertex_indices\nend_header\r\n0 0 0\r\n\r\n1 1 1\n"
                   "7 0 1 2 3 4 5 6\n5 0 1 2 3 4\n4 0 1 2 3\n2 0 1\n5,0 0 1 2 3 4\n+6 0 1 2 3 4 5\n"
                   "1 0\n9 0 1 2 3 4 5 6 7 8\n", 0, 3},
      {"ascii: the file ends before its claimed faces", "ply",
       kPlyAscii + "element face 2000000000\nend_header\n0 0 0\n1 1 1\n5 0 1 2 3 4\n", 0, 1},
      {"ascii: a corner count that is no number ends the count", "ply",
       kPlyAscii + kPlyFace + "\n0 0 0\n1 1 1\n5 0 1 2 3 4\nfive\n6 0 1 2 3 4 5\n", 0, 1},
      {"ascii: triangle strips", "ply",
       kPlyAscii + "element tristrips 1\nproperty list int int i\nend_header\n0 0 0\n1 1 1\n"
                   "5 0 1 2 3\n"},
      {"refused: a 64-bit type", "ply",
       kPlyAscii + "element face 1\nproperty list uchar int64 i\nend_header\n0 0 0\n1 1 1\n"
                   "5 0 1 2 3 4\n"},
      {"refused: a vertex count that is no number", "ply",
       "ply\nformat ascii 1.0\nelement vertex x\n" + kPlyFace + "\n5 0 1 2 3 4\n"},
      {"little endian: a claimed vertex count past the end", "ply",
       kPlyLe + "element vertex 2000000000\nproperty float x\n" + kPlyFace + "\n" + pentagon},
      {"little endian: claimed faces past the end, vertices across blocks", "ply",
       kPlyLe + "element vertex 100000\nproperty double x\nproperty float y\n"
                "element face 2000000000\nproperty list uchar int i\nend_header\n" +
           std::string(1200000, '\0') + pentagon + pentagon.substr(0, 20), 0, 1},
      {"big endian: a two-byte count read signed", "ply",
       kPlyBe + "element face 2\nproperty list ushort uchar i\nend_header\n"
                "\xff\xff\x00\x05\x00\x01\x02\x03\x04"s, 0, 1},
      {"a CR LF header: the body read from its LF", "ply",
       kPlyLe + "element face 1\nproperty list uchar uchar i\nend_header\r\n\x03" +
           std::string(10, '\1'), 0, 1},
  };
  for (const LeftOutCase& c : cases) {
    const std::string path = ::testing::TempDir() + "/left-out." + c.format;
    std::ofstream(path, std::ios::binary) << c.bytes;
    const LeftOutFaces got = countLeftOutFaces(path, c.format);
    EXPECT_EQ(got.cut, c.cut) << c.what;
    EXPECT_EQ(got.skipped, c.skipped) << c.what;
    std::remove(path.c_str());
  }
}

}  // namespace
}  // namespace vlm::vlmhost
