// A buffered output file for the generator: text with fast fixed-point numbers, binary
// values in either byte order, and lengths patched in afterwards (3DS chunk sizes).
// Written to NAME.part and renamed on finish(), so a cut-off run never leaves a file that
// looks complete.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vlm::gen {

class OutBuffer {
 public:
  // Longest record any writer puts down between two reserve() calls.
  static constexpr size_t kMaxRecord = 1024;
  static constexpr size_t kCapacity = size_t{1} << 20;
  static_assert(kMaxRecord < kCapacity);

  explicit OutBuffer(std::string path);
  ~OutBuffer();
  OutBuffer(const OutBuffer&) = delete;
  OutBuffer& operator=(const OutBuffer&) = delete;

  // Makes room for n more bytes; the appends below do not check for room themselves.
  void reserve(size_t n) {
    if (kCapacity - fill_ < n) flush();
  }
  void put(char c) { data_[fill_++] = c; }
  void text(std::string_view s);
  // Whole number in decimal.
  void whole(uint64_t value);
  // Fixed point with six decimals, rounded to the nearest: -123.4567891 -> "-123.456789";
  // a value that rounds to zero has no minus sign.
  void fixed6(double value);
  void u8(uint8_t value) { put(static_cast<char>(value)); }
  void u16le(uint16_t value);
  void u32le(uint32_t value);
  void f32le(float value);
  void u32be(uint32_t value);
  void f32be(float value);
  // Large binary block, written through the buffer.
  void bytes(const void* data, size_t size);

  // Bytes written so far, flushed or not.
  uint64_t offset() const { return flushed_ + fill_; }
  // Overwrites 4 bytes at an earlier offset with a little-endian value.
  void patchU32le(uint64_t at, uint32_t value);

  // Flushes, closes and renames NAME.part to NAME; returns the file's size.
  uint64_t finish();

 private:
  void flush();

  std::string path_;
  std::string partPath_;
  int fd_ = -1;
  std::vector<char> data_;
  size_t fill_ = 0;
  uint64_t flushed_ = 0;
};

}  // namespace vlm::gen
