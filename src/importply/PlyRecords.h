// Decoding of binary PLY records straight from the file buffer.
//
// The binary body reader hands these functions the bytes of many whole records at once;
// they copy, swap and widen the values in tight loops instead of reading value by value.
// They never raise: a record whose values do not convert (a coordinate beyond single
// range, an index beyond 32 bits) ends the batch before it, and the reader then reads that
// record value by value, which raises the error at the same record.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "importply/PlyTypes.h"

namespace vlm::ply {

// Where x, y and z lie in a vertex record. Each record sets every axis that has a
// property (the last property of that axis wins), so an axis without one stays 0.
struct VertexLayout {
  uint32_t size = 0;                       // bytes per record
  std::array<int32_t, 3> code{-1, -1, -1};  // type code giving each axis, -1 for none
  std::array<uint32_t, 3> offset{};        // byte offset of that value in the record

  // The layout of records of scalar properties (lists have no size here).
  static VertexLayout of(std::span<const PLYProperty> props) noexcept;
};

// Converts `count` whole records at `src` into x*10, y*10, z*10 each at `out`. Returns the
// number converted, fewer than `count` when a record does not convert.
size_t decodeVertices(const VertexLayout& layout, bool swap, const char* src, size_t count,
                      float* out) noexcept;

// The face record: scalars to pass over and lists, each of which may make a polygon.
struct FaceLayout {
  struct Entry {
    bool list = false;
    int32_t countCode = 0;  // lists
    int32_t itemCode = 0;   // lists
    uint32_t size = 0;      // scalars: bytes; lists: bytes of the count
  };
  std::vector<Entry> entries;
  uint32_t minSize = 0;   // bytes of a record whose lists are all empty
  size_t listCount = 0;

  static FaceLayout of(std::span<const PLYProperty> props);
  // Polygon entries one record can add at most (a quadrilateral per list).
  size_t maxEntriesPerRecord() const noexcept { return 5 * listCount; }
  // Polygon entries `bytes` of records can add at most: a polygon of n corners adds n + 1
  // entries and takes at least its count and n items.
  size_t maxEntriesIn(uint64_t bytes) const noexcept;
};

// Where a batch of decoded records ends: for record i, the byte offset after it (from the
// batch's first byte) and the polygon fill after it.
struct BatchMarks {
  std::vector<uint32_t> ends;
  std::vector<size_t> fills;
};

// Decodes up to `count` face records lying whole in `src` (`avail` bytes). Lists of 3 or 4
// items append a polygon record (corner count, then the indices) at out[fill...]; other
// lists and scalars are passed over. `out` has room for count * maxEntriesPerRecord()
// entries from `fill` on. Records the bytes do not hold whole are left for the caller.
// Returns the number of records decoded; `fill` and `marks` tell where each one ended.
size_t decodeFaces(const FaceLayout& layout, bool swap, const char* src, size_t avail,
                   size_t count, int32_t* out, size_t& fill, BatchMarks& marks) noexcept;

// Triangle strip state: a window of up to three indices, the orientation flag and the
// last value read, which ends the strip when it is negative.
struct StripState {
  std::array<int32_t, 3> window{};
  int32_t held = 0;
  bool flipped = false;
  int32_t last = 0;

  // A pass begins: after a negative value the next pass starts a new strip.
  void beginPass() noexcept {
    if (last < 0) {
      held = 0;
      flipped = false;
      last = 0;
    }
  }
  // Takes index `v`; writes a triangle record (3, a, b, c) at `out` and returns 4 when the
  // window is full, else returns 0.
  size_t add(int32_t v, int32_t* out) noexcept;
};

// Decodes `count` strip items of `itemCode` at `src` (one list entry, nothing else in the
// pass), each item a pass of its own. Triangles go to out[fill...] (room for 4 per item);
// fills[i] is the fill after item i. Returns the number of items decoded, fewer when one
// does not convert.
size_t decodeStripItems(int32_t itemCode, bool swap, const char* src, size_t count,
                        StripState& state, int32_t* out, size_t& fill,
                        std::vector<size_t>& fills) noexcept;

// One value of `code` at `src` as a double (0 for an unknown code).
double valueAt(int32_t code, bool swap, const char* src) noexcept;

}  // namespace vlm::ply
