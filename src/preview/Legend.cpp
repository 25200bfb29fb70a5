#include "preview/Legend.h"

#include <algorithm>

#include "preview/BitmapFont.h"

namespace vlm::preview {

namespace {

constexpr std::array<uint8_t, 3> kTextColor = {226, 229, 234};
constexpr int kLineRows = kGlyphHeight + 2;  // font pixels per line
constexpr int kMarginRows = 3;

// Font pixels per font pixel: 1 up to 719 pixels on the shorter side, 2 up to 1079, ...
int scaleOf(int width, int height) noexcept {
  return std::clamp(std::min(width, height) / 360, 1, 4);
}

// `text` cut to `chars` characters, the cut shown by "...".
std::string fitted(const std::string& text, int chars) {
  if (chars < 4 || static_cast<int>(text.size()) <= chars) return text;
  return text.substr(0, static_cast<size_t>(chars - 3)) + "...";
}

std::string counted(uint64_t n, const char* one, const char* many) {
  return groupedNumber(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::string groupedNumber(uint64_t value) {
  const std::string digits = std::to_string(value);
  std::string grouped;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  return grouped;
}

Legend makeLegend(const refhost::ReferenceScene& scene, const PreviewOptions& options) {
  uint64_t triangles = 0;
  for (size_t i = 0; i < scene.objectCount(); ++i) {
    triangles += static_cast<uint64_t>(scene.object(i).mesh().triangleCount());
  }
  std::vector<std::string> lines;
  if (!options.legendTitle.empty()) lines.push_back(options.legendTitle);
  lines.push_back(counted(scene.objectCount(), "object", "objects") + ", " +
                  counted(triangles, "triangle", "triangles"));
  return Legend(std::move(lines));
}

int Legend::rows(int width, int height) const noexcept {
  return (static_cast<int>(lines_.size()) * kLineRows + 2 * kMarginRows) * scaleOf(width, height);
}

int Legend::reservedHeight(int width, int height) const noexcept {
  const int needed = rows(width, height);
  return 4 * needed <= height ? needed : 0;
}

void Legend::draw(Image& image) const noexcept {
  const int scale = scaleOf(image.width, image.height);
  const int margin = kMarginRows * scale;
  const int chars = (image.width - 2 * margin) / (kGlyphAdvance * scale);
  int y = image.height - rows(image.width, image.height) + margin;
  for (const std::string& line : lines_) {
    drawText(image, margin, y, fitted(line, chars), scale, kTextColor);
    y += kLineRows * scale;
  }
}

}  // namespace vlm::preview
