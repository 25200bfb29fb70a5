#include "ProgressLine.h"

namespace vlm::vlmhost {

ProgressLine::ProgressLine(ui::HeadlessToolkit& toolkit, std::FILE* out)
    : toolkit_(toolkit), out_(out) {
  toolkit_.setProgressListener([this](float value, float max) { show(value, max); });
}

ProgressLine::~ProgressLine() {
  toolkit_.setProgressListener(nullptr);
  if (shown_ >= 0) std::fprintf(out_, "\r\033[K");
}

void ProgressLine::show(float value, float max) {
  if (!(max > 0)) return;
  const int percent = static_cast<int>(100.0 * value / max);
  if (percent == shown_) return;
  shown_ = percent;
  constexpr int kWidth = 40;
  const int filled = percent * kWidth / 100;
  std::fprintf(out_, "\rImporting [%.*s%*s] %3d%%", filled,
               "########################################", kWidth - filled, "", percent);
  std::fflush(out_);
}

}  // namespace vlm::vlmhost
