// A file read once from start to end in 1 MiB blocks, and its lines cut off as the
// importers' line reader cuts them: what vlmhost uses to count, from the file itself, what
// an import left out.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace vlm::vlmhost {

// A regular file read forward with pread, one block at a time; the position may jump
// ahead over bytes nobody needs to see. A file that cannot be opened, or is no regular
// file, reads as empty.
class BlockFile {
 public:
  static constexpr size_t kBlockSize = 1 << 20;

  explicit BlockFile(const std::string& path);
  ~BlockFile();
  BlockFile(const BlockFile&) = delete;
  BlockFile& operator=(const BlockFile&) = delete;

  uint64_t size() const noexcept { return size_; }
  uint64_t offset() const noexcept { return start_ + used_; }
  // The bytes from the position to the end of the block, after reading the next block when
  // this one is used up; empty at the end of the file.
  std::string_view window() {
    if (used_ == filled_) readNextBlock();
    return {block_.get() + used_, filled_ - used_};
  }
  // Moves on `count` bytes of the window.
  void advance(size_t count) noexcept { used_ += count; }
  // Moves to `offset`; false, and nothing moved, when it lies past the end of the file.
  bool seek(uint64_t offset) noexcept;
  // Copies the next `count` bytes to `dst` and moves on; false when the file ends first.
  bool read(char* dst, size_t count);

 private:
  void readNextBlock();

  int fd_ = -1;
  uint64_t size_ = 0;
  std::unique_ptr<char[]> block_;
  uint64_t start_ = 0;  // the file offset of block_[0]
  size_t used_ = 0;
  size_t filled_ = 0;
};

// Where lines end: at CR only (CR LF is one end, a lone LF is part of the line); at CR or
// LF, empty lines skipped; or the first line at either, and then by the first end's rule
// (CR: at CR only; LF: at either).
enum class LineEnds { cr, crOrLf, firstFound };

class LineReader {
 public:
  // Lines longer than this keep their first kKeptLine bytes when they cross a block: the
  // counts look at a line's first words only.
  static constexpr size_t kKeptLine = 4096;

  LineReader(BlockFile& file, LineEnds ends) : file_(file), ends_(ends) {}

  // The next line without its end, valid until the next call; false at the end of the
  // file. A last line without an end ends with the file.
  bool next(std::string_view& line);
  // The rule in force: still firstFound while no line end has been seen.
  LineEnds ends() const noexcept { return ends_; }

 private:
  // The window where the next line begins: past the LF of a CR LF end and, when lines end
  // at CR or LF, past empty lines.
  std::string_view lineStart();
  void keep(std::string_view part);

  BlockFile& file_;
  LineEnds ends_;
  bool lfAfterCr_ = false;  // at CR only: an LF right after the last CR belongs to that end
  std::string spanning_;    // a line crossing a block
};

// Cuts the first word off `line`: words are apart by spaces (tabs belong to words), as the
// importers' tokeniser cuts them.
inline std::string_view cutWord(std::string_view& line) noexcept {
  const size_t begin = std::min(line.find_first_not_of(' '), line.size());
  const size_t end = std::min(line.find(' ', begin), line.size());
  const std::string_view word = line.substr(begin, end - begin);
  line.remove_prefix(end);
  return word;
}

}  // namespace vlm::vlmhost
