// Deterministic synthetic geometry for the generator: rectangular patches of a wavy
// surface placed at random in a world a few hundred units wide, with realistic coordinates
// (-123.456789) and shared vertices. Every cell of a patch is kept as a quad or split into
// two triangles, chosen by a hash, so formats with quads get a mix of both.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vlm::gen {

// splitmix64: small, fast and the same on every machine.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  uint64_t next();
  // Uniform in [low, high).
  double uniform(double low, double high);
  // Uniform whole number in [low, high].
  int range(int low, int high);

 private:
  uint64_t state_;
};

// One stateless mix of two values (the same function the Rng steps with).
uint64_t mixHash(uint64_t seed, uint64_t value);

struct Vec3 {
  double x = 0, y = 0, z = 0;
};

struct Patch {
  std::string name;
  int nu = 2, nv = 2;  // vertices along x and along y
  Vec3 origin;
  double step = 0.5;  // grid spacing
  double amplitude = 1, waveX = 1, waveY = 1, phase = 0;
  uint64_t seed = 0;

  int64_t vertexCount() const { return int64_t{nu} * nv; }
  int64_t cellCount() const { return int64_t{nu - 1} * (nv - 1); }
};

// Vertices of a patch in row order: vertex (i, j) is number i * nv + j.
struct PatchGeometry {
  std::vector<Vec3> positions;
  std::vector<Vec3> normals;  // unit normals of the smooth surface
};

// Corners of a cell, counter-clockwise seen from +z, as vertex numbers within the patch.
struct Cell {
  int32_t a, b, c, d;
};

// A patch of nu x nv vertices with random placement, spacing and waves drawn from rng.
Patch makePatch(Rng& rng, std::string name, int nu, int nv);

// Nearly square patches holding about totalVertices together, about perPatch each and at
// least minPatches; names are prefix + 1, 2, ...
std::vector<Patch> planPatches(uint64_t seed, int64_t totalVertices, int64_t perPatch,
                               int minPatches, const std::string& prefix);

PatchGeometry buildPatch(const Patch& patch);

// Cell number k counts row by row: cell (i, j) is i * (nv - 1) + j.
Cell cellCorners(const Patch& patch, int64_t cell);

// One cell in three (by hash) stays a quad; the others are the triangles a-b-c and a-c-d.
bool cellIsQuad(const Patch& patch, int64_t cell);

}  // namespace vlm::gen
