#include "geometry/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>

namespace vlm::geometry {

namespace {

// Temporary names differ per process and per file, so two writers never share one.
std::string temporaryName(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  return path + "." + std::to_string(::getpid()) + "." + std::to_string(++counter) + ".tmp";
}

}  // namespace

void throwCannotWrite(const std::string& path, const std::string& reason) {
  throw CannotWrite(path, reason);
}

OutputFile::OutputFile(std::string path) : path_(std::move(path)) {
  if (path_.empty()) throwCannotWrite(path_, "no file name");
  struct stat st {};
  if (::stat(path_.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) fail(EISDIR);
  for (int attempt = 0; fd_ < 0; ++attempt) {
    tempPath_ = temporaryName(path_);
    fd_ = ::open(tempPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0 && (errno != EEXIST || attempt == 100)) {
      tempPath_.clear();
      fail(errno);
    }
  }
  buffer_.resize(kBufferSize);
}

OutputFile::~OutputFile() { discard(); }

void OutputFile::write(std::string_view bytes) {
  while (!bytes.empty()) {
    if (used_ == buffer_.size()) flush();
    const size_t n = std::min(bytes.size(), buffer_.size() - used_);
    std::memcpy(buffer_.data() + used_, bytes.data(), n);
    used_ += n;
    bytes.remove_prefix(n);
  }
}

void OutputFile::flush() {
  size_t done = 0;
  while (done < used_) {
    const ssize_t n = ::write(fd_, buffer_.data() + done, used_ - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) fail(n < 0 ? errno : ENOSPC);
    done += static_cast<size_t>(n);
  }
  used_ = 0;
}

void OutputFile::commit() {
  flush();
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) fail(errno);
  if (::rename(tempPath_.c_str(), path_.c_str()) != 0) fail(errno);
  tempPath_.clear();
}

void OutputFile::fail(int error) {
  discard();
  throwCannotWrite(path_, std::strerror(error));
}

void OutputFile::discard() noexcept {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!tempPath_.empty()) ::unlink(tempPath_.c_str());
  tempPath_.clear();
}

}  // namespace vlm::geometry
