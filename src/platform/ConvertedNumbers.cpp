#include "platform/ConvertedNumbers.h"

#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/ShortDecimal.h"

namespace vlm {

namespace {

// Room for one number per six bytes: a line of three coordinates, or a face of index
// pairs, holds fewer. A block of denser numbers keeps the rest for the importer.
constexpr size_t kBytesPerEntry = 6;
// Room for one face per eight bytes, a line "f 1 2 3" and its end.
constexpr size_t kBytesPerFace = 8;
// How often the converter looks whether it is to stop: a few microseconds of work.
constexpr size_t kStopCheckBytes = 4096;
// The block is looked at this many bytes at a time.
constexpr size_t kSpan = 64;

bool mayBeInNumber(char c) noexcept {
  return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.';
}

// One bit per byte of [p, p + kSpan): set where the byte may be part of a number.
uint64_t numberBytes(const char* p) noexcept {
#if defined(__SSE2__)
  uint64_t bits = 0;
  for (size_t i = 0; i < kSpan; i += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i digit = _mm_sub_epi8(bytes, _mm_set1_epi8('0'));
    __m128i in = _mm_cmpeq_epi8(_mm_min_epu8(digit, _mm_set1_epi8(9)), digit);
    in = _mm_or_si128(in, _mm_cmpeq_epi8(bytes, _mm_set1_epi8('-')));
    in = _mm_or_si128(in, _mm_cmpeq_epi8(bytes, _mm_set1_epi8('+')));
    in = _mm_or_si128(in, _mm_cmpeq_epi8(bytes, _mm_set1_epi8('.')));
    bits |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(in))) << i;
  }
  return bits;
#else
  uint64_t bits = 0;
  for (size_t i = 0; i < kSpan; ++i) bits |= static_cast<uint64_t>(mayBeInNumber(p[i])) << i;
  return bits;
#endif
}

}  // namespace

ConvertedNumbers::ConvertedNumbers(size_t blockCapacity, bool faces)
    : entries_(
          std::make_unique_for_overwrite<ConvertedNumber[]>(blockCapacity / kBytesPerEntry + 1)),
      capacity_(blockCapacity / kBytesPerEntry + 1) {
  if (!faces) return;
  faceCapacity_ = blockCapacity / kBytesPerFace + 1;
  faces_ = std::make_unique_for_overwrite<ConvertedFace[]>(faceCapacity_);
}

// plainFace up to the line's end, found on the way: the corners are followed by blanks,
// then a CR or LF. An importer whose line ends there reads the same characters.
const char* ConvertedNumbers::takeFace(const char* first, const char* end, size_t offset) noexcept {
  const size_t count = faceCount_.load(std::memory_order_relaxed);
  if (count == faceCapacity_) return nullptr;
  ConvertedFace& face = faces_[count];
  const char* p = first;
  const char* last = first;  // just after the last corner
  int corners = 0;
  for (;; ++corners) {
    while (p < end && *p == ' ') ++p;
    if (p == end) return nullptr;  // the line goes on in the next block
    if (*p == '\r' || *p == '\n') break;
    if (corners == 4) return nullptr;
    int32_t normal = 0;
    p = plainWholeInWord(p, end, face.vertex[corners]);
    if (p == nullptr) return nullptr;
    if (end - p > 1 && p[0] == '/' && p[1] == '/') {
      p = plainWholeInWord(p + 2, end, normal);
      if (p == nullptr) return nullptr;
    }
    face.normal[corners] = normal;
    last = p;
    if (p < end && *p != ' ' && *p != '\r' && *p != '\n') return nullptr;
  }
  for (int corner = 0; corner < 4; ++corner) {
    if (corner >= corners) face.vertex[corner] = face.normal[corner] = 0;
  }
  face.offset = static_cast<uint32_t>(offset);
  face.length = static_cast<uint32_t>(last - first);
  faceCount_.store(count + 1, std::memory_order_release);
  return last;
}

// A number is tried where a run of digits, signs and points starts, and taken where
// plainDecimal finds one; that is where importers start numbers, after a separator. The
// runs are found 64 bytes at a time, so the bytes between numbers cost no branch each,
// and each byte is converted at most once, even in a block of digits alone.
void ConvertedNumbers::convert(const char* block, size_t length,
                               const std::atomic<bool>& stop) noexcept {
  clear();
  ConvertedNumber* const entries = entries_.get();
  size_t count = 0;
  const char* const end = block + length;
  const char* skip = block;  // number starts before it are part of a face read whole
  const auto take = [&](const char* first) {
    if (first < skip) return;
    const auto offset = static_cast<size_t>(first - block);
    if (faces_ && offset >= 3 && first[-1] == ' ' && first[-2] == 'f' &&
        (first[-3] == '\n' || first[-3] == '\r')) {
      if (const char* const after = takeFace(first, end, offset)) {
        skip = after;
        return;
      }
    }
    double value = 0;
    bool point = false;
    ptrdiff_t digits = 0;
    const char* const after = plainDecimal(first, end, value, point, digits);
    if (after == nullptr) return;
    // Digits alone, at most nine: the plain form of a face index too.
    const bool whole = !point && digits <= 9;
    entries[count++] = {static_cast<uint32_t>(first - block),
                        static_cast<uint16_t>(after - first),
                        static_cast<uint16_t>(whole ? 1 : 0), static_cast<float>(value),
                        whole ? static_cast<int32_t>(value) : 0};
  };
  uint64_t inBefore = 0;  // whether the byte before the span may be part of a number
  size_t at = 0;
  for (; at + kSpan <= length && count + kSpan <= capacity_; at += kSpan) {
    if (at % kStopCheckBytes == 0) {
      count_.store(count, std::memory_order_release);
      if (stop.load(std::memory_order_relaxed)) break;
    }
    // The starts within a face read whole are passed over at once.
    const auto unskipped = [&](uint64_t starts) {
      const ptrdiff_t past = skip - (block + at);
      if (past <= 0) return starts;
      return past >= static_cast<ptrdiff_t>(kSpan) ? 0 : starts & (~uint64_t{0} << past);
    };
    const uint64_t in = numberBytes(block + at);
    for (uint64_t starts = unskipped(in & ~((in << 1) | inBefore)); starts != 0;
         starts = unskipped(starts & (starts - 1))) {
      take(block + at + static_cast<size_t>(std::countr_zero(starts)));
    }
    inBefore = in >> 63;
  }
  if (at + kSpan > length) {
    for (; at < length && count != capacity_; ++at) {
      const bool in = mayBeInNumber(block[at]);
      if (in && inBefore == 0) take(block + at);
      inBefore = in ? 1 : 0;
    }
  }
  count_.store(count, std::memory_order_release);
}

void NumberCursor::reset(const char* block, size_t length,
                         const ConvertedNumbers* table) noexcept {
  block_ = reinterpret_cast<uintptr_t>(block);
  length_ = table != nullptr ? length : 0;
  next_ = table != nullptr ? table->begin() : nullptr;
  end_ = table != nullptr ? table->end() : nullptr;
  nextFace_ = table != nullptr ? table->beginFaces() : nullptr;
  endFace_ = table != nullptr ? table->endFaces() : nullptr;
}

}  // namespace vlm
