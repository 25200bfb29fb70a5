// Numbers as text for the exports: shortest round-trip form, written straight into an
// output buffer.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>

namespace vlm::exporter {

// Room enough for any text `appendNumber` writes (a float takes at most 15 characters,
// an int64 at most 20).
inline constexpr size_t kMaxNumberText = 24;

// Writes `value` at `out` and returns the end of the text.
inline char* appendNumber(char* out, float value) noexcept {
  return std::to_chars(out, out + kMaxNumberText, value).ptr;
}
inline char* appendNumber(char* out, int64_t value) noexcept {
  return std::to_chars(out, out + kMaxNumberText, value).ptr;
}

}  // namespace vlm::exporter
