#include "platform/HugePages.h"

#include <sys/mman.h>
#include <time.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>

namespace vlm {

namespace {

// What 2 MiB of small pages cost to fault in here, give or take.
constexpr int64_t kSmallPagesNs = 750'000;
// Below this, the range was faulted in already, mostly: it says nothing of the next page.
constexpr int64_t kFaultedNs = 100'000;
// How far huge pages may fall behind small ones before they are withdrawn: a little more
// than two dear pages. Where the host reclaimed little, a dear page comes now and then
// among a score of cheap ones, and two sometimes close together; given up at the second,
// 100 MB OBJ imports after another program's runs took 0.120 to 0.155 s (median of eight
// rounds 0.129), against 0.118 to 0.145 (0.125) at the third. Where the host reclaimed
// much, every other page is dear, and the third gives them up.
constexpr int64_t kAllowanceNs = 10'000'000;
// How long huge pages are not offered after they came dear: the host's memory keeps its
// state through an import, but it may change between imports.
constexpr int64_t kDearForNs = 2'000'000'000;
// The blocks offered lately, whose offer dear pages withdraw. Older ones are written.
constexpr size_t kRemembered = 64;

int64_t nanoseconds(clockid_t clock) noexcept {
  timespec t{};
  ::clock_gettime(clock, &t);
  return int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec;
}

struct Block {
  uintptr_t first;
  uintptr_t last;
};

class Offers {
 public:
  bool cheap() const noexcept {
    const int64_t until = dearUntil_.load(std::memory_order_relaxed);
    return until == 0 || nanoseconds(CLOCK_MONOTONIC) >= until;
  }

  void offer(Block block) noexcept {
#ifdef MADV_HUGEPAGE
    std::lock_guard lock(mutex_);
    ::madvise(reinterpret_cast<void*>(block.first), block.last - block.first, MADV_HUGEPAGE);
    blocks_[next_++ % kRemembered] = block;
#else
    (void)block;
#endif
  }

  bool keep(int64_t ns) noexcept {
    std::lock_guard lock(mutex_);
    return account_.keep(ns);
  }

  // A block remembered may have been freed since, and its range may now belong to another
  // allocation: the advice changes no byte, only the size of pages still to come.
  void withdraw() noexcept {
    dearUntil_.store(nanoseconds(CLOCK_MONOTONIC) + kDearForNs, std::memory_order_relaxed);
#ifdef MADV_NOHUGEPAGE
    std::lock_guard lock(mutex_);
    for (Block& block : blocks_) {
      if (block.last > block.first) {
        ::madvise(reinterpret_cast<void*>(block.first), block.last - block.first, MADV_NOHUGEPAGE);
      }
      block = Block{};
    }
#endif
  }

 private:
  std::atomic<int64_t> dearUntil_{0};  // monotonic; 0 while huge pages come cheap
  std::mutex mutex_;
  std::array<Block, kRemembered> blocks_{};
  size_t next_ = 0;
  HugePageAccount account_;  // of the pages faulted in, on any thread
};

// Never destroyed, like the fault-ahead worker that uses it, which may still be at work
// while the process ends.
Offers& offers() noexcept {
  static Offers* const o = new Offers;
  return *o;
}

}  // namespace

// Cheap pages only pay back what dear ones cost, without building up credit: however long
// huge pages came cheap, a host that starts to reclaim is noticed within three pages.
bool HugePageAccount::keep(int64_t ns) noexcept {
  if (ns < kFaultedNs) return true;
  balance_ = std::min(int64_t{0}, balance_ + kSmallPagesNs - ns);
  if (balance_ >= -kAllowanceNs) return true;
  balance_ = 0;
  return false;
}

bool hugePagesComeCheap() noexcept { return offers().cheap(); }

void faultIn(uintptr_t begin, uintptr_t end) noexcept {
#ifdef MADV_POPULATE_WRITE
  ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#else
  (void)begin;
  (void)end;
#endif
}

// Timed on this thread's own clock, which counts the time the host takes to find the
// memory but not the time other threads run.
bool faultInTimed(uintptr_t begin, uintptr_t end) noexcept {
  const int64_t start = nanoseconds(CLOCK_THREAD_CPUTIME_ID);
  faultIn(begin, end);
  if (offers().keep(nanoseconds(CLOCK_THREAD_CPUTIME_ID) - start)) return true;
  withdrawHugePages();
  return false;
}

void withdrawHugePages() noexcept { offers().withdraw(); }

void adviseHugePages(void* data, size_t bytes) noexcept {
  constexpr uintptr_t kHugePage = kHugePageBytes;
  if (data == nullptr || bytes < kHugePage || !hugePagesComeCheap()) return;
  const auto begin = reinterpret_cast<uintptr_t>(data);
  const uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
  const uintptr_t last = (begin + bytes) & ~(kHugePage - 1);
  if (last <= first) return;
  offers().offer(Block{first, last});
  // The block is about to be written from its start.
  faultInTimed(first, first + kHugePage);
}

}  // namespace vlm
