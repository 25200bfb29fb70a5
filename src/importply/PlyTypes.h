// The PLY property records and type codes shared by the header parser and the body readers.
//
// Every type word of a property line maps to a code; the code fixes how many bytes a binary
// body holds for the value and what number it yields:
//   0  char uchar int8 uint8        1 byte   unsigned 8-bit (the signed words too)
//   1  short ushort int16 uint16    2 bytes  signed 16-bit (the unsigned words too)
//   2  int uint int32 uint32        4 bytes  signed 32-bit (the unsigned words too)
//   3  float float32                4 bytes  single precision
//   4  double float64               8 bytes  double precision
//   5  list                         a count, then that many items
#pragma once

#include <cstdint>
#include <string_view>

namespace vlm::ply {

inline constexpr int32_t kUInt8 = 0;
inline constexpr int32_t kInt16 = 1;
inline constexpr int32_t kInt32 = 2;
inline constexpr int32_t kFloat32 = 3;
inline constexpr int32_t kFloat64 = 4;
inline constexpr int32_t kList = 5;
// A type word outside the table.
inline constexpr int32_t kUnknownType = -1;

// One property line of the vertex, face or tristrips element.
struct PLYProperty {
  int32_t PropType = 0;   // type code; kList for a list
  int32_t CountType = 0;  // a list's length type (codes 0 to 2)
  int32_t ItemType = 0;   // a list's item type (codes 0 to 4)
  int32_t Axis = -1;      // 0 "x", 1 "y", 2 "z", -1 any other name and every list

  bool isList() const noexcept { return PropType == kList; }
};

// The code of a type word, or kUnknownType (64-bit words, misspellings, the empty text).
int32_t typeCode(std::string_view word) noexcept;
// The code of a list's count word: only the twelve integer words (codes 0 to 2) count.
int32_t countTypeCode(std::string_view word) noexcept;

// Bytes a value of `code` takes in a binary body; 0 for a list or an unknown code.
constexpr uint32_t binarySize(int32_t code) noexcept {
  switch (code) {
    case kUInt8: return 1;
    case kInt16: return 2;
    case kInt32:
    case kFloat32: return 4;
    case kFloat64: return 8;
    default: return 0;
  }
}

// The axis a property name stands for: "x" 0, "y" 1, "z" 2, anything else -1.
constexpr int32_t axisOf(std::string_view name) noexcept {
  if (name == "x") return 0;
  if (name == "y") return 1;
  if (name == "z") return 2;
  return -1;
}

}  // namespace vlm::ply
