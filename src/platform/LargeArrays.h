// Room for large arrays: the advice for huge pages (see HugePages.h) on every large block.
//
// Two ways in: `LargeVector` for arrays the code owns (its allocator advises every large
// block it hands out), and `makeRoom` for plain vectors that cross an interface, which
// grows them geometrically into advised room.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/FaultAhead.h"
#include "platform/HugePages.h"

namespace vlm {

// Blocks below this size are not worth a system call.
inline constexpr size_t kLargeArrayBytes = kHugePageBytes;

// std::allocator that advises each block of kLargeArrayBytes or more for huge pages, and
// that does not zero what resize() adds (see construct).
// Such blocks start on a huge page boundary, so that a block of a few MiB, like a mesh
// among many in a file, gets whole huge pages too and not just the ones that happen to
// fit inside it.
template <class T>
struct LargeAllocator {
  using value_type = T;

  LargeAllocator() noexcept = default;
  template <class U>
  LargeAllocator(const LargeAllocator<U>&) noexcept {}

  T* allocate(size_t count) {
    if (count * sizeof(T) < kLargeArrayBytes) return std::allocator<T>().allocate(count);
    T* block = static_cast<T*>(
        ::operator new(count * sizeof(T), std::align_val_t{kHugePageBytes}));
    adviseHugePages(block, count * sizeof(T));
    return block;
  }
  void deallocate(T* block, size_t count) noexcept {
    if (count * sizeof(T) < kLargeArrayBytes) return std::allocator<T>().deallocate(block, count);
    ::operator delete(block, std::align_val_t{kHugePageBytes});
  }

  // A resize() without a value leaves the new elements of trivial types as they come
  // instead of zeroing them first: each such resize here is followed by writing every
  // element, and zeroing would write the fresh memory twice. Values given are stored.
  template <class U>
  void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }

  template <class U>
  bool operator==(const LargeAllocator<U>&) const noexcept {
    return true;
  }
};

template <class T>
using LargeVector = std::vector<T, LargeAllocator<T>>;

// Moves the elements of `array` into fresh room for `capacity` elements (at least its
// size), advised before the elements land in it.
template <class T>
void moveToRoom(std::vector<T>& array, size_t capacity) {
  std::vector<T> room;
  room.reserve(capacity > array.size() ? capacity : array.size());
  adviseHugePages(room.data(), room.capacity() * sizeof(T));
  room.insert(room.end(), std::make_move_iterator(array.begin()),
              std::make_move_iterator(array.end()));
  array.swap(room);
}

// Makes room for `more` elements after the current ones: at least double the capacity
// when it must grow, so appending in steps stays linear.
template <class T>
void makeRoom(std::vector<T>& array, size_t more) {
  const size_t wanted = array.size() + more;
  if (wanted <= array.capacity()) return;
  moveToRoom(array, wanted > 2 * array.capacity() ? wanted : 2 * array.capacity());
}

// Growth of an array that fills while a file is read, without any count to go by.
// Doubling writes fresh memory about twice over, since every older copy was filled whole;
// once a first stretch of the file is behind, the array's share of that stretch forecasts
// its final size instead, so it moves about once. The forecast scales with the bytes the
// file has left, never with a count the file claims.
class FileFedGrowth {
 public:
  // Room for `more` elements, at `position` of a file of `length` bytes.
  // The pages just past the array's end are faulted in on a second processor meanwhile.
  template <class T>
  void makeRoom(std::vector<T>& array, size_t more, int64_t position, int64_t length) {
    if (array.empty() || start_ < 0) start_ = position;
    const size_t wanted = array.size() + more;
    if (wanted > array.capacity()) {
      moveToRoom(array, forecast(array.size(), array.capacity(), wanted, position, length));
    }
    ahead_.wrote(array);
  }

  // The capacity to grow to: doubling until enough of the file is behind to judge.
  size_t forecast(size_t size, size_t capacity, size_t wanted, int64_t position,
                  int64_t length) const noexcept;

 private:
  int64_t start_ = -1;  // where the array began to fill
  FaultAhead ahead_;
};

}  // namespace vlm
