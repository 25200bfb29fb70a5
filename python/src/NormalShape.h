// How an object's corner normals can be handed to a modeller cheaply: a modeller sets one
// normal per vertex far faster than one per corner, and needs none for flat faces.
#pragma once

#include <vector>

#include "refhost/Mesh.h"

namespace vlm::python {

struct NormalShape {
  // No corner normals, or every triangle's three are the same and point along its face
  // normal: flat shading draws exactly these.
  bool flat = true;
  // Every corner at a vertex has the same normal: then `vertexNormals` holds three values
  // per vertex (zero for a vertex no triangle uses).
  bool perVertex = false;
  std::vector<float> vertexNormals;
};

NormalShape normalShapeOf(const refhost::Mesh& mesh);

}  // namespace vlm::python
