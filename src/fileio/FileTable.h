// The component's file table: files opened by number for raw byte access.
//
// The import file is always number 1. A file is read through one large block buffer, so
// small positional reads (a 3DS chunk header, a name byte by byte) and the line reader's
// sequential access cost a memcpy, not a system call. Blocks are read with pread rather
// than mapped: a file that another process truncates while we read it only comes up
// short, it cannot fault.
//
// End of file follows the classic rule: it is noticed only when a read attempt finds no
// byte (or too few) left; a read that takes the last byte does not yet mark it. Once
// noticed it stays noticed until the file is closed. A read that fails with an I/O
// error counts as finding nothing, so a damaged medium ends the file instead of looping.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Error.h"

namespace vlm {

// One open file of the table. Offsets here count from 0; the table's Get, Seek and the
// importers count positions from 1.
class NumberedFile {
 public:
  // "Bad record number": a position before the first byte.
  static constexpr int32_t kBadRecordNumber = err::kBadRecordNumber;
  // Bytes fetched by one refill of the block buffer. A smaller file gets a block of its
  // own length, rounded up to kMinBlockSize: a page instead of a megabyte for a short file.
  static constexpr size_t kBlockSize = size_t{1} << 20;
  static constexpr size_t kMinBlockSize = size_t{4} << 10;

  NumberedFile(int fd, std::string path) noexcept;
  ~NumberedFile();
  NumberedFile(const NumberedFile&) = delete;
  NumberedFile& operator=(const NumberedFile&) = delete;

  const std::string& path() const noexcept { return path_; }
  // Length in bytes as the file is now.
  int64_t length() const noexcept;
  bool eof() const noexcept { return eof_; }
  // Marks the end of the file as noticed (a read attempt found nothing).
  void noticeEnd() noexcept { eof_ = true; }

  // Copies `count` bytes from `offset` to `dst`; bytes past the end read as zero and a
  // read that runs past the end marks the end as noticed. Leaves the current position
  // after the bytes asked for. Returns the number of bytes that came from the file.
  // Error 63 for a negative offset.
  size_t read(int64_t offset, void* dst, size_t count);

  // Sequential access for line readers: the bytes buffered from the current position on,
  // refilling the block when none is buffered. Empty when no byte is left (or the read
  // failed); that alone does not mark the end, the caller decides whether it was a read
  // attempt. The view stays valid until the next read, peek or close.
  std::string_view peek() {
    if (position_ >= blockOffset_ &&
        static_cast<uint64_t>(position_ - blockOffset_) < blockLength_) {
      const auto skip = static_cast<size_t>(position_ - blockOffset_);
      return {block_.get() + skip, blockLength_ - skip};
    }
    return refill();
  }
  // Moves the current position `count` bytes on (at most what peek() returned).
  void consume(size_t count) noexcept { position_ += static_cast<int64_t>(count); }

  int64_t position() const noexcept { return position_; }
  // Error 63 for a negative offset.
  void seek(int64_t offset);

 private:
  std::string_view refill();
  bool buffered(int64_t offset, size_t count) const noexcept;
  void allocateBlock();
  size_t fillBlock(int64_t offset);

  int fd_;
  std::string path_;
  std::unique_ptr<char[]> block_;  // allocated at the first read
  size_t blockCapacity_ = 0;       // bytes block_ holds
  int64_t blockOffset_ = 0;        // file offset of block_[0]
  size_t blockLength_ = 0;         // valid bytes in block_
  int64_t position_ = 0;           // next byte of sequential access
  bool eof_ = false;
};

class FileTable {
 public:
  static constexpr int16_t kMinNumber = 1;
  static constexpr int16_t kMaxNumber = 511;
  static constexpr int32_t kBadRecordNumber = NumberedFile::kBadRecordNumber;

  FileTable();
  ~FileTable();
  FileTable(const FileTable&) = delete;
  FileTable& operator=(const FileTable&) = delete;

  // Opens `path` for binary reading as file `number`. Errors: 52 for a number outside
  // 1..511, 55 when the number is in use, 53 when the file does not exist, 70 without
  // permission, 75 for a folder or anything else that is not a regular file, 76 when a
  // folder on the way does not exist. Descriptions of system failures read
  // "File not found: /x/y.obj (No such file or directory)".
  void Open(int16_t number, const std::string& path);
  // Closes file `number`; a number that is not open is left alone (52 outside 1..511).
  void Close(int16_t number);
  void CloseAll() noexcept;

  // The end-of-file test; error 52 when `number` is not open.
  bool Eof(int16_t number) const { return file(number).eof(); }
  // Length in bytes; error 52 when `number` is not open.
  int64_t Lof(int16_t number) const;
  // Reads `count` bytes at 1-based `position` (see NumberedFile::read). Error 52 when
  // `number` is not open, 63 when `position` is below 1.
  size_t Get(int16_t number, int64_t position, void* dst, size_t count);
  // Reads `count` bytes at the current position.
  size_t Get(int16_t number, void* dst, size_t count);
  // The 1-based position of the next byte of sequential access, and setting it.
  int64_t Seek(int16_t number) const;
  void Seek(int16_t number, int64_t position);

  // The open file `number`, or nullptr when it is not open (or out of range).
  NumberedFile* find(int16_t number) noexcept {
    return number >= kMinNumber && number <= kMaxNumber ? files_[number].get() : nullptr;
  }
  const NumberedFile* find(int16_t number) const noexcept {
    return number >= kMinNumber && number <= kMaxNumber ? files_[number].get() : nullptr;
  }
  // The open file `number`; error 52 when it is not open.
  NumberedFile& file(int16_t number) {
    NumberedFile* f = find(number);
    if (f == nullptr) raiseNotOpen();
    return *f;
  }
  const NumberedFile& file(int16_t number) const {
    const NumberedFile* f = find(number);
    if (f == nullptr) raiseNotOpen();
    return *f;
  }

 private:
  [[noreturn]] static void raiseNotOpen();

  std::array<std::unique_ptr<NumberedFile>, kMaxNumber + 1> files_;
};

// The component's one file table.
FileTable& fileTable();

}  // namespace vlm
