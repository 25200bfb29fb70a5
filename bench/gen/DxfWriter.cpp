// DXF files of 3DFACE entities, CR LF, as CAD programs export surfaces: a small HEADER
// section, then one layer per part; a quad is one 3DFACE, a triangle a 3DFACE whose
// fourth corner repeats its third.
#include <string_view>

#include "OutBuffer.h"
#include "Surface.h"
#include "Writers.h"

namespace vlm::gen {

namespace {

constexpr double kBytesPerVertex = 345;
constexpr int64_t kVerticesPerLayer = 20000;
constexpr std::string_view kEol = "\r\n";

void group(OutBuffer& out, int code, std::string_view value) {
  out.reserve(OutBuffer::kMaxRecord);
  out.whole(static_cast<uint64_t>(code));
  out.text(kEol);
  out.text(value);
  out.text(kEol);
}

void coordinate(OutBuffer& out, int code, double value) {
  out.whole(static_cast<uint64_t>(code));
  out.text(kEol);
  out.fixed6(value);
  out.text(kEol);
}

void face3d(OutBuffer& out, std::string_view layer, const PatchGeometry& g,
            std::initializer_list<int32_t> corners) {
  group(out, 0, "3DFACE");
  group(out, 8, layer);
  out.reserve(OutBuffer::kMaxRecord);  // twelve coordinates, far below a record
  int k = 0;
  for (const int32_t c : corners) {
    const Vec3& p = g.positions[static_cast<size_t>(c)];
    coordinate(out, 10 + k, p.x);
    coordinate(out, 20 + k, p.y);
    coordinate(out, 30 + k, p.z);
    ++k;
  }
}

}  // namespace

Counts writeDxf(const Request& request) {
  const auto patches = planPatches(request.seed, verticesFor(request.megabytes, kBytesPerVertex),
                                   kVerticesPerLayer, 2, "Layer_");
  OutBuffer out(request.path);
  group(out, 999, "vlmgen synthetic surface");
  for (const auto& [code, value] : {std::pair<int, std::string_view>{0, "SECTION"},
                                    {2, "HEADER"},
                                    {9, "$ACADVER"},
                                    {1, "AC1009"},
                                    {9, "$INSUNITS"},
                                    {70, "4"},
                                    {0, "ENDSEC"},
                                    {0, "SECTION"},
                                    {2, "ENTITIES"}}) {
    group(out, code, value);
  }
  Counts counts;
  for (const Patch& p : patches) {
    const PatchGeometry g = buildPatch(p);
    for (int64_t k = 0; k < p.cellCount(); ++k) {
      const Cell c = cellCorners(p, k);
      if (cellIsQuad(p, k)) {
        face3d(out, p.name, g, {c.a, c.b, c.c, c.d});
      } else {
        face3d(out, p.name, g, {c.a, c.b, c.c, c.c});
        face3d(out, p.name, g, {c.a, c.c, c.d, c.d});
      }
      counts.faces += cellIsQuad(p, k) ? 2 : 4;
    }
  }
  group(out, 0, "ENDSEC");
  group(out, 0, "EOF");
  counts.verts = 2 * counts.faces;  // four corners per 3DFACE, which the host keeps as two
  counts.objects = 1;
  counts.bytes = out.finish();
  return counts;
}

}  // namespace vlm::gen
