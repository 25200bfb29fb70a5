// Reading a file's next block on a second thread while the caller works on the current one.
//
// A text import spends a tenth to a third of its time copying the file out of the page
// cache, one block after another. With a second processor that copy can happen while the
// importing thread parses the block before: the file table asks for the next block as it
// takes one, and takes it, already read, when its reader gets there. Only the bytes move
// between threads, a block at a time, so everything an import does line by line (the host
// calls, CharsRead, the progress reports, the stop checks) stays on the importing thread,
// as it was.
//
// An importer of text may also have the thread convert the numbers of each block it read,
// while the block waits to be taken (ConvertedNumbers.h). The table goes with its block.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/ConvertedNumbers.h"

namespace vlm {

// Reads `count` bytes at `offset` of the open file `fd` into `dst`, through short reads
// and interruptions; returns how many it got. An I/O error reads as the end of the file.
size_t readAt(int fd, int64_t offset, char* dst, size_t count) noexcept;

class ReadAhead {
 public:
  // A reader of `capacity`-byte blocks of `fd` (which must stay open while it lives).
  // std::system_error when no thread can be started.
  ReadAhead(int fd, size_t capacity);
  // Waits for a read under way and ends the thread.
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // From the next block read on, converts the numbers of each block after reading it,
  // and with `faces` reads its plain face lines whole.
  void convertNumbers(bool faces = false);

  // Starts reading the block at `offset`, unless a block was asked for and not yet taken.
  void ask(int64_t offset);
  // The block asked for, when it starts at `offset`: waits until it is read, swaps its
  // buffer with `block` (`capacity` bytes) and returns the bytes read; with numbers
  // converted, their table is swapped with `numbers` too, as far as it got. Otherwise
  // nothing, without waiting for a read: a block read elsewhere is dropped, one still
  // being read is dropped when it is done. The thread may go on reading the block and
  // adding to its table for a few microseconds: the caller only reads both until the next
  // take, or until settle() before it writes the block itself.
  std::optional<size_t> take(int64_t offset, std::unique_ptr<char[]>& block,
                             std::unique_ptr<ConvertedNumbers>& numbers);
  // Waits until no conversion is under way, stopping the one there is.
  void settle();
  // True while a block is asked for and not yet taken.
  bool asked() const;

 private:
  enum class State : uint8_t { kIdle, kAsked, kRead, kQuit };

  void run();
  void convertRead(std::unique_lock<std::mutex>& lock);
  State waitUntilRead(std::unique_lock<std::mutex>& lock);

  const int fd_;
  const size_t capacity_;
  std::unique_ptr<char[]> buffer_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  State state_ = State::kIdle;
  int64_t offset_ = 0;  // where the block asked for starts
  size_t length_ = 0;   // the bytes read there
  std::unique_ptr<ConvertedNumbers> numbers_;  // the table of buffer_, when converting
  bool converting_ = false;                    // numbers_ is being filled
  std::atomic<bool> stopConverting_{false};
  std::thread thread_;  // last: it starts once everything above is in place
};

}  // namespace vlm
