// The two conversions the DXF reader makes of its lines besides coordinates: a group
// code line into its code, and a face record's corner value into a vertex index.
#pragma once

#include <cstdint>
#include <limits>
#include <string_view>

namespace vlm::dxf {

// What groupCode gives for a line that is no whole number.
inline constexpr int32_t kNotAGroupCode = std::numeric_limits<int32_t>::min();

// The code of a group code line. Codes may stand right-justified ("  0", " 10"), so the
// line is trimmed of blanks first.
int32_t groupCode(std::string_view line) noexcept;

// A face record's corner value as an index from 0 into the vertex list: the value
// rounded to a whole number (halves to even), without its sign (a negative value marks
// an invisible edge, not another vertex), less 1. Error 13 when the value is not a
// number ("." as the decimal point), error 6 when it does not fit 32 bits.
int32_t faceIndex(std::string_view value);

}  // namespace vlm::dxf
