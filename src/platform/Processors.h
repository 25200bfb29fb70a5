// How many processors this process may run on, and work split between two of them.
#pragma once

#include <cstddef>
#include <thread>

namespace vlm {

// True when this process may run on more than one processor: only then does work handed
// to a second thread run beside the first instead of taking turns with it.
bool secondProcessorAvailable() noexcept;

// part(0, count / 2) here and part(count / 2, count) on a second thread when `count` is
// at least `least` and a second processor is available; part(0, count) here otherwise. The
// halves must not write anything the other reads or writes, and `part` must not throw.
template <class Part>
void inTwoHalves(size_t count, size_t least, Part part) {
  std::jthread second;
  if (count >= least && secondProcessorAvailable()) {
    try {
      second = std::jthread([&] { part(count / 2, count); });
    } catch (...) {  // no thread: the whole on this one
    }
  }
  if (!second.joinable()) return part(0, count);
  part(0, count / 2);
}

}  // namespace vlm
