// The import's progress bar as one terminal line on stderr, redrawn only when the
// percentage changes.
#pragma once

#include <cstdio>

#include "ui/HeadlessToolkit.h"

namespace vlm::vlmhost {

class ProgressLine {
 public:
  // Shows the progress of `toolkit`'s forms on `out`.
  ProgressLine(ui::HeadlessToolkit& toolkit, std::FILE* out);
  // Clears the line if it was drawn.
  ~ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

 private:
  void show(float value, float max);

  ui::HeadlessToolkit& toolkit_;
  std::FILE* out_;
  int shown_ = -1;  // the percentage on screen, -1 when the line is not drawn
};

}  // namespace vlm::vlmhost
