#include "preview/Rasterizer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace vlm::preview {

namespace {

constexpr int32_t kHalfPixel = kSubpixels / 2;

int64_t floorDiv(int64_t a, int64_t b) noexcept { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// Centres on the edge from `a` to `b` count as inside for exactly one of the two
// directions, so of two triangles sharing the edge exactly one covers them.
int64_t edgeBias(const ScreenCorner& a, const ScreenCorner& b) noexcept {
  const int32_t dx = b.x - a.x;
  const int32_t dy = b.y - a.y;
  return (dy > 0 || (dy == 0 && dx < 0)) ? 0 : -1;
}

// The edge function of `a`-`b`: its steps per pixel and its value at a point.
struct Edge {
  int64_t stepX;
  int64_t stepY;
  int64_t at;

  Edge(const ScreenCorner& a, const ScreenCorner& b, int64_t px, int64_t py) noexcept
      : stepX(-int64_t{b.y - a.y} * kSubpixels),
        stepY(int64_t{b.x - a.x} * kSubpixels),
        at(int64_t{b.x - a.x} * (py - a.y) - int64_t{b.y - a.y} * (px - a.x) + edgeBias(a, b)) {}
};

// A value given at the three corners as a plane over the picture, in pixels.
struct Plane {
  float atCorner0;
  float perX;
  float perY;
};

Plane planeOf(const TriangleSetup& t, const std::array<float, 3>& v) noexcept {
  const auto& c = t.corner;
  const auto pixels = [](int32_t subpixels) { return static_cast<double>(subpixels) / kSubpixels; };
  const double dx1 = pixels(c[1].x - c[0].x), dy1 = pixels(c[1].y - c[0].y);
  const double dx2 = pixels(c[2].x - c[0].x), dy2 = pixels(c[2].y - c[0].y);
  const double area = static_cast<double>(t.area) / (kSubpixels * kSubpixels);
  const double d1 = double{v[1]} - v[0], d2 = double{v[2]} - v[0];
  return {v[0], static_cast<float>((d1 * dy2 - d2 * dy1) / area),
          static_cast<float>((d2 * dx1 - d1 * dx2) / area)};
}

bool outsideGuardBand(const ScreenCorner& c, const Image& image) noexcept {
  constexpr int64_t kGuard = int64_t{kGuardBand} * kSubpixels;
  return c.x < -kGuard || c.y < -kGuard || c.x > int64_t{image.width} * kSubpixels + kGuard ||
         c.y > int64_t{image.height} * kSubpixels + kGuard;
}

}  // namespace

Rasterizer::Rasterizer(Image& image)
    : image_(image),
      depth_(static_cast<size_t>(image.width) * static_cast<size_t>(image.height), 0.0f) {}

bool Rasterizer::setup(const ScreenCorner& a, const ScreenCorner& b, const ScreenCorner& c,
                       TriangleSetup& out) const noexcept {
  if (outsideGuardBand(a, image_) || outsideGuardBand(b, image_) || outsideGuardBand(c, image_)) {
    return false;
  }
  int64_t area = int64_t{b.x - a.x} * (c.y - a.y) - int64_t{c.x - a.x} * (b.y - a.y);
  if (area == 0) return false;
  out.swapped = area < 0;
  out.corner =
      out.swapped ? std::array<ScreenCorner, 3>{a, c, b} : std::array<ScreenCorner, 3>{a, b, c};
  out.area = out.swapped ? -area : area;

  const int32_t loX = std::min({a.x, b.x, c.x}), hiX = std::max({a.x, b.x, c.x});
  const int32_t loY = std::min({a.y, b.y, c.y}), hiY = std::max({a.y, b.y, c.y});
  // Pixel p's centre is at p * kSubpixels + kHalfPixel.
  out.minX = static_cast<int>(std::max<int64_t>(0, -floorDiv(kHalfPixel - loX, kSubpixels)));
  out.minY = static_cast<int>(std::max<int64_t>(0, -floorDiv(kHalfPixel - loY, kSubpixels)));
  out.maxX =
      static_cast<int>(std::min<int64_t>(image_.width - 1, floorDiv(hiX - kHalfPixel, kSubpixels)));
  out.maxY = static_cast<int>(
      std::min<int64_t>(image_.height - 1, floorDiv(hiY - kHalfPixel, kSubpixels)));
  return out.minX <= out.maxX && out.minY <= out.maxY;
}

void Rasterizer::fill(const TriangleSetup& t, const std::array<float, 3>& brightness,
                      const ShadeTable& shades) noexcept {
  const auto& c = t.corner;
  const std::array<float, 3> light =
      t.swapped ? std::array<float, 3>{brightness[0], brightness[2], brightness[1]} : brightness;
  const std::array<float, 3> depth{c[0].depth, c[1].depth, c[2].depth};
  const Plane q = planeOf(t, depth);
  const Plane l = planeOf(t, light);
  const float x0 = static_cast<float>(c[0].x) / kSubpixels;
  const float y0 = static_cast<float>(c[0].y) / kSubpixels;

  const int64_t px = int64_t{t.minX} * kSubpixels + kHalfPixel;
  const int64_t py = int64_t{t.minY} * kSubpixels + kHalfPixel;
  Edge e0(c[1], c[2], px, py), e1(c[2], c[0], px, py), e2(c[0], c[1], px, py);
  const auto width = static_cast<size_t>(image_.width);
  for (int y = t.minY; y <= t.maxY; ++y) {
    int64_t w0 = e0.at, w1 = e1.at, w2 = e2.at;
    const float fy = static_cast<float>(y) + 0.5f - y0;
    const float qRow = q.atCorner0 + q.perY * fy;
    const float lRow = l.atCorner0 + l.perY * fy;
    const size_t row = static_cast<size_t>(y) * width;
    for (int x = t.minX; x <= t.maxX; ++x) {
      if ((w0 | w1 | w2) >= 0) {
        const float fx = static_cast<float>(x) + 0.5f - x0;
        const float z = qRow + q.perX * fx;
        const size_t i = row + static_cast<size_t>(x);
        if (z > depth_[i]) {
          depth_[i] = z;
          const float level = std::clamp(lRow + l.perX * fx, 0.0f, 255.0f);
          std::memcpy(&image_.rgb[3 * i], shades[static_cast<size_t>(level + 0.5f)].data(), 3);
        }
      }
      w0 += e0.stepX, w1 += e1.stepX, w2 += e2.stepX;
    }
    e0.at += e0.stepY, e1.at += e1.stepY, e2.at += e2.stepY;
  }
}

void Rasterizer::line(const ScreenCorner& a, const ScreenCorner& b,
                      const std::array<uint8_t, 3>& rgb) noexcept {
  const auto pixels = [](int32_t subpixels) { return static_cast<double>(subpixels) / kSubpixels; };
  const double x0 = pixels(a.x), y0 = pixels(a.y), dx = pixels(b.x - a.x), dy = pixels(b.y - a.y);
  const int steps = static_cast<int>(std::max(std::abs(dx), std::abs(dy))) + 1;
  for (int i = 0; i <= steps; ++i) {
    const auto x = static_cast<int>(x0 + dx * i / steps);
    const auto y = static_cast<int>(y0 + dy * i / steps);
    if (x < 0 || y < 0 || x >= image_.width || y >= image_.height) continue;
    std::memcpy(&image_.rgb[3 * (static_cast<size_t>(y) * static_cast<size_t>(image_.width) +
                                 static_cast<size_t>(x))],
                rgb.data(), 3);
  }
}

}  // namespace vlm::preview
