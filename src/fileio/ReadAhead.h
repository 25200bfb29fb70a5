// Reading a file's next block on a helper thread while the importing thread works on the
// current one.
//
// Copying a block out of the page cache is a tenth of a text import's time. Where a second
// processor may be used, the file table asks for the next block as it takes one and finds
// it read when its reader gets there. Only bytes move between the threads; everything an
// import does line by line stays on the importing thread.
//
// The helper belongs to one open file, so to one import: it starts with the file's first
// block and is joined when the file closes, which every importer's Load does on every way
// out. A block the helper has not begun to read by the time it is wanted is taken back and
// read by the importing thread itself, so a helper that gets no processor (a busy machine)
// never makes the import wait for it.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace vlm {

// Reads `count` bytes at `offset` of the open file `fd` into `dst`, through short reads
// and interruptions; returns how many it got. An I/O error reads as the end of the file.
size_t readAt(int fd, int64_t offset, char* dst, size_t count) noexcept;

// True where a helper thread may run beside the importing one: the process may use more
// than one processor, and VLM_THREADS=1 is not set in the environment.
bool helperThreadWanted() noexcept;

class ReadAhead {
 public:
  // A reader of `capacity`-byte blocks of `fd`, which must stay open while it lives.
  // std::system_error when no thread can be started.
  ReadAhead(int fd, size_t capacity);
  // Waits for a read under way and joins the thread.
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // Asks for the block at `offset`, unless the helper is still busy with another.
  void ask(int64_t offset);
  // The block at `offset` when it was asked for: waits while the helper reads it, swaps
  // its buffer with `block` and returns the bytes read. Nothing when it was not asked for,
  // or when the helper had not begun to read it; the caller reads it itself then.
  std::optional<size_t> take(int64_t offset, std::unique_ptr<char[]>& block);

 private:
  enum class State : uint8_t { kIdle, kAsked, kReading, kRead, kQuit };

  void run();

  const int fd_;
  const size_t capacity_;
  std::unique_ptr<char[]> buffer_;
  std::mutex mutex_;
  std::condition_variable changed_;
  State state_ = State::kIdle;
  int64_t offset_ = 0;  // of the block asked for
  size_t length_ = 0;   // the bytes read there
  std::thread thread_;  // last: it starts once everything above is in place
};

}  // namespace vlm
