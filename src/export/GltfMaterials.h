// The materials of a glTF export: every material the imports brought, in list order and
// by its own name, then one plain material per DefaultColor of the objects bound to none
// ("color_RRGGBB", as in the MTL).
//
// Each is a metallic-roughness material, not metallic and seen from both sides (old
// files wind their faces either way):
// - baseColorFactor: the colour, its sRGB bytes made linear as glTF wants them, so a
//   viewer shows the colour the file had; alpha is the material's opacity, and below 1
//   alphaMode is BLEND.
// - roughnessFactor: 1 - Smoothness (the 3DS shininess), so a shininess of 0 is fully
//   rough and 100 % a sharp highlight; the plain colour materials are fully rough, as the
//   preview shows them without highlights.
// Fractions outside 0 to 1 are clamped; one that is not a number counts as opaque and
// fully rough.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "export/GltfJson.h"
#include "refhost/ReferenceScene.h"

namespace vlm::exporter {

class GltfMaterials {
 public:
  explicit GltfMaterials(const refhost::ReferenceScene& scene);

  // The number of the material `object` shows, made when it is a new plain one.
  size_t numberFor(const refhost::CVLMObject& object);

  // The "materials" array, empty when there are none.
  const GltfJson& json() const noexcept { return materials_; }

 private:
  size_t numberOf(const refhost::CVLMMaterial& material);

  const refhost::ReferenceScene& scene_;
  std::unordered_map<const refhost::CVLMMaterial*, size_t> byMaterial_;
  std::unordered_map<int32_t, size_t> byColor_;
  GltfJson materials_ = GltfJson::array();
};

}  // namespace vlm::exporter
