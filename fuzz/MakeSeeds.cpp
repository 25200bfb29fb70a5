// Writes the seed files of the fuzz targets that are easier built than kept: small 3DS
// files made with the tests' chunk builder (materials, meshes, damaged lengths and
// counts) and binary PLY files in both byte orders. Usage: fuzz_seeds FOLDER; the files
// go to FOLDER/3ds and FOLDER/ply.
#include <bit>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "import3ds/ChunkBuilder.h"

namespace {

using namespace vlm::test3ds;

void writeSeed(const std::filesystem::path& folder, const std::string& name,
               std::string_view bytes) {
  std::filesystem::create_directories(folder);
  std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void write3dsSeeds(const std::filesystem::path& folder) {
  const std::string red = material(materialName("Red") + byteColor(255, 0, 0, 0xA020) +
                                   intPercent(50));
  const std::string shiny = material(materialName("Shiny") + singleColor(0.5f, 0.5f, 1) +
                                     floatPercent(0.25f));
  writeSeed(folder, "triangle.3ds", file3ds(editor(triangleObject("Tri"))));
  writeSeed(folder, "materials.3ds",
            file3ds(editor(red + shiny +
                           triangleObject("A", faceList({{0, 1, 2}}, faceMaterial("Red", {0}))) +
                           triangleObject("B", matrix({10, 20, 30})))));
  writeSeed(folder, "hidden.3ds",
            file3ds(editor(namedObject("H", triMesh(chunk(0x4010, u8(1)) +
                                                    vertexList({{0, 0, 0}, {1, 1, 1}}) +
                                                    chunk(0x4165, u8(3)))))));
  writeSeed(folder, "short_chunk.3ds",
            file3ds(editor(namedObject("S", triMesh(chunkWithLength(0x4110, 3))))));
  writeSeed(folder, "count_claim.3ds",
            file3ds(editor(namedObject("C", triMesh(chunkWithLength(0x4110, 8, u16(65535)))))));
  writeSeed(folder, "negative_length.3ds",
            file3ds(editor(chunkWithLength(0x4000, -6, cstr("N")))));
}

template <class T>
void put(std::string& out, T value, bool big) {
  char bytes[sizeof value];
  std::memcpy(bytes, &value, sizeof value);
  if (big != (std::endian::native == std::endian::big)) {
    for (size_t i = 0; i < sizeof value / 2; ++i) std::swap(bytes[i], bytes[sizeof value - 1 - i]);
  }
  out.append(bytes, sizeof value);
}

std::string binaryPly(bool big) {
  std::string s = std::string("ply\nformat ") +
                  (big ? "binary_big_endian" : "binary_little_endian") +
                  " 1.0\nelement vertex 4\nproperty float x\nproperty float y\nproperty float z\n"
                  "property double nx\nelement face 2\nproperty list uchar int vertex_indices\n"
                  "element edge 1\nproperty short a\nproperty ushort b\nend_header\n";
  const float coords[4][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  for (const auto& v : coords) {
    for (float c : v) put(s, c, big);
    put(s, 0.5, big);
  }
  put<uint8_t>(s, 3, big);
  for (int32_t i : {0, 1, 2}) put(s, i, big);
  put<uint8_t>(s, 4, big);
  for (int32_t i : {0, 1, 2, 3}) put(s, i, big);
  put<int16_t>(s, 0, big);
  put<uint16_t>(s, 1, big);
  return s;
}

void writePlySeeds(const std::filesystem::path& folder) {
  writeSeed(folder, "binary_le.ply", binaryPly(false));
  writeSeed(folder, "binary_be.ply", binaryPly(true));
  writeSeed(folder, "tristrips.ply",
            "ply\nformat ascii 1.0\nelement vertex 4\nproperty float x\nproperty float y\n"
            "property float z\nelement tristrips 1\nproperty list int int vertex_indices\n"
            "end_header\n0 0 0\n1 0 0\n0 1 0\n1 1 0\n5 0 1 2 -1 3\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds FOLDER\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  write3dsSeeds(folder / "3ds");
  writePlySeeds(folder / "ply");
  return 0;
}
