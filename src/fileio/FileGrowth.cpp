#include "fileio/FileGrowth.h"

#include <algorithm>

namespace vlm {

namespace {
// Bytes of the file behind the array's start before its share is trusted.
constexpr int64_t kJudgeAfter = int64_t{1} << 20;
// Room beyond the forecast, for files whose lines vary a little along the way.
constexpr double kForecastMargin = 1.0625;
// A forecast that falls short still grows the array by at least a quarter.
constexpr size_t kLeastGrowthDivisor = 4;
// No forecast beyond this many elements: far above any file, far below overflow.
constexpr double kForecastCeiling = 1e12;
}  // namespace

size_t FileGrowth::capacityFor(size_t size, size_t capacity, size_t wanted, int64_t position,
                               int64_t length) const noexcept {
  const int64_t behind = position - start_;
  if (start_ < 0 || behind < kJudgeAfter) return std::max(wanted, 2 * capacity);
  const double stretch = static_cast<double>(std::max<int64_t>(length - start_, 0));
  const double share = static_cast<double>(size) / static_cast<double>(behind);
  const double forecast = std::min(kForecastCeiling, share * stretch * kForecastMargin);
  return std::max({wanted, capacity + capacity / kLeastGrowthDivisor,
                   static_cast<size_t>(forecast)});
}

}  // namespace vlm
