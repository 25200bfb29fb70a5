// 3DS files as a modeller saves a large scene: a few materials, then thousands of named
// triangle meshes of varied size, each with vertices, mapping coordinates, a local
// matrix, faces, face-material groups and smoothing groups. Chunk lengths are patched in
// once each chunk is complete.
#include <array>
#include <cmath>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "OutBuffer.h"
#include "Surface.h"
#include "Writers.h"

namespace vlm::gen {

namespace {

constexpr int kMaxSide = 181;                // 181 x 181 vertices and their faces stay below 65536
constexpr int kBigEvery = 64;                // one mesh in this many is a large one
constexpr uint64_t kBigMeshBytes = 1600000;  // about the largest 181 x 181 mesh
constexpr int kTwoGroupsEvery = 4;

struct Material {
  const char* name;
  std::array<uint8_t, 3> ambient, diffuse;
  std::array<float, 3> specular;
  int16_t shininess, strength, transparency;
};

constexpr std::array<Material, 5> kMaterials{{
    {"Brick", {60, 20, 15}, {178, 80, 60}, {0.9f, 0.9f, 0.9f}, 10, 5, 0},
    {"Glass", {10, 20, 30}, {150, 200, 230}, {1.0f, 1.0f, 1.0f}, 80, 90, 70},
    {"Steel", {40, 40, 45}, {160, 165, 170}, {0.8f, 0.8f, 0.85f}, 60, 40, 0},
    {"Grass", {10, 40, 10}, {60, 150, 50}, {0.1f, 0.2f, 0.1f}, 5, 2, 0},
    {"Slate", {20, 20, 25}, {70, 75, 90}, {0.3f, 0.3f, 0.35f}, 25, 15, 0},
}};

// Writes a chunk header and patches its length when it goes out of scope.
class Chunk {
 public:
  Chunk(OutBuffer& out, uint16_t id)
      : out_(out), start_(out.offset()), exceptions_(std::uncaught_exceptions()) {
    out.reserve(6);
    out.u16le(id);
    out.u32le(0);
  }
  // While a write failure unwinds, the file is dropped anyway: no patch (it could throw).
  ~Chunk() {
    if (std::uncaught_exceptions() == exceptions_) {
      out_.patchU32le(start_ + 2, static_cast<uint32_t>(out_.offset() - start_));
    }
  }
  Chunk(const Chunk&) = delete;
  Chunk& operator=(const Chunk&) = delete;

 private:
  OutBuffer& out_;
  uint64_t start_;
  int exceptions_;
};

void name(OutBuffer& out, const std::string& text) {
  out.reserve(text.size() + 1);
  out.text(text);
  out.put('\0');
}

void percentage(OutBuffer& out, uint16_t id, int16_t percent) {
  Chunk chunk(out, id);
  Chunk value(out, 0x0030);
  out.reserve(2);
  out.u16le(static_cast<uint16_t>(percent));
}

void byteColor(OutBuffer& out, uint16_t id, const std::array<uint8_t, 3>& rgb) {
  Chunk chunk(out, id);
  Chunk value(out, 0x0011);
  out.reserve(3);
  for (const uint8_t c : rgb) out.u8(c);
}

void material(OutBuffer& out, const Material& m) {
  Chunk chunk(out, 0xAFFF);
  {
    Chunk title(out, 0xA000);
    name(out, m.name);
  }
  byteColor(out, 0xA010, m.ambient);
  byteColor(out, 0xA020, m.diffuse);
  {
    Chunk specular(out, 0xA030);
    Chunk value(out, 0x0010);
    out.reserve(12);
    for (const float c : m.specular) out.f32le(c);
  }
  percentage(out, 0xA040, m.shininess);
  percentage(out, 0xA041, m.strength);
  percentage(out, 0xA050, m.transparency);
  Chunk shading(out, 0xA100);  // not read by every reader: passed over as unknown
  out.reserve(2);
  out.u16le(3);
}

void vertices(OutBuffer& out, const Patch& p, const PatchGeometry& g) {
  {
    Chunk chunk(out, 0x4110);
    out.reserve(2);
    out.u16le(static_cast<uint16_t>(g.positions.size()));
    for (const Vec3& v : g.positions) {
      out.reserve(12);
      out.f32le(static_cast<float>(v.x));
      out.f32le(static_cast<float>(v.y));
      out.f32le(static_cast<float>(v.z));
    }
  }
  Chunk mapping(out, 0x4140);
  out.reserve(2);
  out.u16le(static_cast<uint16_t>(g.positions.size()));
  for (int i = 0; i < p.nu; ++i) {
    for (int j = 0; j < p.nv; ++j) {
      out.reserve(8);
      out.f32le(static_cast<float>(i) / static_cast<float>(p.nu - 1));
      out.f32le(static_cast<float>(j) / static_cast<float>(p.nv - 1));
    }
  }
}

void matrix(OutBuffer& out, const Patch& p) {
  Chunk chunk(out, 0x4160);
  const auto x = static_cast<float>(p.origin.x), y = static_cast<float>(p.origin.y),
             z = static_cast<float>(p.origin.z);
  const float rows[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, x, y, z};  // axes, then the translation
  out.reserve(sizeof rows);
  for (const float v : rows) out.f32le(v);
}

void materialGroup(OutBuffer& out, const char* material, uint16_t first, uint16_t count) {
  Chunk chunk(out, 0x4130);
  name(out, material);
  out.reserve(2);
  out.u16le(count);
  for (uint16_t f = first; f < first + count; ++f) {
    out.reserve(2);
    out.u16le(f);
  }
}

void faces(OutBuffer& out, const Patch& p, int objectNumber) {
  Chunk chunk(out, 0x4120);
  const auto triangles = static_cast<uint16_t>(2 * p.cellCount());
  out.reserve(2);
  out.u16le(triangles);
  for (int64_t k = 0; k < p.cellCount(); ++k) {
    const Cell c = cellCorners(p, k);
    out.reserve(16);
    constexpr int32_t kEdgesVisible = 7;
    for (const int32_t v : {c.a, c.b, c.c, kEdgesVisible, c.a, c.c, c.d, kEdgesVisible}) {
      out.u16le(static_cast<uint16_t>(v));
    }
  }
  const Material& main = kMaterials[static_cast<size_t>(objectNumber) % kMaterials.size()];
  if (objectNumber % kTwoGroupsEvery == 0) {
    const auto half = static_cast<uint16_t>(triangles / 2);
    const Material& other = kMaterials[static_cast<size_t>(objectNumber + 1) % kMaterials.size()];
    materialGroup(out, main.name, 0, half);
    materialGroup(out, other.name, half, static_cast<uint16_t>(triangles - half));
  } else {
    materialGroup(out, main.name, 0, triangles);
  }
  Chunk smoothing(out, 0x4150);
  for (uint16_t f = 0; f < triangles; ++f) {
    out.reserve(4);
    out.u32le(1);
  }
}

void object(OutBuffer& out, const Patch& p, int objectNumber) {
  Chunk chunk(out, 0x4000);
  name(out, p.name);
  Chunk mesh(out, 0x4100);
  const PatchGeometry g = buildPatch(p);
  vertices(out, p, g);
  matrix(out, p);
  faces(out, p, objectNumber);
}

}  // namespace

Counts write3ds(const Request& request) {
  const auto target = static_cast<uint64_t>(request.megabytes * 1e6);
  Rng rng(request.seed);
  OutBuffer out(request.path);
  Counts counts;
  {
    Chunk main(out, 0x4D4D);
    {
      Chunk version(out, 0x0002);
      out.reserve(4);
      out.u32le(3);
    }
    Chunk editor(out, 0x3D3D);
    {
      Chunk meshVersion(out, 0x3D3E);
      out.reserve(4);
      out.u32le(3);
    }
    for (const Material& m : kMaterials) material(out, m);
    {
      Chunk scale(out, 0x0100);
      out.reserve(4);
      out.f32le(1.0f);
    }
    do {
      const int number = static_cast<int>(counts.objects) + 1;
      // A large mesh only where it fits what is left, so small files keep their size.
      const bool big = number % kBigEvery == 0 && out.offset() + kBigMeshBytes < target;
      const int nu = big ? rng.range(150, kMaxSide) : rng.range(4, 48);
      const int nv = big ? rng.range(150, kMaxSide) : rng.range(4, 48);
      char title[16];
      std::snprintf(title, sizeof title, "Obj%05d", number);
      const Patch p = makePatch(rng, title, nu, nv);
      object(out, p, number);
      counts.verts += p.vertexCount();
      counts.faces += 2 * p.cellCount();
      ++counts.objects;
    } while (out.offset() < target);
  }
  counts.bytes = out.finish();
  return counts;
}

}  // namespace vlm::gen
