#include "fileio/ReadAhead.h"

#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace vlm {

size_t readAt(int fd, int64_t offset, char* dst, size_t count) noexcept {
  constexpr int64_t kMaxOffset = std::numeric_limits<int64_t>::max();
  size_t done = 0;
  while (done < count && offset < kMaxOffset) {
    const size_t want = std::min<size_t>(count - done, static_cast<size_t>(kMaxOffset - offset));
    const ssize_t n = ::pread(fd, dst + done, want, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // the end, or an I/O error, which reads as the end
    done += static_cast<size_t>(n);
    offset += n;
  }
  return done;
}

bool helperThreadWanted() noexcept {
  if (const char* threads = std::getenv("VLM_THREADS"); threads && std::strcmp(threads, "1") == 0) {
    return false;
  }
  cpu_set_t set;
  CPU_ZERO(&set);
  return ::sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) >= 2;
}

ReadAhead::ReadAhead(int fd, size_t capacity)
    : fd_(fd),
      capacity_(capacity),
      buffer_(std::make_unique_for_overwrite<char[]>(capacity)),
      thread_([this] { run(); }) {}

ReadAhead::~ReadAhead() {
  {
    const std::lock_guard lock(mutex_);
    state_ = State::kQuit;
  }
  changed_.notify_all();
  thread_.join();
}

void ReadAhead::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return state_ == State::kAsked || state_ == State::kQuit; });
    if (state_ == State::kQuit) return;
    state_ = State::kReading;
    const int64_t offset = offset_;
    lock.unlock();
    const size_t length = readAt(fd_, offset, buffer_.get(), capacity_);
    lock.lock();
    if (state_ == State::kQuit) return;
    length_ = length;
    state_ = State::kRead;
    changed_.notify_all();
  }
}

void ReadAhead::ask(int64_t offset) {
  {
    const std::lock_guard lock(mutex_);
    if (state_ != State::kIdle && state_ != State::kRead) return;
    offset_ = offset;
    state_ = State::kAsked;
  }
  changed_.notify_all();
}

std::optional<size_t> ReadAhead::take(int64_t offset, std::unique_ptr<char[]>& block) {
  std::unique_lock lock(mutex_);
  if (offset_ != offset) return std::nullopt;
  if (state_ == State::kAsked) {  // not begun: the caller is at least as quick
    state_ = State::kIdle;
    return std::nullopt;
  }
  changed_.wait(lock, [this] { return state_ != State::kReading; });
  if (state_ != State::kRead) return std::nullopt;
  state_ = State::kIdle;
  block.swap(buffer_);
  return length_;
}

}  // namespace vlm
