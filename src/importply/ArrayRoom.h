// Room for the data arrays before a body is read into them.
//
// The room asked for is bounded by what the rest of the file could hold, never by a count
// the header declares. Large arrays are offered huge pages where the system supports them:
// writing a fresh array then costs one page fault per 2 MiB instead of one per 4 KiB,
// which on a virtual machine is most of the cost of filling it.
#pragma once

#include <cstddef>
#include <vector>

namespace vlm::ply {

// Asks the system to back the whole 2 MiB pages within [data, data + bytes) with huge
// pages; does nothing where it cannot.
void adviseHugePages(void* data, size_t bytes) noexcept;

// Makes room for `more` elements after the current ones.
template <class T>
void makeRoom(std::vector<T>& array, size_t more) {
  const size_t wanted = array.size() + more;
  if (wanted <= array.capacity()) return;
  array.reserve(wanted);
  adviseHugePages(array.data(), array.capacity() * sizeof(T));
}

}  // namespace vlm::ply
