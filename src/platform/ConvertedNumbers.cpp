#include "platform/ConvertedNumbers.h"

#include <algorithm>

#include "platform/ShortDecimal.h"

namespace vlm {

namespace {

// Room for one number per six bytes: a line of three coordinates, or a face of index
// pairs, holds fewer. A block of denser numbers keeps the rest for the importer.
constexpr size_t kBytesPerEntry = 6;
// How often the converter looks whether it is to stop: a few microseconds of work.
constexpr ptrdiff_t kStopCheckBytes = 4096;

bool mayStartNumber(char c) noexcept {
  return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.';
}

// Past the run of number characters at `p`.
const char* afterRun(const char* p, const char* end) noexcept {
  while (p != end && mayStartNumber(*p)) ++p;
  return p;
}

// Digits alone, at most nine: the plain form of a face index too.
bool isWholeIndex(const char* first, const char* stop) noexcept {
  if (*first == '-' || *first == '+') ++first;
  if (stop - first > 9) return false;
  for (const char* p = first; p != stop; ++p) {
    if (*p == '.') return false;
  }
  return true;
}

}  // namespace

ConvertedNumbers::ConvertedNumbers(size_t blockCapacity)
    : entries_(std::make_unique_for_overwrite<ConvertedNumber[]>(blockCapacity / kBytesPerEntry +
                                                                 1)),
      capacity_(blockCapacity / kBytesPerEntry + 1) {}

// Left to right, a number is taken wherever plainDecimal finds one and the scan goes on
// after it. Where it finds none the scan goes on after the whole run of digits, signs and
// points, so that each byte is looked at a bounded number of times even in a block of
// digits alone; numbers inside such a run are left to the importer, which starts them
// after a separator, where the scan starts them too.
void ConvertedNumbers::convert(const char* block, size_t length,
                               const std::atomic<bool>& stop) noexcept {
  count_ = 0;
  const char* p = block;
  const char* const end = block + length;
  const char* checkAt = p + std::min<ptrdiff_t>(kStopCheckBytes, end - p);
  while (p != end && count_ != capacity_) {
    if (p >= checkAt) {
      if (stop.load(std::memory_order_relaxed)) return;
      checkAt = p + std::min<ptrdiff_t>(kStopCheckBytes, end - p);
    }
    if (!mayStartNumber(*p)) {
      ++p;
      continue;
    }
    double value = 0;
    const char* const after = plainDecimal(p, end, value);
    if (after == nullptr) {
      p = afterRun(p, end);
      continue;
    }
    ConvertedNumber& entry = entries_[count_++];
    entry.offset = static_cast<uint32_t>(p - block);
    entry.length = static_cast<uint16_t>(after - p);
    entry.single = static_cast<float>(value);
    entry.whole = isWholeIndex(p, after) ? 1 : 0;
    entry.index = entry.whole != 0 ? static_cast<int32_t>(value) : 0;
    p = after;
  }
}

void NumberCursor::reset(const char* block, size_t length,
                         const ConvertedNumbers* table) noexcept {
  block_ = reinterpret_cast<uintptr_t>(block);
  length_ = table != nullptr ? length : 0;
  next_ = table != nullptr ? table->begin() : nullptr;
  end_ = table != nullptr ? table->end() : nullptr;
}

}  // namespace vlm
