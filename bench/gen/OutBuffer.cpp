#include "OutBuffer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace vlm::gen {

namespace {

[[noreturn]] void fail(const std::string& what, const std::string& path) {
  throw std::runtime_error(what + " '" + path + "': " + std::strerror(errno));
}

void writeAll(int fd, const char* data, size_t size, const std::string& path) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) fail("cannot write", path);
    data += n;
    size -= static_cast<size_t>(n);
  }
}

}  // namespace

OutBuffer::OutBuffer(std::string path)
    : path_(std::move(path)), partPath_(path_ + ".part"), data_(kCapacity) {
  fd_ = ::open(partPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0) fail("cannot create", partPath_);
}

OutBuffer::~OutBuffer() {
  if (fd_ >= 0) {  // not finished: an exception is on its way, drop the partial file
    ::close(fd_);
    ::unlink(partPath_.c_str());
  }
}

void OutBuffer::flush() {
  writeAll(fd_, data_.data(), fill_, partPath_);
  flushed_ += fill_;
  fill_ = 0;
}

void OutBuffer::text(std::string_view s) {
  if (s.empty()) return;  // an empty view may carry no pointer, which memcpy must not see
  std::memcpy(data_.data() + fill_, s.data(), s.size());
  fill_ += s.size();
}

void OutBuffer::whole(uint64_t value) {
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  char digits[20];
  char* p = digits + sizeof digits;
  while (value >= 100) {
    const auto pair = static_cast<size_t>(value % 100) * 2;
    value /= 100;
    *--p = kPairs[pair + 1];
    *--p = kPairs[pair];
  }
  if (value >= 10) {
    *--p = kPairs[value * 2 + 1];
    *--p = kPairs[value * 2];
  } else {
    *--p = static_cast<char>('0' + value);
  }
  const auto n = static_cast<size_t>(digits + sizeof digits - p);
  std::memcpy(data_.data() + fill_, p, n);
  fill_ += n;
}

void OutBuffer::fixed6(double value) {
  int64_t micro = std::llround(value * 1e6);
  if (micro < 0) {
    put('-');
    micro = -micro;
  }
  const auto magnitude = static_cast<uint64_t>(micro);
  whole(magnitude / 1000000);
  put('.');
  uint64_t fraction = magnitude % 1000000;
  char* end = data_.data() + fill_ + 6;
  for (char* p = end - 1; p >= end - 6; --p) {
    *p = static_cast<char>('0' + fraction % 10);
    fraction /= 10;
  }
  fill_ += 6;
}

void OutBuffer::u16le(uint16_t value) {
  put(static_cast<char>(value & 0xFF));
  put(static_cast<char>(value >> 8));
}

void OutBuffer::u32le(uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) put(static_cast<char>((value >> shift) & 0xFF));
}

void OutBuffer::u32be(uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) put(static_cast<char>((value >> shift) & 0xFF));
}

void OutBuffer::f32le(float value) { u32le(std::bit_cast<uint32_t>(value)); }

void OutBuffer::f32be(float value) { u32be(std::bit_cast<uint32_t>(value)); }

void OutBuffer::bytes(const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    reserve(1);
    const size_t n = std::min(size, kCapacity - fill_);
    std::memcpy(data_.data() + fill_, p, n);
    fill_ += n;
    p += n;
    size -= n;
  }
}

void OutBuffer::patchU32le(uint64_t at, uint32_t value) {
  unsigned char le[4];
  for (int i = 0; i < 4; ++i) le[i] = static_cast<unsigned char>((value >> (8 * i)) & 0xFF);
  if (at >= flushed_) {
    std::memcpy(data_.data() + (at - flushed_), le, 4);
    return;
  }
  if (at + 4 > flushed_) flush();  // the value straddles the flushed part and the buffer
  if (::pwrite(fd_, le, 4, static_cast<off_t>(at)) != 4) fail("cannot write", partPath_);
}

uint64_t OutBuffer::finish() {
  flush();
  if (::close(fd_) != 0) fail("cannot close", partPath_);
  fd_ = -1;
  if (std::rename(partPath_.c_str(), path_.c_str()) != 0) fail("cannot rename to", path_);
  return flushed_;
}

}  // namespace vlm::gen
