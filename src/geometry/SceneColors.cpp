#include "geometry/SceneColors.h"

namespace vlm::geometry {

const refhost::CVLMMaterial* colorMaterial(const refhost::ReferenceScene& scene,
                                           const refhost::CVLMObject& object) noexcept {
  const refhost::CVLMMaterial* material = object.material().get();
  if (material == nullptr || material == &scene.defaultMaterial()) return nullptr;
  return material;
}

int32_t displayColor(const refhost::ReferenceScene& scene,
                     const refhost::CVLMObject& object) noexcept {
  const refhost::CVLMMaterial* material = colorMaterial(scene, object);
  return material != nullptr ? material->color() : object.color();
}

}  // namespace vlm::geometry
