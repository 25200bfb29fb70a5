#include "Generate.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "Writers.h"

namespace vlm::gen {

namespace {

constexpr std::array<FormatInfo, 8> kFormats{{
    {"obj", ".obj", "OBJ, CR LF, v / vn / f a//n, triangles and quads, # Object per patch",
     writeObjCrLfNormals},
    {"obj_lf", ".obj", "OBJ, LF, v and f only, triangles and quads, one object", writeObjLfPlain},
    {"ply_ascii", ".ply", "PLY ascii, float x y z, list uchar int faces", writePlyAscii},
    {"ply_le", ".ply", "PLY binary little-endian", writePlyLittleEndian},
    {"ply_be", ".ply", "PLY binary big-endian", writePlyBigEndian},
    {"3ds", ".3ds", "3DS, thousands of named meshes with mapping and materials", write3ds},
    {"dxf", ".dxf", "DXF, CR LF, 3DFACE entities on several layers", writeDxf},
    {"inc", ".inc", "POV-Ray include, CR LF, declared meshes of triangle / smooth_triangle",
     writeInc},
}};

}  // namespace

std::span<const FormatInfo> formats() { return kFormats; }

const FormatInfo* findFormat(std::string_view key) {
  const auto it = std::find_if(kFormats.begin(), kFormats.end(),
                               [key](const FormatInfo& f) { return f.key == key; });
  return it == kFormats.end() ? nullptr : &*it;
}

int64_t verticesFor(double megabytes, double bytesPerVertex, double bytesPerDigit) {
  int64_t vertices = 1000000;
  for (int round = 0; round < 3; ++round) {  // the digits settle after two rounds
    const double digits = std::floor(std::log10(static_cast<double>(vertices))) + 1;
    vertices = std::llround(megabytes * 1e6 / (bytesPerVertex + bytesPerDigit * digits));
    vertices = std::max<int64_t>(16, vertices);
  }
  return vertices;
}

}  // namespace vlm::gen
