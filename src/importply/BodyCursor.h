// The read position of a binary PLY body in the import file.
//
// The cursor reads through the file table's block buffer: whole records are decoded where
// they lie in the buffer, and only a value that crosses a block boundary or the end of the
// file is copied. The end of the file is noticed as the file table notices it: when a read
// finds too few bytes left, not when it takes the last one. The body reader shows the
// position as CharsRead after every record.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

namespace vlm {

class NumberedFile;

namespace ply {

class BodyCursor {
 public:
  // Starts at 0-based `offset` of `file`.
  BodyCursor(NumberedFile& file, int64_t offset);

  // The bytes buffered from the position on; empty when none is left.
  std::string_view window();
  // Moves on `count` bytes of the window.
  void advance(size_t count);
  // Copies `count` bytes to `dst` and moves on past them. False when the file ended first:
  // the missing bytes read as zero and the end is noticed.
  bool read(void* dst, size_t count);
  // Moves on over `count` values of `size` bytes, stopping after the value that runs past
  // the end of the file. False when the file ended first.
  bool skip(uint64_t count, uint32_t size);

  bool atEnd() const noexcept;
  int64_t offset() const noexcept;
  // Bytes from the position to the end of the file as it was when the body began.
  int64_t remaining() const noexcept;

 private:
  NumberedFile& file_;
  int64_t length_;
};

// CharsRead at 0-based `offset`: its 1-based position, held at 2^31 - 1 as the line reader
// holds it. Called for every record, so kept inline.
inline int32_t charsReadAt(int64_t offset) noexcept {
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(std::clamp<int64_t>(offset + 1, 0, kMax));
}

}  // namespace ply
}  // namespace vlm
