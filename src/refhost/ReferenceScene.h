// The reference host as the host program sees it: a scene to hand to the plug-in, the
// classes it creates by ProgID, and the report of what the scene received.
//
// Report (toJson), with exactly these keys:
//   {"objects": [{"key", "name", "parent" (key or null), "color", "visible",
//                 "materialKey", "material" (bound material's name or null),
//                 "position" [x,y,z], "centerOffset" [x,y,z], "vertexCount",
//                 "triangleCount", "invalidPolygons", "normalRecords", "invalidNormals",
//                 "surfaces" [[first,last], ...], "bbox" [[min xyz],[max xyz]] or null,
//                 and with geometry: "vertices", "triangles", "cornerNormals"}],
//    "materials": [{"name", "type", "ambient", "color", "specular", "smoothness",
//                   "specCoeff", "opacity"}]}
// Objects and materials are in list order. Texts are the bytes the plug-in passed, with
// every byte that is not part of valid UTF-8 replaced by U+FFFD, so any dump is valid
// JSON. "cornerNormals" holds nine values per triangle, zero where none were set, and is
// empty for an object without corner normals.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "platform/Variant.h"
#include "refhost/CVLMMaterial.h"
#include "refhost/CVLMObject.h"

namespace vlm::refhost {

class Scene;

// Registers "Velmo.CVLMObject" and "Velmo.CVLMMaterial" with the class registry.
void registerReferenceHostClasses();
// New objects of the two classes, for callers that wrap the factories (a call recorder).
ObjectRef createReferenceObject();
ObjectRef createReferenceMaterial();

class ReferenceScene {
 public:
  ReferenceScene();
  ~ReferenceScene();

  // The scene object the plug-in receives.
  ObjectRef dispatch() const;

  size_t objectCount() const noexcept;
  const CVLMObject& object(size_t index) const;  // in ListObjects order, from 0
  size_t materialCount() const noexcept;
  const CVLMMaterial& material(size_t index) const;
  const CVLMMaterial& defaultMaterial() const noexcept;
  int32_t importBatches() const noexcept;  // how often Prepare_Import was called
  // Scales the objects [first, end) (see CVLMObject::scale).
  void scaleObjects(size_t first, size_t end, float factor);

  // The report as a JSON document (keys in the order above).
  nlohmann::ordered_json toJson(bool geometry) const;
  // The same report written compactly to `out`, the geometry arrays streamed straight
  // from the meshes (a large scene never exists as JSON values); the members of `extra`,
  // an object, follow "materials" as further keys.
  void writeJson(std::ostream& out, bool geometry,
                 const nlohmann::ordered_json& extra = nlohmann::ordered_json::object()) const;

 private:
  std::shared_ptr<Scene> scene_;
};

}  // namespace vlm::refhost
