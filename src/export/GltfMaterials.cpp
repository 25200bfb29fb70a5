#include "export/GltfMaterials.h"

#include <algorithm>
#include <cmath>

#include "export/ColorName.h"
#include "geometry/SceneColors.h"

namespace vlm::exporter {

namespace {

// A colour byte in sRGB as a linear fraction.
float linear(uint8_t byte) {
  const double c = byte / 255.0;
  return static_cast<float>(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
}

float fraction(float value, float ifNotANumber) {
  return std::isnan(value) ? ifNotANumber : std::clamp(value, 0.0f, 1.0f);
}

GltfJson material(const std::string& name, int32_t colorNumber, float opacity, float roughness) {
  const geometry::Rgb c = geometry::rgbOf(colorNumber);
  const float alpha = fraction(opacity, 1.0f);
  GltfJson m{{"name", name},
             {"pbrMetallicRoughness",
              {{"baseColorFactor", {linear(c.r), linear(c.g), linear(c.b), alpha}},
               {"metallicFactor", 0.0f},
               {"roughnessFactor", fraction(roughness, 1.0f)}}},
             {"doubleSided", true}};
  if (alpha < 1.0f) m["alphaMode"] = "BLEND";
  return m;
}

}  // namespace

GltfMaterials::GltfMaterials(const refhost::ReferenceScene& scene) : scene_(scene) {
  for (size_t i = 0; i < scene.materialCount(); ++i) numberOf(scene.material(i));
}

size_t GltfMaterials::numberFor(const refhost::CVLMObject& object) {
  const refhost::CVLMMaterial* bound = geometry::colorMaterial(scene_, object);
  if (bound != nullptr) return numberOf(*bound);
  auto [it, added] = byColor_.try_emplace(object.color(), materials_.size());
  if (added) materials_.push_back(material(colorName(object.color()), object.color(), 1.0f, 1.0f));
  return it->second;
}

size_t GltfMaterials::numberOf(const refhost::CVLMMaterial& m) {
  auto [it, added] = byMaterial_.try_emplace(&m, materials_.size());
  if (added)
    materials_.push_back(material(m.name(), m.color(), m.opacity(), 1.0f - m.smoothness()));
  return it->second;
}

}  // namespace vlm::exporter
