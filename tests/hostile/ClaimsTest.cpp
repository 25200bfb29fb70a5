// Counts read from a file are claims: headers that declare far more than the file holds,
// and 3DS chunks whose counts reach past their own length, cost neither memory nor
// time beyond what the file's bytes can describe.
#include <algorithm>

#include "HostileImport.h"
#include "import3ds/ChunkBuilder.h"

namespace vlm::hostile {
namespace {

using namespace test3ds;

struct Claim {
  const char* name;  // the file name; its extension is the format
  std::string bytes;
};

std::string plyWithCounts(std::string_view format, std::string_view vertices,
                          std::string_view faces, std::string_view body) {
  return "ply\nformat " + std::string(format) + " 1.0\nelement vertex " + std::string(vertices) +
         "\nproperty float x\nproperty float y\nproperty float z\nelement face " +
         std::string(faces) + "\nproperty list uchar int vertex_indices\nend_header\n" +
         std::string(body);
}

std::vector<Claim> claims() {
  const std::string mesh65535 =
      file3ds(editor(namedObject("C", triMesh(chunkWithLength(0x4110, 8, u16(65535)) +
                                              chunkWithLength(0x4120, 8, u16(65535))))));
  return {
      {"ascii_vertices.ply", plyWithCounts("ascii", "2147483647", "0", "1 2 3\n")},
      {"ascii_faces.ply", plyWithCounts("ascii", "3", "2147483647", "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n")},
      {"binary_vertices.ply", plyWithCounts("binary_little_endian", "2147483647", "0", f32(1))},
      {"binary_faces.ply", plyWithCounts("binary_big_endian", "0", "2147483647", u8(255))},
      {"list_length.ply", plyWithCounts("binary_little_endian", "0", "1", u8(255) + i32(1))},
      {"negative_counts.ply", plyWithCounts("ascii", "-5", "-2147483648", "")},
      {"counts_65535.3ds", mesh65535},
  };
}

class DeclaredCount : public HostileImport, public ::testing::WithParamInterface<Claim> {};

TEST_P(DeclaredCount, CostsNoMoreThanTheFileHolds) {
  const size_t before = peakMemory();
  const Outcome outcome = importBytes(GetParam().name, GetParam().bytes);
  expectContained(outcome, GetParam().bytes.size());
  EXPECT_LT(peakMemory() - before, size_t{256} << 20);
}

INSTANTIATE_TEST_SUITE_P(Files, DeclaredCount, ::testing::ValuesIn(claims()),
                         [](const auto& info) {
                           std::string name = info.param.name;
                           std::replace(name.begin(), name.end(), '.', '_');
                           return name;
                         });

// Thousands of 8-byte vertex chunks in one mesh, each claiming 65535 vertices, followed
// by enough bytes for every claim to be read: the host would be handed 65535 vertices
// per chunk, gigabytes from a file under 1 MB.
TEST_F(HostileImport, TinyVertexChunksClaimingFullListsAreCappedByTheFile) {
  std::string chunks;
  for (int i = 0; i < 3000; ++i) chunks += chunkWithLength(0x4110, 8, u16(65535));
  const std::string tail(800000, '\x01');
  const std::string bytes = file3ds(editor(namedObject("Many", triMesh(chunks + tail))));
  const Outcome outcome = importBytes("many.3ds", bytes);
  expectContained(outcome, bytes.size());
  EXPECT_EQ(outcome.objects, 1u);
}

// The same with face lists and with face-flag lists, each read in full by every chunk.
TEST_F(HostileImport, TinyFaceAndFlagChunksClaimingFullListsAreCappedByTheFile) {
  std::string chunks = chunkWithLength(0x4110, 8 + 3 * 12, u16(3) + std::string(36, '\0'));
  for (int i = 0; i < 3000; ++i) {
    chunks += chunkWithLength(0x4120, 8, u16(65535)) + chunkWithLength(0x4111, 8, u16(65535));
  }
  const std::string tail(600000, '\0');
  const std::string bytes = file3ds(editor(namedObject("Faces", triMesh(chunks + tail))));
  const Outcome outcome = importBytes("faces.3ds", bytes);
  expectContained(outcome, bytes.size());
}

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

}  // namespace
}  // namespace vlm::hostile
