// Fills triangles into a picture with a depth buffer.
//
// Corners are in sixteenths of a pixel, so coverage is decided exactly in integers: edge
// functions stepped per pixel, a pixel is covered when its centre is inside, and a centre
// on an edge two triangles share belongs to exactly one of them (no gaps, no pixel drawn
// twice). Depth (the reciprocal of the distance along the view, larger is nearer) and
// brightness are planes over the triangle, interpolated linearly in the picture.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "preview/Preview.h"

namespace vlm::preview {

// Sixteenths of a pixel per pixel.
inline constexpr int kSubpixelBits = 4;
inline constexpr int32_t kSubpixels = 1 << kSubpixelBits;
// Corners farther than this outside the picture (in pixels) are not drawn; it keeps
// every edge function well inside 64 bits.
inline constexpr int32_t kGuardBand = 1 << 16;
static_assert(int64_t{kMaxImageSide + 2 * kGuardBand} * kSubpixels < (int64_t{1} << 30));

struct ScreenCorner {
  int32_t x = 0;    // sixteenths of a pixel from the picture's left edge
  int32_t y = 0;    // from its top edge
  float depth = 0;  // 1 / distance along the view
};

// One object's colour at 256 levels of brightness.
using ShadeTable = std::array<std::array<uint8_t, 3>, 256>;

// A triangle ready to fill: its corners ordered so the edge functions are positive
// inside, and the pixels its bounding box covers.
struct TriangleSetup {
  std::array<ScreenCorner, 3> corner{};
  bool swapped = false;  // corners 1 and 2 exchanged
  int64_t area = 0;      // twice the area, in sixteenths squared
  int minX = 0, maxX = -1, minY = 0, maxY = -1;
};

class Rasterizer {
 public:
  // Draws into `image` (already filled with the background); depth starts far.
  explicit Rasterizer(Image& image);

  // False when the triangle has no area or no pixel centre in its bounding box.
  bool setup(const ScreenCorner& a, const ScreenCorner& b, const ScreenCorner& c,
             TriangleSetup& out) const noexcept;
  // Fills a set-up triangle; `brightness` (0..255) is given per corner in the order the
  // corners were passed to `setup`.
  void fill(const TriangleSetup& t, const std::array<float, 3>& brightness,
            const ShadeTable& shades) noexcept;
  // A line from `a` to `b` in `rgb`, one pixel per step along its longer side, over
  // whatever lies there (no depth test); the part outside the picture is skipped.
  void line(const ScreenCorner& a, const ScreenCorner& b,
            const std::array<uint8_t, 3>& rgb) noexcept;

 private:
  Image& image_;
  std::vector<float> depth_;
};

}  // namespace vlm::preview
