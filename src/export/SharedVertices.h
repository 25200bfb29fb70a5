// One object's triangles over vertices that carry one normal each, as a glTF primitive
// needs them: corners at the same position (whatever vertex the import gave them) share
// a vertex unless their normals differ. A smooth surface stays shared, a crease or a flat
// face's edge splits, and an importer that gave every corner a vertex of its own (DXF,
// POV-Ray) is joined up again.
#pragma once

#include <cstdint>
#include <vector>

#include "export/BitsIndex.h"
#include "refhost/Mesh.h"

namespace vlm::exporter {

class SharedVertices {
 public:
  // The normal of a corner without one (a triangle without area): any unit vector serves
  // a triangle nothing can be seen of, and the host's up is as good as any.
  static constexpr Vec3f kNoNormal{0, 1, 0};

  explicit SharedVertices(const refhost::Mesh& mesh);

  size_t vertexCount() const noexcept { return vertices_.keys().size(); }
  // Stored position x y z then unit normal x y z, as bits.
  const BitsIndex<6>::Key& vertex(size_t i) const noexcept { return vertices_.keys()[i]; }
  // Three per triangle, in the mesh's triangle order.
  const std::vector<uint32_t>& indices() const noexcept { return indices_; }

 private:
  BitsIndex<6> vertices_;
  std::vector<uint32_t> indices_;
};

}  // namespace vlm::exporter
