// The colour an object shows: what the preview paints and the exports carry.
//
// A material the import brought (one of ListMaterials) wins, as in any modelling
// application; an object bound to nothing, or only to the scene's own "Default"
// material because its MaterialKey matched none, shows its DefaultColor, which is the
// colour its importer chose for it.
#pragma once

#include <cstdint>

#include "refhost/ReferenceScene.h"

namespace vlm::geometry {

struct Rgb {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
};

// A colour number, red + 256 * green + 65536 * blue; bits above the 24 are ignored.
constexpr Rgb rgbOf(int32_t colorNumber) noexcept {
  const auto bits = static_cast<uint32_t>(colorNumber);
  return {static_cast<uint8_t>(bits & 0xFF), static_cast<uint8_t>((bits >> 8) & 0xFF),
          static_cast<uint8_t>((bits >> 16) & 0xFF)};
}

// The material that gives `object` its colour, or null when its DefaultColor does.
const refhost::CVLMMaterial* colorMaterial(const refhost::ReferenceScene& scene,
                                           const refhost::CVLMObject& object) noexcept;

// The colour number `object` shows.
int32_t displayColor(const refhost::ReferenceScene& scene,
                     const refhost::CVLMObject& object) noexcept;

}  // namespace vlm::geometry
