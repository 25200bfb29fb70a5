// Faulting in the pages just ahead of an array's writer, on a second processor.
//
// The first write to a page of fresh memory traps into the system, which clears the page
// before the write goes on; on a virtual machine the host may have to find the page first,
// and then a 2 MiB huge page can take milliseconds. An import that fills 100 MB of arrays
// may wait a good part of its time so. With a second processor a worker thread takes
// those faults a little ahead of the writer, which then finds its pages ready.
//
// Faulting a page in changes none of its bytes. A request that comes late, for a block
// already freed or handed to another allocation meanwhile, costs a little memory at most.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vlm {

// Asks the worker to fault in the whole pages of [begin, end), in the background. Nothing
// happens with one processor, or when the worker already has many requests waiting.
void faultInBackground(const char* begin, const char* end) noexcept;

// The writer's side, for one array that fills from its start: told how far the array is
// written, it keeps the next kLead to 2 * kLead bytes of its room asked for, and no more,
// so that the memory touched before its time stays within a huge page or two.
class FaultAhead {
 public:
  static constexpr size_t kLead = size_t{2} << 20;

  // `data` is the array's storage (`capacity` bytes), written up to `written` bytes.
  // One comparison on the way when there is nothing to ask.
  void wrote(const void* data, size_t written, size_t capacity) noexcept {
    const uintptr_t at = reinterpret_cast<uintptr_t>(data) + written;
    if (data != block_ || at + kLead > asked_) askAhead(data, at, capacity);
  }
  // The same for a vector, written up to its size.
  template <class Vector>
  void wrote(const Vector& array) noexcept {
    using T = typename Vector::value_type;
    wrote(array.data(), array.size() * sizeof(T), array.capacity() * sizeof(T));
  }

 private:
  void askAhead(const void* data, uintptr_t at, size_t capacity) noexcept;

  const void* block_ = nullptr;  // the storage asked for last
  uintptr_t asked_ = 0;          // where the requests for it end; all of it: the maximum
};

}  // namespace vlm
