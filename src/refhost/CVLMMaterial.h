// The reference host's material, "Velmo.CVLMMaterial".
//
// Dispatch properties: Name, MaterialType, AmbientColor, Color, SpecularColor (colour
// numbers red + 256 * green + 65536 * blue), Smoothness, SpecCoeff, OpacityValue
// (fractions from 0 to 1, kept as given). A new material is a plain light-grey one.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Dispatch.h"

namespace vlm::refhost {

class CVLMMaterial : public DispatchObject {
 public:
  CVLMMaterial();
  // A material is one in the scene, referred to by its objects: no copies.
  CVLMMaterial(const CVLMMaterial&) = delete;
  CVLMMaterial& operator=(const CVLMMaterial&) = delete;

  const std::string& name() const noexcept { return name_; }
  int16_t materialType() const noexcept { return type_; }
  int32_t ambientColor() const noexcept { return ambient_; }
  int32_t color() const noexcept { return color_; }
  int32_t specularColor() const noexcept { return specular_; }
  float smoothness() const noexcept { return smoothness_; }
  double specCoeff() const noexcept { return specCoeff_; }
  float opacity() const noexcept { return opacity_; }

  void setName(std::string name) { name_ = std::move(name); }

 private:
  static const SharedMembers& members();

  std::string name_;
  int16_t type_ = 0;
  int32_t ambient_ = 0x404040;
  int32_t color_ = 0xC0C0C0;
  int32_t specular_ = 0xFFFFFF;
  float smoothness_ = 0.5f;
  double specCoeff_ = 0.5;
  float opacity_ = 1.0f;
};

}  // namespace vlm::refhost
