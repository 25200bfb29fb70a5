#include "NormalShape.h"

#include <array>
#include <cmath>
#include <cstdint>

namespace vlm::python {

namespace {

using Vec = std::array<float, 3>;

Vec corner(const std::array<float, 9>& normals, size_t k) {
  return {normals[3 * k], normals[3 * k + 1], normals[3 * k + 2]};
}

// The three corners share one normal, and it lies within about half a degree of the
// face's own (a degenerate face, whose own is undefined, takes any).
bool isFlat(const std::array<float, 9>& n, const float* a, const float* b, const float* c) {
  const Vec n0 = corner(n, 0);
  if (n0 != corner(n, 1) || n0 != corner(n, 2)) return false;
  const Vec u{b[0] - a[0], b[1] - a[1], b[2] - a[2]};
  const Vec v{c[0] - a[0], c[1] - a[1], c[2] - a[2]};
  const Vec f{u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
  const double fl = std::sqrt(double(f[0]) * f[0] + double(f[1]) * f[1] + double(f[2]) * f[2]);
  const double nl =
      std::sqrt(double(n0[0]) * n0[0] + double(n0[1]) * n0[1] + double(n0[2]) * n0[2]);
  if (!(fl > 0)) return true;
  if (!(nl > 0)) return false;
  const double cosine =
      (double(f[0]) * n0[0] + double(f[1]) * n0[1] + double(f[2]) * n0[2]) / (fl * nl);
  return cosine > 0.99996;
}

}  // namespace

NormalShape normalShapeOf(const refhost::Mesh& mesh) {
  NormalShape shape;
  if (!mesh.hasCornerNormals()) return shape;
  const int32_t triangles = mesh.triangleCount();
  const size_t vertices = static_cast<size_t>(mesh.vertexCount());
  const int32_t* corners = mesh.triangles().data();
  const float* xyz = mesh.vertices().data();
  shape.perVertex = true;
  shape.vertexNormals.assign(3 * vertices, 0.0f);
  std::vector<bool> seen(vertices, false);
  for (int32_t t = 0; t < triangles && (shape.flat || shape.perVertex); ++t) {
    const std::array<float, 9> n = mesh.normalsOf(t);
    const int32_t* tri = corners + 3 * static_cast<size_t>(t);
    if (shape.flat) {
      shape.flat =
          isFlat(n, xyz + 3 * static_cast<size_t>(tri[0]), xyz + 3 * static_cast<size_t>(tri[1]),
                 xyz + 3 * static_cast<size_t>(tri[2]));
    }
    for (size_t k = 0; k < 3 && shape.perVertex; ++k) {
      const auto v = static_cast<size_t>(tri[k]);
      float* out = shape.vertexNormals.data() + 3 * v;
      if (!seen[v]) {
        seen[v] = true;
        out[0] = n[3 * k];
        out[1] = n[3 * k + 1];
        out[2] = n[3 * k + 2];
      } else if (out[0] != n[3 * k] || out[1] != n[3 * k + 1] || out[2] != n[3 * k + 2]) {
        shape.perVertex = false;
      }
    }
  }
  if (!shape.perVertex) std::vector<float>().swap(shape.vertexNormals);
  return shape;
}

}  // namespace vlm::python
