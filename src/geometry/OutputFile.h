// A file written in large blocks under a temporary name beside its target and renamed
// over the target only when complete, so a failed write never leaves a partial file.
//
// Every failure throws CannotWrite, a std::runtime_error "cannot write '<path>': <reason>".
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vlm::geometry {

class CannotWrite : public std::runtime_error {
 public:
  CannotWrite(std::string path, std::string reason)
      : std::runtime_error("cannot write '" + path + "': " + reason),
        path_(std::move(path)),
        reason_(std::move(reason)) {}

  const std::string& path() const noexcept { return path_; }
  const std::string& reason() const noexcept { return reason_; }

 private:
  std::string path_;
  std::string reason_;
};

class OutputFile {
 public:
  // The most a single `room` call may ask for.
  static constexpr size_t kMaxRoom = 4096;
  static constexpr size_t kBufferSize = size_t{1} << 20;
  static_assert(kMaxRoom <= kBufferSize / 4);

  // Opens the temporary file; fails at once when the target is a folder or the
  // folder cannot take a new file.
  explicit OutputFile(std::string path);
  // Removes the temporary file unless `commit` succeeded.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  void write(std::string_view bytes);
  // At least `size` (<= kMaxRoom) writable bytes; `advance` says how many were used.
  char* room(size_t size) {
    if (buffer_.size() - used_ < size) flush();
    return buffer_.data() + used_;
  }
  void advance(size_t used) noexcept { used_ += used; }

  // Writes what is left, closes the file and renames it over the target.
  void commit();

  const std::string& path() const noexcept { return path_; }

 private:
  void flush();
  [[noreturn]] void fail(int error);
  void discard() noexcept;

  std::string path_;
  std::string tempPath_;
  int fd_ = -1;
  std::vector<char> buffer_;
  size_t used_ = 0;
};

[[noreturn]] void throwCannotWrite(const std::string& path, const std::string& reason);

}  // namespace vlm::geometry
