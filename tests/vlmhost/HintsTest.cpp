// The hints vlmhost gives after an import that brought less than the file seems to hold.
#include "Hints.h"

#include <gtest/gtest.h>

#include <string>
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

ui::MessageRecord message(std::string text) {
  ui::MessageRecord m;
  m.text = std::move(text);
  return m;
}

ArrivedObject object(int64_t triangles, int64_t invalid = 0) {
  return ArrivedObject{"Obj1", "model", triangles, invalid};
}

std::string joined(const std::vector<std::string>& hints) {
  std::string all;
  for (const std::string& h : hints) all += h + "\n";
  return all;
}

std::string threeDs() {
  std::string bytes("\x4D\x4D\x10\x00\x00\x00\x02\x00\x0A\x00\x00\x00\x03\x00\x00\x00", 16);
  return bytes;
}

struct HintCase {
  const char* what;
  std::string format;
  std::string bytes;
  std::vector<ui::MessageRecord> messages;
  std::vector<ArrivedObject> objects;
  std::string expected;  // a piece of the one hint; empty: no hint at all
};

void PrintTo(const HintCase& c, std::ostream* os) { *os << c.what; }

class Hints : public ::testing::TestWithParam<HintCase> {};

TEST_P(Hints, NameTheCauseOnlyWhenTheImportFellShort) {
  const HintCase& c = GetParam();
  const std::vector<std::string> hints =
      hintsFor(ImportFacts{"model." + c.format, c.format, c.messages, c.objects}, sampleOf(c.bytes));
  if (c.expected.empty()) {
    EXPECT_TRUE(hints.empty()) << joined(hints);
  } else {
    ASSERT_EQ(hints.size(), 1u) << joined(hints);
    EXPECT_NE(hints[0].find(c.expected), std::string::npos) << hints[0];
    EXPECT_EQ(hints[0].find('\n'), std::string::npos);
  }
}

const std::string kDxfLf = "0\nSECTION\n2\nENTITIES\n0\n3DFACE\n0\nENDSEC\n0\nEOF\n";
const std::string kDxfCrLf = "0\r\nSECTION\r\n2\r\nENTITIES\r\n0\r\nEOF\r\n";
const std::string kPovLf = "#declare Gem = mesh {\n triangle { <0,0,0>, <1,0,0>, <0,1,0> }\n}\n";
const std::string kPlyBinCrLf =
    "ply\r\nformat binary_little_endian 1.0\r\nelement vertex 3\r\nproperty float x\r\n"
    "element face 1\r\nproperty list uchar int vertex_indices\r\nend_header\r\n\x01\x02";
const std::string kPlyBinLf =
    "ply\nformat binary_little_endian 1.0\nelement vertex 3\nproperty float x\n"
    "element face 1\nproperty list uchar int vertex_indices\nend_header\n\x01\x02";

INSTANTIATE_TEST_SUITE_P(
    Cases, Hints,
    ::testing::Values(
        HintCase{"dxf with LF line ends and nothing imported", "dxf", kDxfLf, {}, {}, "LF only"},
        HintCase{"dxf with LF line ends, object without geometry", "dxf", kDxfLf, {}, {object(0)},
                 "unix2dos"},
        HintCase{"dxf with CR LF that imported", "dxf", kDxfCrLf, {}, {object(2)}, ""},
        HintCase{"dxf with LF that still brought faces", "dxf", kDxfLf, {}, {object(2)}, ""},
        HintCase{"pov with LF line ends", "inc", kPovLf, {}, {}, "INC importer reads lines"},
        HintCase{"obj with no line end", "obj", "v 0 0 0 v 1 0 0 f 1 2 3", {}, {}, "no line end"},
        HintCase{"obj with LF only is fine", "obj", "v 0 0 0\nf 1 1 1\n", {}, {object(1)}, ""},
        HintCase{"binary ply with CR LF header", "ply", kPlyBinCrLf, {}, {object(1)},
                 "one byte early"},
        HintCase{"binary ply with LF header", "ply", kPlyBinLf, {}, {object(1)}, ""},
        HintCase{"ply magic in capitals", "ply", "PLY\nformat ascii 1.0\nend_header\n",
                 {message("File format error!")}, {}, "\"ply\" exactly"},
        HintCase{"ply header never ends", "ply", "ply\nformat ascii 1.0\nelement vertex 1\n",
                 {message("File format error!")}, {}, "no \"end_header\""},
        HintCase{"ply without format line", "ply", "ply\nelement face 1\nend_header\n",
                 {message("File format not supported!")}, {}, "no \"format\" line"},
        HintCase{"ply with unknown format word", "ply",
                 "ply\nformat binary 1.0\nelement face 1\nend_header\n",
                 {message("File format not supported!")}, {}, "format \"binary\""},
        HintCase{"ply point cloud", "ply", "ply\nformat ascii 1.0\nelement vertex 1\nend_header\n",
                 {message("File format not supported!")}, {}, "no \"face\""},
        HintCase{"ply range grid", "ply", "ply\nformat ascii 1.0\nelement range_grid 4\nend_header\n",
                 {message("Range Grid not supported!")}, {}, "range_grid"},
        HintCase{"3ds bytes read as obj", "obj", threeDs(), {}, {}, "--format 3ds"},
        HintCase{"ply text read as dxf", "dxf", "ply\r\nformat ascii 1.0\r\n", {}, {},
                 "--format ply"},
        HintCase{"obj read as inc", "inc", "# made by hand\r\nv 1 2 3\r\nf 1 1 1\r\n", {}, {},
                 "--format obj"},
        HintCase{"pov read as obj", "obj", "#declare M = mesh {\r\n triangle {<0,0,0>}\r\n}\r\n",
                 {}, {}, "--format inc"},
        HintCase{"unknown text read as obj gives no hint", "obj", "hello\r\n", {}, {}, ""},
        HintCase{"text starting with the 3ds id but no length it can hold", "obj",
                 "MMMMMM some text\r\n", {}, {}, ""},
        HintCase{"dxf with comments before its first section", "obj",
                 "999\r\nmade by a tool\r\n  0\r\nSECTION\r\n", {}, {}, "--format dxf"},
        HintCase{"invalid polygons are counted", "obj", "v 0 0 0\r\nf 1 2 3\r\n", {},
                 {object(0, 3)}, "3 polygons whose corners"}),
    [](const ::testing::TestParamInfo<HintCase>& info) {
      std::string name = info.param.what;
      for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      return name;
    });

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

}  // namespace
}  // namespace vlm::vlmhost
