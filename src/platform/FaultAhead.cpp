#include "platform/FaultAhead.h"

#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "platform/HugePages.h"
#include "platform/Processors.h"

namespace vlm {

namespace {

// Requests beyond this many waiting are dropped: the writer then faults those pages itself.
constexpr size_t kWaiting = 32;

struct Range {
  uintptr_t begin;
  uintptr_t end;
};

// One worker for the process, started with the first request. It is never stopped: idle,
// it waits on its condition, and the end of the process ends it.
class Worker {
 public:
  void post(Range range) noexcept {
    {
      std::lock_guard lock(mutex_);
      if (count_ == kWaiting) return;
      queue_[(first_ + count_) % kWaiting] = range;
      ++count_;
    }
    waiting_.notify_one();
  }

  void run() noexcept {
    // Only a processor with nothing else to do: while the importing and reading threads
    // keep both busy, a page not faulted in ahead is faulted in by its writer, instead of
    // the worker taking turns with the threads whose work waits on each other.
    const sched_param none{};
    ::pthread_setschedparam(::pthread_self(), SCHED_IDLE, &none);
    std::unique_lock lock(mutex_);
    for (;;) {
      waiting_.wait(lock, [this] { return count_ > 0; });
      const Range range = queue_[first_];
      first_ = (first_ + 1) % kWaiting;
      --count_;
      lock.unlock();
      populate(range);
      lock.lock();
    }
  }

 private:
  // A huge page at a time, each timed, while huge pages come cheap.
  static void populate(Range range) noexcept {
    constexpr uintptr_t kHugePage = kHugePageBytes;
    for (uintptr_t at = range.begin; at < range.end;) {
      if (!hugePagesComeCheap()) return faultIn(at, range.end);
      const uintptr_t next = std::min(range.end, (at + kHugePage) & ~(kHugePage - 1));
      faultInTimed(at, next);
      at = next;
    }
  }

  std::mutex mutex_;
  std::condition_variable waiting_;
  std::array<Range, kWaiting> queue_{};
  size_t first_ = 0;
  size_t count_ = 0;
};

// The worker, or null with one processor or when no thread could be started.
Worker* worker() noexcept {
  static Worker* const started = []() noexcept -> Worker* {
    if (!secondProcessorAvailable()) return nullptr;
    auto* w = new (std::nothrow) Worker;
    if (w == nullptr) return nullptr;
    try {
      std::thread([w] { w->run(); }).detach();
    } catch (const std::system_error&) {
      delete w;
      return nullptr;
    }
    return w;
  }();
  return started;
}

}  // namespace

void faultInBackground(const char* begin, const char* end) noexcept {
  static const auto page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
  // Whole pages only: the page under way at the start is the writer's already, and the
  // one cut at the end may belong to the next allocation.
  const uintptr_t first = (reinterpret_cast<uintptr_t>(begin) + page - 1) & ~(page - 1);
  const uintptr_t last = reinterpret_cast<uintptr_t>(end) & ~(page - 1);
  if (last <= first) return;
  if (Worker* w = worker()) w->post(Range{first, last});
}

void FaultAhead::askAhead(const void* data, uintptr_t at, size_t capacity) noexcept {
  if (data != block_) {  // new storage: nothing of it asked for yet
    block_ = data;
    asked_ = at;
  }
  const uintptr_t end = reinterpret_cast<uintptr_t>(data) + capacity;
  const uintptr_t target = std::min(end, at + 2 * kLead);
  // Nothing is asked when the target lies within what was asked already.
  faultInBackground(reinterpret_cast<const char*>(std::max(asked_, at)),
                    reinterpret_cast<const char*>(target));
  asked_ = target == end ? UINTPTR_MAX : std::max(asked_, target);
}

}  // namespace vlm
