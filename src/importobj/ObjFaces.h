// The face corners of an OBJ "f" line.
#pragma once

#include <cstdint>
#include <string_view>

namespace vlm {

// Cuts the next face corner (v, v/t, v//n or v/t/n) off `line`; the vertex and normal
// indices are rounded half to even (0 where missing or not a number). Error 6 when a
// value does not fit 32 bits.
void Get_FaceIndices(std::string_view& line, int32_t& vertexIndex, int32_t& normalIndex);

}  // namespace vlm
