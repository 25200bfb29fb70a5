// A 5 x 7 pixel font for printable ASCII (descenders take an eighth row), built in,
// for the preview's legend.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "preview/Preview.h"

namespace vlm::preview {

inline constexpr int kGlyphWidth = 5;
inline constexpr int kGlyphHeight = 8;
inline constexpr int kGlyphAdvance = kGlyphWidth + 1;  // one blank column between glyphs

// Column bits of a character (bit 0 the top row); bytes outside ' '..'~' show as '?'.
const std::array<uint8_t, kGlyphWidth>& glyphOf(char c) noexcept;

// Draws `text` with its top left corner at (x, y), each font pixel `scale` pixels wide,
// clipped to the picture.
void drawText(Image& image, int x, int y, std::string_view text, int scale,
              const std::array<uint8_t, 3>& color) noexcept;

}  // namespace vlm::preview
