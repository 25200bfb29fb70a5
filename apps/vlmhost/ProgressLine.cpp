#include "ProgressLine.h"

namespace vlm::vlmhost {

ProgressLine::~ProgressLine() {
  if (drawn_) std::fprintf(out_, "\r\033[K");
}

void ProgressLine::show(double fraction) {
  drawn_ = true;
  const int percent = static_cast<int>(100.0 * fraction + 0.5);
  constexpr int kWidth = 40;
  const int filled = percent * kWidth / 100;
  std::fprintf(out_, "\rImporting [%.*s%*s] %3d%%", filled,
               "########################################", kWidth - filled, "", percent);
  std::fflush(out_);
}

}  // namespace vlm::vlmhost
