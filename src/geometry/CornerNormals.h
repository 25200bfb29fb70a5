// The unit normal at each corner of a triangle, as the preview shades it and the exports
// write it: the corner normal the import set, else (none set, zero, or not finite) the
// triangle's own face normal, else zero for a triangle without area.
#pragma once

#include <array>
#include <cstdint>

#include "refhost/Mesh.h"
#include "refhost/Vec3.h"

namespace vlm::geometry {

// The unit face normal of triangle `triangle`'s corners taken in order, or zero.
Vec3f faceNormal(const refhost::Mesh& mesh, int32_t triangle) noexcept;

// The three corner normals of `triangle`, each of unit length or zero; -0 is written as
// +0 so equal normals have equal bits.
std::array<Vec3f, 3> cornerNormals(const refhost::Mesh& mesh, int32_t triangle) noexcept;

}  // namespace vlm::geometry
