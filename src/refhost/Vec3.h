// Vectors of three coordinates and the vector maths the reference host's smoothing, the
// corner normals of a finished scene and the preview's camera share. Each function keeps
// the precision of its arguments, so callers choose float or double.
#pragma once

#include <array>
#include <cmath>

namespace vlm {

using Vec3f = std::array<float, 3>;
using Vec3d = std::array<double, 3>;

template <class T>
constexpr T dot(const std::array<T, 3>& a, const std::array<T, 3>& b) noexcept {
  return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

template <class T>
constexpr std::array<T, 3> cross(const std::array<T, 3>& a, const std::array<T, 3>& b) noexcept {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

template <class T>
constexpr bool isZero(const std::array<T, 3>& v) noexcept {
  return v[0] == 0 && v[1] == 0 && v[2] == 0;
}

// `v` scaled to unit length, or zero when its length is zero or not finite.
template <class T>
std::array<T, 3> unit(const std::array<T, 3>& v) noexcept {
  const T length = std::sqrt(dot(v, v));
  if (!(length > 0) || !std::isfinite(length)) return {0, 0, 0};
  return {v[0] / length, v[1] / length, v[2] / length};
}

// The cross product of the edges a->b and a->c of the triangle with corners `a`, `b`, `c`
// (three coordinates each), worked out in T: the face normal's direction, with twice the
// triangle's area for its length.
template <class T>
std::array<T, 3> edgeCross(const float* a, const float* b, const float* c) noexcept {
  const std::array<T, 3> ab{T{b[0]} - T{a[0]}, T{b[1]} - T{a[1]}, T{b[2]} - T{a[2]}};
  const std::array<T, 3> ac{T{c[0]} - T{a[0]}, T{c[1]} - T{a[1]}, T{c[2]} - T{a[2]}};
  return cross(ab, ac);
}

}  // namespace vlm
