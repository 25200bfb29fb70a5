// The import's progress bar as one terminal line on stderr.
#pragma once

#include <cstdio>

namespace vlm::vlmhost {

class ProgressLine {
 public:
  explicit ProgressLine(std::FILE* out) : out_(out) {}
  // Clears the line if it was drawn.
  ~ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // Draws the bar at `fraction` (0 to 1); the session calls it as the percentage changes.
  void show(double fraction);

 private:
  std::FILE* out_;
  bool drawn_ = false;
};

}  // namespace vlm::vlmhost
