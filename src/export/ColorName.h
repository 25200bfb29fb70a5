// The name of a plain material made for an object's DefaultColor, shared by the exports.
#pragma once

#include <cstdint>
#include <string>

#include "geometry/SceneColors.h"

namespace vlm::exporter {

// "color_RRGGBB", the colour's bytes in hexadecimal.
inline std::string colorName(int32_t colorNumber) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const geometry::Rgb c = geometry::rgbOf(colorNumber);
  std::string name = "color_";
  for (uint8_t byte : {c.r, c.g, c.b}) {
    name += kHex[byte >> 4];
    name += kHex[byte & 15];
  }
  return name;
}

}  // namespace vlm::exporter
