// The preview's legend: the title and the scene's object and triangle counts, in the
// lower left corner, in a strip of its own when the picture is tall enough.
#pragma once

#include <string>
#include <vector>

#include "preview/Preview.h"

namespace vlm::preview {

class Legend {
 public:
  explicit Legend(std::vector<std::string> lines) : lines_(std::move(lines)) {}

  const std::vector<std::string>& lines() const noexcept { return lines_; }
  // The rows at the bottom kept free of the scene: none when the legend would take
  // more than a quarter of the picture (it is then drawn over the scene).
  int reservedHeight(int width, int height) const noexcept;
  void draw(Image& image) const noexcept;

 private:
  int rows(int width, int height) const noexcept;

  std::vector<std::string> lines_;
};

Legend makeLegend(const refhost::ReferenceScene& scene, const PreviewOptions& options);

// "1,234,567": digits grouped by three.
std::string groupedNumber(uint64_t value);

}  // namespace vlm::preview
