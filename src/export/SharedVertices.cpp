#include "export/SharedVertices.h"

#include <algorithm>
#include <bit>

#include "geometry/CornerNormals.h"

namespace vlm::exporter {

SharedVertices::SharedVertices(const refhost::Mesh& mesh) {
  const float* xyz = mesh.vertices().data();
  // Per mesh vertex: the shared vertex its first corner got. Corners that use a mesh
  // vertex again with the same normal take it without a look-up by position.
  std::vector<int32_t> firstShared(static_cast<size_t>(mesh.vertexCount()), -1);
  indices_.resize(mesh.triangles().size());
  // Usually about as many as the mesh has: fewer where corners had vertices of their
  // own, more where creases split them.
  vertices_.reserve(firstShared.size());
  for (int32_t t = 0; t < mesh.triangleCount(); ++t) {
    const std::array<Vec3f, 3> normals = geometry::cornerNormals(mesh, t);
    for (size_t k = 0; k < 3; ++k) {
      const size_t corner = 3 * static_cast<size_t>(t) + k;
      const auto v = static_cast<size_t>(mesh.triangles()[corner]);
      const auto n = normalKey(isZero(normals[k]) ? kNoNormal : normals[k]);
      int32_t& first = firstShared[v];
      if (first >= 0 &&
          std::equal(n.begin(), n.end(), vertex(static_cast<size_t>(first)).begin() + 3)) {
        indices_[corner] = static_cast<uint32_t>(first);
        continue;
      }
      // Adding +0 makes -0 the same position as +0.
      const int32_t shared =
          vertices_.numberOf({std::bit_cast<uint32_t>(xyz[3 * v] + 0.0f),
                              std::bit_cast<uint32_t>(xyz[3 * v + 1] + 0.0f),
                              std::bit_cast<uint32_t>(xyz[3 * v + 2] + 0.0f), n[0], n[1], n[2]});
      if (first < 0) first = shared;
      indices_[corner] = static_cast<uint32_t>(shared);
    }
  }
}

}  // namespace vlm::exporter
