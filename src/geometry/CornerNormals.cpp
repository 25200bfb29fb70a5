#include "geometry/CornerNormals.h"

namespace vlm::geometry {

namespace {

// `v` at unit length (worked out in double, so large components do not overflow), or
// zero when it is zero or not finite. Adding +0.0f turns -0 into +0.
Vec3f unitFloat(const Vec3d& v) noexcept {
  const Vec3d n = unit(v);
  return {static_cast<float>(n[0]) + 0.0f, static_cast<float>(n[1]) + 0.0f,
          static_cast<float>(n[2]) + 0.0f};
}

}  // namespace

Vec3f faceNormal(const refhost::Mesh& mesh, int32_t triangle) noexcept {
  const float* v = mesh.vertices().data();
  const int32_t* t = mesh.triangles().data() + 3 * static_cast<size_t>(triangle);
  return unitFloat(edgeCross<double>(v + 3 * static_cast<size_t>(t[0]),
                                     v + 3 * static_cast<size_t>(t[1]),
                                     v + 3 * static_cast<size_t>(t[2])));
}

std::array<Vec3f, 3> cornerNormals(const refhost::Mesh& mesh, int32_t triangle) noexcept {
  std::array<Vec3f, 3> out{};
  bool faceDone = false;
  Vec3f face{};
  const bool given = mesh.hasCornerNormals();
  const std::array<float, 9> set = given ? mesh.normalsOf(triangle) : std::array<float, 9>{};
  for (int k = 0; k < 3; ++k) {
    // A unit vector is never zero: zero means the corner has no usable normal.
    if (given) out[k] = unitFloat({set[3 * k], set[3 * k + 1], set[3 * k + 2]});
    if (given && !isZero(out[k])) continue;
    if (!faceDone) face = faceNormal(mesh, triangle);
    faceDone = true;
    out[k] = face;
  }
  return out;
}

}  // namespace vlm::geometry
