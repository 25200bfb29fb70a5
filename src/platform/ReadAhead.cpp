#include "platform/ReadAhead.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
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

ReadAhead::ReadAhead(int fd, size_t capacity)
    : fd_(fd),
      capacity_(capacity),
      buffer_(std::make_unique_for_overwrite<char[]>(capacity)),
      thread_([this] { run(); }) {}

ReadAhead::~ReadAhead() {
  {
    const std::lock_guard lock(mutex_);
    state_ = State::kQuit;
    stopConverting_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void ReadAhead::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return state_ == State::kAsked || state_ == State::kQuit; });
    if (state_ == State::kQuit) return;
    const int64_t offset = offset_;
    lock.unlock();
    const size_t length = readAt(fd_, offset, buffer_.get(), capacity_);
    lock.lock();
    length_ = length;
    if (state_ == State::kQuit) return;
    state_ = State::kRead;
    changed_.notify_all();
    if (numbers_) convertRead(lock);
  }
}

// Converts the block just read until it is taken or another is asked for; whoever wants
// the block or the thread waits for the few microseconds the conversion takes to stop.
void ReadAhead::convertRead(std::unique_lock<std::mutex>& lock) {
  stopConverting_ = false;
  converting_ = true;
  const char* const bytes = buffer_.get();
  const size_t length = length_;
  ConvertedNumbers& numbers = *numbers_;
  numbers.clear();  // before the block can be taken: none of the last block's entries
  lock.unlock();
  numbers.convert(bytes, length, stopConverting_);
  lock.lock();
  converting_ = false;
  changed_.notify_all();
}

void ReadAhead::convertNumbers(bool faces) {
  const std::lock_guard lock(mutex_);
  if (!numbers_) numbers_ = std::make_unique<ConvertedNumbers>(capacity_, faces);
}

void ReadAhead::ask(int64_t offset) {
  {
    const std::lock_guard lock(mutex_);
    if (state_ != State::kIdle) return;
    offset_ = offset;
    state_ = State::kAsked;
    stopConverting_ = true;
  }
  changed_.notify_all();
}

ReadAhead::State ReadAhead::waitUntilRead(std::unique_lock<std::mutex>& lock) {
  changed_.wait(lock, [this] { return state_ != State::kAsked; });
  return state_;
}

std::optional<size_t> ReadAhead::take(int64_t offset, std::unique_ptr<char[]>& block,
                                      std::unique_ptr<ConvertedNumbers>& numbers) {
  std::unique_lock lock(mutex_);
  if (state_ == State::kRead && offset_ != offset) state_ = State::kIdle;
  // A block that is not wanted is not waited for; the thread is free again once it is read.
  if (state_ != State::kAsked && state_ != State::kRead) return std::nullopt;
  if (offset_ != offset) return std::nullopt;
  if (waitUntilRead(lock) != State::kRead) return std::nullopt;
  // Read, and perhaps being converted since: the table goes as far as it got. The
  // conversion stops within a few KiB without being waited for; the thread reads the next
  // block only once it has, so the block and table are the caller's alone from then on.
  stopConverting_ = true;
  state_ = State::kIdle;
  block.swap(buffer_);
  if (numbers_ && numbers) numbers.swap(numbers_);
  return length_;
}

void ReadAhead::settle() {
  std::unique_lock lock(mutex_);
  stopConverting_ = true;
  changed_.wait(lock, [this] { return !converting_; });
}

bool ReadAhead::asked() const {
  const std::lock_guard lock(mutex_);
  return state_ == State::kAsked || state_ == State::kRead;
}

}  // namespace vlm
