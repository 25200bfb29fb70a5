// OBJ files in two shapes: what a modeller's exporter writes (CR LF, "# Object" comment
// and "g" per part, v / vn / f a//n) and the bare form (LF, v and f only, one object).
#include <string_view>

#include "OutBuffer.h"
#include "Surface.h"
#include "Writers.h"

namespace vlm::gen {

namespace {

// Bytes per vertex and per digit of the vertex numbers, fitted to generated files, so
// --mb comes out about right.
constexpr double kBytesPerVertexNormals = 78;
constexpr double kBytesPerDigitNormals = 10.67;
constexpr double kBytesPerVertexPlain = 34.7;
constexpr double kBytesPerDigitPlain = 5.33;
constexpr int64_t kVerticesPerObject = 40000;

void vector3(OutBuffer& out, std::string_view keyword, const Vec3& v, std::string_view eol) {
  out.reserve(OutBuffer::kMaxRecord);
  out.text(keyword);
  out.fixed6(v.x);
  out.put(' ');
  out.fixed6(v.y);
  out.put(' ');
  out.fixed6(v.z);
  out.text(eol);
}

// One corner: "i" or, with normals, "i//i" (a vertex's normal has its number).
void corner(OutBuffer& out, int64_t index, bool normals) {
  out.put(' ');
  out.whole(static_cast<uint64_t>(index));
  if (normals) {
    out.text("//");
    out.whole(static_cast<uint64_t>(index));
  }
}

void face(OutBuffer& out, int64_t base, std::initializer_list<int32_t> corners, bool normals,
          std::string_view eol) {
  out.reserve(OutBuffer::kMaxRecord);
  out.put('f');
  for (const int32_t c : corners) corner(out, base + c, normals);
  out.text(eol);
}

// The faces of a patch whose first vertex has the file-wide number base + 1.
void faces(OutBuffer& out, const Patch& patch, int64_t base, bool normals, std::string_view eol) {
  for (int64_t k = 0; k < patch.cellCount(); ++k) {
    const Cell c = cellCorners(patch, k);
    if (cellIsQuad(patch, k)) {
      face(out, base + 1, {c.a, c.b, c.c, c.d}, normals, eol);
    } else {
      face(out, base + 1, {c.a, c.b, c.c}, normals, eol);
      face(out, base + 1, {c.a, c.c, c.d}, normals, eol);
    }
  }
}

void header(OutBuffer& out, const Request& request, std::string_view eol) {
  out.reserve(OutBuffer::kMaxRecord);
  out.text("# vlmgen synthetic surface, seed ");
  out.whole(request.seed);
  out.text(eol);
}

Counts countsOf(const std::vector<Patch>& patches, int64_t objects) {
  Counts counts;
  for (const Patch& p : patches) {
    counts.verts += p.vertexCount();
    counts.faces += 2 * p.cellCount();
  }
  counts.objects = objects;
  return counts;
}

}  // namespace

Counts writeObjCrLfNormals(const Request& request) {
  constexpr std::string_view kEol = "\r\n";
  const int64_t vertices =
      verticesFor(request.megabytes, kBytesPerVertexNormals, kBytesPerDigitNormals);
  const auto patches = planPatches(request.seed, vertices, kVerticesPerObject, 2, "Part_");
  OutBuffer out(request.path);
  header(out, request, kEol);
  int64_t base = 0;
  for (const Patch& patch : patches) {
    out.reserve(OutBuffer::kMaxRecord);
    out.text("# Object ");
    out.text(patch.name);
    out.text(kEol);
    out.text("g ");
    out.text(patch.name);
    out.text(kEol);
    const PatchGeometry g = buildPatch(patch);
    for (const Vec3& v : g.positions) vector3(out, "v ", v, kEol);
    for (const Vec3& n : g.normals) vector3(out, "vn ", n, kEol);
    faces(out, patch, base, true, kEol);
    base += patch.vertexCount();
  }
  Counts counts = countsOf(patches, static_cast<int64_t>(patches.size()));
  counts.bytes = out.finish();
  return counts;
}

Counts writeObjLfPlain(const Request& request) {
  constexpr std::string_view kEol = "\n";
  const int64_t vertices =
      verticesFor(request.megabytes, kBytesPerVertexPlain, kBytesPerDigitPlain);
  const auto patches = planPatches(request.seed, vertices, kVerticesPerObject, 1, "Part_");
  OutBuffer out(request.path);
  header(out, request, kEol);
  for (const Patch& patch : patches) {
    for (const Vec3& v : buildPatch(patch).positions) vector3(out, "v ", v, kEol);
  }
  int64_t base = 0;
  for (const Patch& patch : patches) {
    faces(out, patch, base, false, kEol);
    base += patch.vertexCount();
  }
  Counts counts = countsOf(patches, 1);
  counts.bytes = out.finish();
  return counts;
}

}  // namespace vlm::gen
