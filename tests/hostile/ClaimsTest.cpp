// What a file claims costs no more than its bytes can describe: headers that declare far
// more elements than the file holds, 3DS chunks whose counts reach past their own length,
// 3DS chunk lengths that lie at every level of the chunk tree (shorter than a header,
// negative, past the end: none may move the walk backwards, loop or read without bound),
// and one line of 50 MB without a line end in each format.
#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>
#include <limits>
#include <vector>

#include "HostileImport.h"
#include "import3ds/ChunkBuilder.h"

namespace vlm::hostile {
namespace {

using namespace test3ds;

// A file name as a test's name.
template <class Param>
std::string testNameOf(const ::testing::TestParamInfo<Param>& info) {
  std::string name = info.param.name;
  std::replace(name.begin(), name.end(), '.', '_');
  return name;
}

struct Claim {
  const char* name;  // the file name; its extension is the format
  std::string bytes;
  size_t objects = SIZE_MAX;  // the objects the import must hand over (SIZE_MAX: any)
};

std::string plyWithCounts(std::string_view format, std::string_view vertices,
                          std::string_view faces, std::string_view body) {
  return "ply\nformat " + std::string(format) + " 1.0\nelement vertex " + std::string(vertices) +
         "\nproperty float x\nproperty float y\nproperty float z\nelement face " +
         std::string(faces) + "\nproperty list uchar int vertex_indices\nend_header\n" +
         std::string(body);
}

// Thousands of 8-byte chunks in one mesh, each claiming a full list of 65535 vertices,
// faces or face flags, followed by enough bytes for every claim to be read: the host
// would be handed 65535 elements per chunk, gigabytes from a file under 1 MB.
std::string tinyChunksClaimingFullLists(bool faces) {
  std::string chunks =
      faces ? chunkWithLength(0x4110, 8 + 3 * 12, u16(3) + std::string(36, '\0')) : std::string();
  for (int i = 0; i < 3000; ++i) {
    chunks += faces
                  ? chunkWithLength(0x4120, 8, u16(65535)) + chunkWithLength(0x4111, 8, u16(65535))
                  : chunkWithLength(0x4110, 8, u16(65535));
  }
  const std::string tail = faces ? std::string(600000, '\0') : std::string(800000, '\x01');
  return file3ds(editor(namedObject("Many", triMesh(chunks + tail))));
}

std::vector<Claim> claims() {
  const std::string mesh65535 =
      file3ds(editor(namedObject("C", triMesh(chunkWithLength(0x4110, 8, u16(65535)) +
                                              chunkWithLength(0x4120, 8, u16(65535))))));
  return {
      {"ascii_vertices.ply", plyWithCounts("ascii", "2147483647", "0", "1 2 3\n")},
      {"ascii_faces.ply",
       plyWithCounts("ascii", "3", "2147483647", "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n")},
      {"binary_vertices.ply", plyWithCounts("binary_little_endian", "2147483647", "0", f32(1))},
      {"binary_faces.ply", plyWithCounts("binary_big_endian", "0", "2147483647", u8(255))},
      {"list_length.ply", plyWithCounts("binary_little_endian", "0", "1", u8(255) + i32(1))},
      {"negative_counts.ply", plyWithCounts("ascii", "-5", "-2147483648", "")},
      {"counts_65535.3ds", mesh65535},
      {"tiny_vertex_chunks.3ds", tinyChunksClaimingFullLists(false), 1},
      {"tiny_face_and_flag_chunks.3ds", tinyChunksClaimingFullLists(true)},
  };
}

class DeclaredCount : public HostileImport, public ::testing::WithParamInterface<Claim> {};

TEST_P(DeclaredCount, CostsNoMoreThanTheFileHolds) {
  const size_t before = peakMemory();
  const Outcome outcome = importBytes(GetParam().name, GetParam().bytes);
  expectContained(outcome, GetParam().bytes.size());
  EXPECT_LT(peakMemory() - before, size_t{256} << 20);
  if (GetParam().objects != SIZE_MAX) {
    EXPECT_EQ(outcome.objects, GetParam().objects);
  }
}

INSTANTIATE_TEST_SUITE_P(Files, DeclaredCount, ::testing::ValuesIn(claims()), [](const auto& info) {
  std::string name = info.param.name;
  std::replace(name.begin(), name.end(), '.', '_');
  return name;
});

// A list that a sound but cut-short file runs past its end is still handed over whole,
// the missing bytes read as zero: the cap leaves sound files as they were.
TEST_F(HostileImport, CutShortVertexListStillReachesTheHostWhole) {
  std::string vertices = u16(1000);
  for (int i = 0; i < 10; ++i) vertices += f32(1) + f32(2) + f32(3);
  const std::string bytes = file3ds(editor(namedObject("Cut", triMesh(chunk(0x4110, vertices)))));
  const std::string cut = bytes.substr(0, bytes.size() - 100);
  const Outcome outcome = importBytes("cut.3ds", cut);
  ASSERT_EQ(outcome.objects, 1u);
  EXPECT_NE(outcome.json.find("\"vertexCount\":1000"), std::string::npos) << outcome.json;
}

// --- Chunk lengths that lie ---

// A file whose chunk of one kind carries `length`; the rest is sound.
struct Level {
  const char* name;
  std::function<std::string(int32_t length)> file;
};

std::string inMesh(std::string_view body) {
  return file3ds(editor(namedObject(
      "M", triMesh(vertexList({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}) + std::string(body)))));
}

const std::array<Level, 14> kLevels = {{
    {"Main", [](int32_t n) { return chunkWithLength(0x4D4D, n, chunk(0x0002, i32(3))); }},
    {"Version", [](int32_t n) { return chunk(0x4D4D, chunkWithLength(0x0002, n, i32(3))); }},
    {"Editor", [](int32_t n) { return file3ds(chunkWithLength(0x3D3D, n, triangleObject("E"))); }},
    {"NamedObject",
     [](int32_t n) { return file3ds(editor(chunkWithLength(0x4000, n, cstr("N")))); }},
    {"TriMesh",
     [](int32_t n) {
       return file3ds(
           editor(namedObject("T", chunkWithLength(0x4100, n, vertexList({{1, 2, 3}})))));
     }},
    {"Vertices", [](int32_t n) { return inMesh(chunkWithLength(0x4110, n, u16(2))); }},
    {"FaceFlags", [](int32_t n) { return inMesh(chunkWithLength(0x4111, n, u16(7))); }},
    {"Faces",
     [](int32_t n) {
       return inMesh(chunkWithLength(0x4120, n, u16(1) + u16(0) + u16(1) + u16(2) + u16(0)));
     }},
    {"FaceMaterial",
     [](int32_t n) {
       return inMesh(faceList({{0, 1, 2}}, chunkWithLength(0x4130, n, cstr("Red") + u16(1))));
     }},
    {"Matrix", [](int32_t n) { return inMesh(chunkWithLength(0x4160, n, f32(1))); }},
    {"Hidden", [](int32_t n) { return inMesh(chunkWithLength(0x4010, n, u8(1))); }},
    {"Material",
     [](int32_t n) { return file3ds(editor(chunkWithLength(0xAFFF, n, materialName("Red")))); }},
    {"MaterialName",
     [](int32_t n) { return file3ds(editor(material(chunkWithLength(0xA000, n, cstr("Red"))))); }},
    {"Colour",
     [](int32_t n) {
       return file3ds(editor(
           material(materialName("C") + chunk(0xA020, chunkWithLength(0x0011, n, u8(1) + u8(2))))));
     }},
}};

// 0 to 5, below a header; negative as 32-bit numbers; well past the end of any file; and
// the lengths just around the true one (one byte short of the data, exactly it, one past).
std::vector<int32_t> lyingLengths() {
  std::vector<int32_t> lengths = {0,
                                  1,
                                  2,
                                  3,
                                  4,
                                  5,
                                  -1,
                                  -6,
                                  std::numeric_limits<int32_t>::min(),
                                  std::numeric_limits<int32_t>::max(),
                                  1 << 20};
  for (int32_t length = 6; length < 40; ++length) lengths.push_back(length);
  return lengths;
}

class LyingChunkLength : public HostileImport, public ::testing::WithParamInterface<Level> {};

TEST_P(LyingChunkLength, EveryLengthEndsContained) {
  for (int32_t length : lyingLengths()) {
    SCOPED_TRACE("Length " + std::to_string(length));
    const std::string bytes = GetParam().file(length);
    expectContained(importBytes("chunk.3ds", bytes), bytes.size());
    if (HasFailure()) return;
  }
}

INSTANTIATE_TEST_SUITE_P(Levels, LyingChunkLength, ::testing::ValuesIn(kLevels),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Fifty-megabyte lines ---

constexpr size_t kLineBytes = size_t{50} << 20;

struct LongLine {
  const char* name;    // the file name; its extension is the format
  std::string before;  // what comes before the long line
  char filler;         // the byte the line is made of
};

const LongLine kLines[] = {
    {"letters.obj", "", 'x'},
    {"vertex.obj", "v ", '7'},
    {"face.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf ", '1'},
    {"code.dxf", "", '9'},
    {"value.dxf", "  0\nSECTION\n  2\nENTITIES\n  0\n3DFACE\n 10\n", '5'},
    {"token.inc", "", 'q'},
    {"vector.inc", "#declare M = mesh { triangle { <", '3'},
    {"header.ply", "ply\n", 'c'},
    {"body.ply",
     "ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nproperty float y\n"
     "property float z\nend_header\n",
     '4'},
    // An object name without its zero byte, in a chunk claiming the largest length.
    {"name.3ds", test3ds::file3ds(test3ds::editor(test3ds::chunkWithLength(0x4000, 0x7FFFFFFF))),
     'n'},
};

class FiftyMegabyteLine : public HostileImport, public ::testing::WithParamInterface<LongLine> {};

TEST_P(FiftyMegabyteLine, EndsContainedWithBoundedMemory) {
  std::string bytes = GetParam().before;
  bytes.append(kLineBytes, GetParam().filler);
  const std::string path = dir.write(GetParam().name, bytes);
  const std::string extension = std::filesystem::path(path).extension().string().substr(1);
  bytes = {};
  const size_t before = peakMemory();
  const Outcome outcome = importPath(path, extension);
  expectContained(outcome, kLineBytes);
  EXPECT_LT(peakMemory() - before, 6 * kLineBytes);
}

INSTANTIATE_TEST_SUITE_P(Formats, FiftyMegabyteLine, ::testing::ValuesIn(kLines),
                         testNameOf<LongLine>);

}  // namespace
}  // namespace vlm::hostile
