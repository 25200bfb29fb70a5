// Conversions between number types with the classic rules.
//
// Whole numbers round to the nearest integer with halves to the even neighbour and
// raise error 6 (Overflow) when they do not fit. Nothing here allocates.
#pragma once

#include <cstdint>

namespace vlm {

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
double roundHalfEven(double value) noexcept;

int32_t toLong(double value);     // 32-bit whole number; error 6 when out of range or NaN
int16_t toInteger(double value);  // 16-bit whole number; error 6 when out of range or NaN
float toSingle(double value);     // single precision; error 6 beyond its finite range

}  // namespace vlm
