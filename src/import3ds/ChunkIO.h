// The position arithmetic of the 3DS reader.
//
// Positions are signed 32-bit numbers, as the format's lengths are; a move that leaves
// that range is an overflow (error 6), not a wrap.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "platform/Error.h"

namespace vlm::import3ds {

// The chunk values are little-endian and are copied as they are stored.
static_assert(std::endian::native == std::endian::little, "3DS values are read in place");

inline constexpr int32_t kHeaderSize = 6;
// The longest list a chunk can hold: 65535 vertices of 12 bytes.
inline constexpr int64_t kLongestList = int64_t{65535} * 12;
// Every byte of a file up to this length has a position.
inline constexpr int64_t kLargestFile = std::numeric_limits<int32_t>::max();

// `value` as a position or length; error 6 outside the 32-bit range.
inline int32_t checked32(int64_t value) {
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) {
    raise(err::kOverflow);
  }
  return static_cast<int32_t>(value);
}

inline int32_t movePos(int32_t pos, int64_t delta) { return checked32(pos + delta); }

}  // namespace vlm::import3ds
