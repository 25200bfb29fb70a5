#include "Surface.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vlm::gen {

namespace {

constexpr uint64_t kGolden = 0x9E3779B97F4A7C15ULL;
constexpr double kWorldHalfWidth = 400;
constexpr double kWorldHalfHeight = 60;

uint64_t mix(uint64_t z) {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

// A hash as a number in [-1, 1).
double signedUnit(uint64_t hash) { return static_cast<double>(hash >> 11) * 0x1.0p-52 - 1.0; }

}  // namespace

uint64_t Rng::next() { return mix(state_ += kGolden); }

double Rng::uniform(double low, double high) {
  return low + (high - low) * static_cast<double>(next() >> 11) * 0x1.0p-53;
}

int Rng::range(int low, int high) {
  return low + static_cast<int>(next() % static_cast<uint64_t>(high - low + 1));
}

uint64_t mixHash(uint64_t seed, uint64_t value) { return mix(seed + kGolden * (value + 1)); }

Patch makePatch(Rng& rng, std::string name, int nu, int nv) {
  Patch p;
  p.name = std::move(name);
  p.nu = std::max(nu, 2);
  p.nv = std::max(nv, 2);
  p.origin = {rng.uniform(-kWorldHalfWidth, kWorldHalfWidth),
              rng.uniform(-kWorldHalfWidth, kWorldHalfWidth),
              rng.uniform(-kWorldHalfHeight, kWorldHalfHeight)};
  p.step = rng.uniform(0.2, 0.6);
  p.amplitude = rng.uniform(1.0, 12.0);
  constexpr double kTwoPi = 2 * std::numbers::pi;
  p.waveX = kTwoPi * rng.range(1, 4) / (p.nu * p.step);
  p.waveY = kTwoPi * rng.range(1, 4) / (p.nv * p.step);
  p.phase = rng.uniform(0, kTwoPi);
  p.seed = rng.next();
  return p;
}

std::vector<Patch> planPatches(uint64_t seed, int64_t totalVertices, int64_t perPatch,
                               int minPatches, const std::string& prefix) {
  const int64_t count = std::max<int64_t>(minPatches, (totalVertices + perPatch / 2) / perPatch);
  const double perEach = std::max(4.0, static_cast<double>(totalVertices) / count);
  Rng rng(seed);
  std::vector<Patch> patches;
  for (int64_t k = 0; k < count; ++k) {
    // Sides differ by up to a fifth so the patches are not all alike.
    const double aspect = rng.uniform(0.8, 1.25);
    const int nu = static_cast<int>(std::lround(std::sqrt(perEach * aspect)));
    const int nv = static_cast<int>(std::lround(perEach / std::max(nu, 2)));
    patches.push_back(makePatch(rng, prefix + std::to_string(k + 1), nu, nv));
  }
  return patches;
}

PatchGeometry buildPatch(const Patch& p) {
  PatchGeometry g;
  g.positions.reserve(static_cast<size_t>(p.vertexCount()));
  g.normals.reserve(static_cast<size_t>(p.vertexCount()));
  const double jitter = 0.2 * p.step;
  for (int i = 0; i < p.nu; ++i) {
    for (int j = 0; j < p.nv; ++j) {
      const uint64_t h = mixHash(p.seed, static_cast<uint64_t>(i) * p.nv + j);
      const double u = i * p.step + jitter * signedUnit(h);
      const double v = j * p.step + jitter * signedUnit(mix(h));
      const double su = std::sin(p.waveX * u + p.phase), cu = std::cos(p.waveX * u + p.phase);
      const double sv = std::sin(p.waveY * v - p.phase), cv = std::cos(p.waveY * v - p.phase);
      g.positions.push_back({p.origin.x + u, p.origin.y + v, p.origin.z + p.amplitude * su * cv});
      // Gradient of the height gives the normal (-dz/du, -dz/dv, 1).
      const double gx = -p.amplitude * p.waveX * cu * cv;
      const double gy = p.amplitude * p.waveY * su * sv;
      const double length = std::sqrt(gx * gx + gy * gy + 1);
      g.normals.push_back({gx / length, gy / length, 1 / length});
    }
  }
  return g;
}

Cell cellCorners(const Patch& p, int64_t cell) {
  const auto i = static_cast<int32_t>(cell / (p.nv - 1));
  const auto j = static_cast<int32_t>(cell % (p.nv - 1));
  const int32_t a = i * p.nv + j;
  return {a, a + p.nv, a + p.nv + 1, a + 1};
}

bool cellIsQuad(const Patch& p, int64_t cell) {
  return mixHash(p.seed ^ 0x51ED270B27A3C4E1ULL, static_cast<uint64_t>(cell)) % 3 == 0;
}

}  // namespace vlm::gen
