// Numbers converted ahead, on the thread that reads the file's next block.
//
// Text imports spend a third of their time or more converting numbers. Where the next
// block of a file is read ahead on a second thread (ReadAhead.h), that thread goes on to
// convert the common short numbers of the block (see plainDecimal) into a table while the
// importing thread is still busy with the block before. Reaching a number, the importer
// looks it up by its place in the block and takes it from the table instead of converting
// it again.
//
// An entry says what plainDecimal gives for the bytes at its place, read up to the end of
// the block. The importer reads the same bytes up to where its own text ends, so it takes
// an entry only when the number lies wholly inside that text: the conversion then stops at
// the same byte with the same digits. Anything else it converts itself, as it would without
// a table. An import therefore gives the same values, and does the same things in the same
// order, either way: only the processor that converts the digits differs.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/ShortDecimal.h"

namespace vlm {

struct ConvertedNumber {
  uint32_t offset;  // of its first character in the block
  uint16_t length;  // characters taken, sign included
  uint16_t whole;   // 1: digits alone, at most nine, with `index` their value
  float single;     // plainDecimal's value, in single precision
  int32_t index;
};

// A face line of an OBJ file, read whole: plainFace over `length` characters from the
// first corner, ending where the line does.
struct ConvertedFace {
  uint32_t offset;  // of its first corner in the block
  uint32_t length;
  int32_t vertex[4];
  int32_t normal[4];
};

// The numbers of one block. Written by the reading thread, read by the importing thread once
// the block was handed over. The conversion may still be under way then, for a few more
// microseconds: the entries it has published stay as they are, and only those are read.
class ConvertedNumbers {
 public:
  // A table for blocks of up to `blockCapacity` bytes. Its room is taken from the system
  // as entries are written: a block of short numbers needs more of it than one of words.
  // With `faces`, a line "f " of plain corners (see plainFace) is read whole into one
  // face entry instead of an entry per number.
  explicit ConvertedNumbers(size_t blockCapacity, bool faces = false);

  // Converts the numbers of `block`, replacing what the table held. Stops early, keeping
  // the entries made so far, once `stop` is true or the table is full. Entries are
  // published as they are made, a few KiB of the block at a time.
  void convert(const char* block, size_t length, const std::atomic<bool>& stop) noexcept;
  // Publishes no entries: done before another thread may look at a table about to be
  // converted again, so that it cannot find the entries of the block before.
  void clear() noexcept {
    count_.store(0, std::memory_order_release);
    faceCount_.store(0, std::memory_order_release);
  }

  const ConvertedNumber* begin() const noexcept { return entries_.get(); }
  // The entries published so far.
  const ConvertedNumber* end() const noexcept {
    return entries_.get() + count_.load(std::memory_order_acquire);
  }
  const ConvertedFace* beginFaces() const noexcept { return faces_.get(); }
  const ConvertedFace* endFaces() const noexcept {
    return faces_.get() + faceCount_.load(std::memory_order_acquire);
  }

 private:
  // The face whose first corner is at `first`, when its line ends in the block; where it
  // ends then, nullptr otherwise.
  const char* takeFace(const char* first, const char* end, size_t offset) noexcept;

  std::unique_ptr<ConvertedNumber[]> entries_;
  size_t capacity_;
  std::atomic<size_t> count_{0};
  std::unique_ptr<ConvertedFace[]> faces_;  // none without faces
  size_t faceCapacity_ = 0;
  std::atomic<size_t> faceCount_{0};
};

// The importing thread's look-ups in the table of the block it reads. The text is read
// from front to back, so the cursor only moves forward: a look-up costs a comparison or
// two, against some forty instructions to convert a number.
class NumberCursor {
 public:
  // Looks numbers of `block` (`length` bytes) up in `table`; nullptr: none are converted.
  void reset(const char* block, size_t length, const ConvertedNumbers* table) noexcept;

  // True when `text` lies in a block whose numbers were converted.
  bool converts(const char* text) const noexcept {
    return reinterpret_cast<uintptr_t>(text) - block_ < length_;
  }

  // The entry of the number at `first`, when the block has one there and the number ends
  // at or before `last`; nullptr otherwise (text elsewhere, or already passed, included).
  const ConvertedNumber* find(const char* first, const char* last) noexcept {
    // As integers: text outside the block wraps to a large offset.
    const uintptr_t offset = reinterpret_cast<uintptr_t>(first) - block_;
    if (offset >= length_) return nullptr;
    while (next_ != end_ && next_->offset < offset) ++next_;
    if (next_ == end_ || next_->offset != offset) return nullptr;
    if (next_->length > static_cast<uintptr_t>(last - first)) return nullptr;
    return next_;
  }

  // plainDecimal(first, last) in single precision: taken from the table where the number
  // was converted ahead, converted here otherwise. nullptr where the text is no such number.
  const char* plainSingle(const char* first, const char* last, float& out) noexcept {
    if (const ConvertedNumber* converted = find(first, last)) {
      out = converted->single;
      return first + converted->length;
    }
    double value = 0;
    const char* const stop = plainDecimal(first, last, value);
    out = static_cast<float>(value);  // at most 15 digits: well inside single range
    return stop;
  }

  // The whole number at `first` (a sign and one to nine digits, no point), as the table
  // holds it: taken from there where it was converted ahead, converted here otherwise.
  // Returns where it ends, or nullptr where the text there is no such number.
  const char* plainWhole(const char* first, const char* last, int32_t& out) noexcept {
    if (const ConvertedNumber* converted = find(first, last)) {
      if (converted->whole == 0) return nullptr;
      out = converted->index;
      return first + converted->length;
    }
    return vlm::plainWholeInWord(first, last, out);
  }

  // The face read whole at `first` (its first corner), when it fills the text up to
  // `last` exactly: then plainFace(first, last) gives what it holds.
  bool face(const char* first, const char* last, int32_t (&vertex)[4],
            int32_t (&normal)[4]) noexcept {
    const uintptr_t offset = reinterpret_cast<uintptr_t>(first) - block_;
    if (offset >= length_) return false;
    while (nextFace_ != endFace_ && nextFace_->offset < offset) ++nextFace_;
    if (nextFace_ == endFace_ || nextFace_->offset != offset ||
        nextFace_->length != static_cast<uintptr_t>(last - first)) {
      return false;
    }
    std::copy_n(nextFace_->vertex, 4, vertex);
    std::copy_n(nextFace_->normal, 4, normal);
    return true;
  }

 private:
  uintptr_t block_ = 0;
  size_t length_ = 0;
  const ConvertedNumber* next_ = nullptr;
  const ConvertedNumber* end_ = nullptr;
  const ConvertedFace* nextFace_ = nullptr;
  const ConvertedFace* endFace_ = nullptr;
};

}  // namespace vlm
