// modConst3DS: the identifiers of the 3DS chunks the importer acts on.
//
// An identifier is compared by its 16-bit pattern; every identifier not listed here is
// passed over by its length wherever it stands.
#pragma once

#include <cstdint>

namespace vlm::modConst3DS {

// File and main level.
inline constexpr uint16_t kMain3DS = 0x4D4D;
inline constexpr uint16_t kVersion = 0x0002;
inline constexpr uint16_t kEditor = 0x3D3D;
inline constexpr uint16_t kKeyframer = 0xB000;

// Inside the editor chunk.
inline constexpr uint16_t kMaterialDef = 0xAFFF;
inline constexpr uint16_t kMeshVersion = 0x3D3E;
inline constexpr uint16_t kNamedObject = 0x4000;

// Inside a named object, a triangle mesh and its face chunk.
inline constexpr uint16_t kTriMesh = 0x4100;
inline constexpr uint16_t kVertices = 0x4110;
inline constexpr uint16_t kFaceFlags = 0x4111;
inline constexpr uint16_t kFaces = 0x4120;
inline constexpr uint16_t kHidden = 0x4010;
inline constexpr uint16_t kMatrix = 0x4160;
inline constexpr uint16_t kObjectColor = 0x4165;
inline constexpr uint16_t kFaceMaterial = 0x4130;
inline constexpr uint16_t kTriSmooth = 0x4150;

// Inside a material definition.
inline constexpr uint16_t kMaterialName = 0xA000;
inline constexpr uint16_t kMatAmbient = 0xA010;
inline constexpr uint16_t kMatDiffuse = 0xA020;
inline constexpr uint16_t kMatSpecular = 0xA030;
inline constexpr uint16_t kMatShininess = 0xA040;
inline constexpr uint16_t kMatSpecCoeff = 0xA041;
inline constexpr uint16_t kMatSpecCoeff2 = 0xA042;
inline constexpr uint16_t kMatTransparency = 0xA050;

// Colour and percentage sub-chunks.
inline constexpr uint16_t kColorFloat = 0x0010;
inline constexpr uint16_t kColorByte = 0x0011;
inline constexpr uint16_t kColorByteSecond = 0x0012;
inline constexpr uint16_t kPercentInt = 0x0030;
inline constexpr uint16_t kPercentFloat = 0x0031;

}  // namespace vlm::modConst3DS
