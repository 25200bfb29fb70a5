// Asking for the bytes a sequential pass will read a few KiB from now.
//
// A pass over an array that was written long ago (a mesh's 30 MB of coordinates, an
// importer's polygon records) reads from main memory. On some virtual machines the
// processor's own prefetching does not keep up with such a stream, and the pass runs at a
// third of memory speed, waiting on every cache line; asking for the line 3 KiB ahead
// keeps the stream full. A prefetch past an array's end is harmless: it never faults.
#pragma once

#include <cstddef>

namespace vlm {

inline constexpr size_t kPrefetchBytes = 3072;

inline void prefetchAhead(const void* at) noexcept {
  __builtin_prefetch(static_cast<const char*>(at) + kPrefetchBytes);
}

}  // namespace vlm
