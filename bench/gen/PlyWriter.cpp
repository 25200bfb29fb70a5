// PLY files as scanners and converters write them: one vertex element (float x y z,
// optionally nx ny nz) and one face element (list uchar int), triangles and quads, in
// ascii or binary of either byte order.
#include <string>

#include "OutBuffer.h"
#include "Surface.h"
#include "Writers.h"

namespace vlm::gen {

namespace {

enum class Body { Ascii, LittleEndian, BigEndian };

constexpr double kBytesPerVertexAscii = 37.6;
constexpr double kBytesPerDigitAscii = 5.33;  // the face lines hold 16/3 numbers per vertex
constexpr double kBytesPerVertexBinary = 34.8;
constexpr double kBytesPerVertexNormals = 12;  // binary; about twice that in ascii
constexpr int64_t kVerticesPerPatch = 60000;

std::string headerText(Body body, const Request& request, const Counts& counts, int64_t polygons) {
  static constexpr const char* kFormatWord[] = {"ascii", "binary_little_endian",
                                                "binary_big_endian"};
  std::string h = "ply\nformat ";
  h += kFormatWord[static_cast<int>(body)];
  h += " 1.0\ncomment vlmgen synthetic surface, seed " + std::to_string(request.seed) + "\n";
  h += "element vertex " + std::to_string(counts.verts) + "\n";
  for (const char* axis : {"x", "y", "z"}) h += std::string("property float ") + axis + "\n";
  if (request.plyNormals) {
    for (const char* axis : {"nx", "ny", "nz"}) h += std::string("property float ") + axis + "\n";
  }
  h += "element face " + std::to_string(polygons) + "\n";
  h += "property list uchar int vertex_indices\nend_header\n";
  return h;
}

void value(OutBuffer& out, Body body, double v) {
  switch (body) {
    case Body::Ascii: out.fixed6(v); break;
    case Body::LittleEndian: out.f32le(static_cast<float>(v)); break;
    case Body::BigEndian: out.f32be(static_cast<float>(v)); break;
  }
}

void vertex(OutBuffer& out, Body body, const Vec3& p, const Vec3* n) {
  out.reserve(OutBuffer::kMaxRecord);
  const double values[] = {p.x, p.y, p.z, n ? n->x : 0, n ? n->y : 0, n ? n->z : 0};
  const int count = n ? 6 : 3;
  for (int k = 0; k < count; ++k) {
    if (body == Body::Ascii && k > 0) out.put(' ');
    value(out, body, values[k]);
  }
  if (body == Body::Ascii) out.put('\n');
}

void polygon(OutBuffer& out, Body body, int64_t base, std::initializer_list<int32_t> corners) {
  out.reserve(OutBuffer::kMaxRecord);
  if (body == Body::Ascii) {
    out.whole(corners.size());
    for (const int32_t c : corners) {
      out.put(' ');
      out.whole(static_cast<uint64_t>(base + c));
    }
    out.put('\n');
    return;
  }
  out.u8(static_cast<uint8_t>(corners.size()));
  for (const int32_t c : corners) {
    const auto index = static_cast<uint32_t>(base + c);
    if (body == Body::LittleEndian) {
      out.u32le(index);
    } else {
      out.u32be(index);
    }
  }
}

Counts writePly(const Request& request, Body body) {
  double perVertex = body == Body::Ascii ? kBytesPerVertexAscii : kBytesPerVertexBinary;
  if (request.plyNormals) perVertex += (body == Body::Ascii ? 2 : 1) * kBytesPerVertexNormals;
  const double perDigit = body == Body::Ascii ? kBytesPerDigitAscii : 0;
  const int64_t vertices = verticesFor(request.megabytes, perVertex, perDigit);
  const auto patches = planPatches(request.seed, vertices, kVerticesPerPatch, 1, "Part_");
  Counts counts;
  int64_t polygons = 0;
  for (const Patch& p : patches) {
    counts.verts += p.vertexCount();
    counts.faces += 2 * p.cellCount();
    for (int64_t k = 0; k < p.cellCount(); ++k) polygons += cellIsQuad(p, k) ? 1 : 2;
  }
  counts.objects = 1;
  OutBuffer out(request.path);
  const std::string h = headerText(body, request, counts, polygons);
  out.bytes(h.data(), h.size());
  for (const Patch& p : patches) {
    const PatchGeometry g = buildPatch(p);
    for (size_t v = 0; v < g.positions.size(); ++v) {
      vertex(out, body, g.positions[v], request.plyNormals ? &g.normals[v] : nullptr);
    }
  }
  int64_t base = 0;
  for (const Patch& p : patches) {
    for (int64_t k = 0; k < p.cellCount(); ++k) {
      const Cell c = cellCorners(p, k);
      if (cellIsQuad(p, k)) {
        polygon(out, body, base, {c.a, c.b, c.c, c.d});
      } else {
        polygon(out, body, base, {c.a, c.b, c.c});
        polygon(out, body, base, {c.a, c.c, c.d});
      }
    }
    base += p.vertexCount();
  }
  counts.bytes = out.finish();
  return counts;
}

}  // namespace

Counts writePlyAscii(const Request& request) { return writePly(request, Body::Ascii); }
Counts writePlyLittleEndian(const Request& request) {
  return writePly(request, Body::LittleEndian);
}
Counts writePlyBigEndian(const Request& request) { return writePly(request, Body::BigEndian); }

}  // namespace vlm::gen
