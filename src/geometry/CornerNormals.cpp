#include "export/CornerNormals.h"

#include <cmath>

namespace vlm::exporter {

namespace {

// `x, y, z` scaled to unit length (in double, so large components do not overflow), or
// nothing when the vector is zero or not finite.
bool unit(double x, double y, double z, Vec3& out) noexcept {
  const double length = std::sqrt(x * x + y * y + z * z);
  if (!(length > 0) || !std::isfinite(length)) return false;
  // Adding +0.0f turns -0 into +0.
  out = {static_cast<float>(x / length) + 0.0f, static_cast<float>(y / length) + 0.0f,
         static_cast<float>(z / length) + 0.0f};
  return true;
}

}  // namespace

Vec3 faceNormal(const refhost::Mesh& mesh, int32_t triangle) noexcept {
  const float* v = mesh.vertices().data();
  const int32_t* t = mesh.triangles().data() + 3 * static_cast<size_t>(triangle);
  const float* a = v + 3 * static_cast<size_t>(t[0]);
  const float* b = v + 3 * static_cast<size_t>(t[1]);
  const float* c = v + 3 * static_cast<size_t>(t[2]);
  const double ux = double{b[0]} - a[0], uy = double{b[1]} - a[1], uz = double{b[2]} - a[2];
  const double wx = double{c[0]} - a[0], wy = double{c[1]} - a[1], wz = double{c[2]} - a[2];
  Vec3 n{0, 0, 0};
  if (!unit(uy * wz - uz * wy, uz * wx - ux * wz, ux * wy - uy * wx, n)) return {0, 0, 0};
  return n;
}

std::array<Vec3, 3> cornerNormals(const refhost::Mesh& mesh, int32_t triangle) noexcept {
  std::array<Vec3, 3> out{};
  bool faceDone = false;
  Vec3 face{};
  const bool given = mesh.hasCornerNormals();
  const std::array<float, 9> set = given ? mesh.normalsOf(triangle) : std::array<float, 9>{};
  for (int k = 0; k < 3; ++k) {
    if (given && unit(set[3 * k], set[3 * k + 1], set[3 * k + 2], out[k])) continue;
    if (!faceDone) face = faceNormal(mesh, triangle);
    faceDone = true;
    out[k] = face;
  }
  return out;
}

}  // namespace vlm::exporter
