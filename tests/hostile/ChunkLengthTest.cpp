// 3DS chunks whose Length field lies, at every level of the chunk tree: shorter than a
// header (0 to 5), negative (stored as a 32-bit value of 2^31 or more) and reaching past
// the end of the file. None may move the walk backwards, loop or read without bound.
#include <array>
#include <functional>
#include <limits>

#include "HostileImport.h"
#include "import3ds/ChunkBuilder.h"

namespace vlm::hostile {
namespace {

using namespace test3ds;

// A file whose chunk of one kind carries `length`; the rest is sound.
struct Level {
  const char* name;
  std::function<std::string(int32_t length)> file;
};

std::string inMesh(std::string_view body) {
  return file3ds(editor(namedObject("M", triMesh(vertexList({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}) +
                                                 std::string(body)))));
}

const std::array<Level, 14> kLevels = {{
    {"Main", [](int32_t n) { return chunkWithLength(0x4D4D, n, chunk(0x0002, i32(3))); }},
    {"Version", [](int32_t n) { return chunk(0x4D4D, chunkWithLength(0x0002, n, i32(3))); }},
    {"Editor", [](int32_t n) { return file3ds(chunkWithLength(0x3D3D, n, triangleObject("E"))); }},
    {"NamedObject",
     [](int32_t n) { return file3ds(editor(chunkWithLength(0x4000, n, cstr("N")))); }},
    {"TriMesh",
     [](int32_t n) {
       return file3ds(editor(namedObject("T", chunkWithLength(0x4100, n, vertexList({{1, 2, 3}})))));
     }},
    {"Vertices", [](int32_t n) { return inMesh(chunkWithLength(0x4110, n, u16(2))); }},
    {"FaceFlags", [](int32_t n) { return inMesh(chunkWithLength(0x4111, n, u16(7))); }},
    {"Faces", [](int32_t n) { return inMesh(chunkWithLength(0x4120, n, u16(1) + u16(0) + u16(1) + u16(2) + u16(0))); }},
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
       return file3ds(editor(material(materialName("C") +
                                      chunk(0xA020, chunkWithLength(0x0011, n, u8(1) + u8(2))))));
     }},
}};

// 0 to 5, below a header; negative as 32-bit numbers; well past the end of any file.
constexpr std::array<int32_t, 11> kLengths = {0, 1, 2, 3, 4, 5, -1, -6,
                                              std::numeric_limits<int32_t>::min(),
                                              std::numeric_limits<int32_t>::max(), 1 << 20};

class LyingChunkLength : public HostileImport, public ::testing::WithParamInterface<Level> {};

TEST_P(LyingChunkLength, EveryLengthEndsContained) {
  for (int32_t length : kLengths) {
    SCOPED_TRACE("Length " + std::to_string(length));
    const std::string bytes = GetParam().file(length);
    expectContained(importBytes("chunk.3ds", bytes), bytes.size());
    if (HasFailure()) return;
  }
}

// The lengths just around the true one: one byte short of the data, exactly it, one past.
TEST_P(LyingChunkLength, LengthsNearTheDataEndContained) {
  for (int32_t length = 6; length < 40; ++length) {
    SCOPED_TRACE("Length " + std::to_string(length));
    const std::string bytes = GetParam().file(length);
    expectContained(importBytes("chunk.3ds", bytes), bytes.size());
    if (HasFailure()) return;
  }
}

INSTANTIATE_TEST_SUITE_P(Levels, LyingChunkLength, ::testing::ValuesIn(kLevels),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vlm::hostile
