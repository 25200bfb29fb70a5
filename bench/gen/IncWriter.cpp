// POV-Ray include files as mesh converters write them, CR LF: one declared mesh per part,
// one triangle per line, a quarter of them smooth triangles with a normal per corner.
#include <string_view>

#include "OutBuffer.h"
#include "Surface.h"
#include "Writers.h"

namespace vlm::gen {

namespace {

constexpr double kBytesPerVertex = 284;
constexpr int64_t kVerticesPerMesh = 20000;
constexpr std::string_view kEol = "\r\n";

void vector(OutBuffer& out, const Vec3& v) {
  out.put('<');
  out.fixed6(v.x);
  out.put(',');
  out.fixed6(v.y);
  out.put(',');
  out.fixed6(v.z);
  out.put('>');
}

void triangle(OutBuffer& out, const PatchGeometry& g, bool smooth,
              std::initializer_list<int32_t> corners) {
  out.reserve(OutBuffer::kMaxRecord);
  out.text(smooth ? "  smooth_triangle { " : "  triangle { ");
  bool first = true;
  for (const int32_t c : corners) {
    if (!first) out.text(", ");
    first = false;
    vector(out, g.positions[static_cast<size_t>(c)]);
    if (smooth) {
      out.text(", ");
      vector(out, g.normals[static_cast<size_t>(c)]);
    }
  }
  out.text(" }");
  out.text(kEol);
}

void line(OutBuffer& out, std::string_view a, std::string_view b = {}, std::string_view c = {}) {
  out.reserve(OutBuffer::kMaxRecord);
  out.text(a);
  out.text(b);
  out.text(c);
  out.text(kEol);
}

}  // namespace

Counts writeInc(const Request& request) {
  const auto patches = planPatches(request.seed, verticesFor(request.megabytes, kBytesPerVertex),
                                   kVerticesPerMesh, 2, "Part_");
  OutBuffer out(request.path);
  line(out, "// vlmgen synthetic surface");
  Counts counts;
  for (const Patch& p : patches) {
    line(out, "#declare ", p.name, " = mesh {");
    const PatchGeometry g = buildPatch(p);
    for (int64_t k = 0; k < p.cellCount(); ++k) {
      const Cell c = cellCorners(p, k);
      const uint64_t pick = mixHash(p.seed, static_cast<uint64_t>(k));
      triangle(out, g, pick % 4 == 0, {c.a, c.b, c.c});
      triangle(out, g, (pick >> 8) % 4 == 0, {c.a, c.c, c.d});
    }
    line(out, "}");
    counts.faces += 2 * p.cellCount();
  }
  counts.verts = 3 * counts.faces;  // every triangle brings its own three corners
  counts.objects = static_cast<int64_t>(patches.size());
  counts.bytes = out.finish();
  return counts;
}

}  // namespace vlm::gen
