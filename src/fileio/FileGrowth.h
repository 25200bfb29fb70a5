// Room for an array that fills while a file is read, with no count to go by.
//
// Doubling writes fresh memory about twice over, since every older copy was filled whole,
// and fresh memory is what an import of a large file pays most for. Once a first stretch of
// the file is behind, the array's share of that stretch forecasts its final size instead,
// so it moves about once. The forecast scales with the bytes the file has left, never with
// a count the file claims, so a damaged file cannot make it reserve more than its size
// warrants.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vlm {

class FileGrowth {
 public:
  // Makes room for `more` elements after those of `array`, which fills from a file of
  // `length` bytes, `position` bytes of it read. One comparison while there is room.
  template <class T>
  void reserve(std::vector<T>& array, size_t more, int64_t position, int64_t length) {
    if (array.empty() || start_ < 0) start_ = position;
    const size_t wanted = array.size() + more;
    if (wanted > array.capacity()) {
      array.reserve(capacityFor(array.size(), array.capacity(), wanted, position, length));
    }
  }

  // The capacity to grow to: doubling until enough of the file is behind to judge.
  size_t capacityFor(size_t size, size_t capacity, size_t wanted, int64_t position,
                     int64_t length) const noexcept;

 private:
  int64_t start_ = -1;  // where the array began to fill
};

}  // namespace vlm
