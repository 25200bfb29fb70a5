#include "refhost/Mesh.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

#include "platform/Prefetch.h"
#include "platform/Processors.h"

namespace vlm::refhost {

void Bounds::include(const float* xyz) noexcept {
  // A NaN coordinate has no place in a box.
  if (std::isnan(xyz[0]) || std::isnan(xyz[1]) || std::isnan(xyz[2])) return;
  for (int axis = 0; axis < 3; ++axis) {
    if (empty || xyz[axis] < min[axis]) min[axis] = xyz[axis];
    if (empty || xyz[axis] > max[axis]) max[axis] = xyz[axis];
  }
  empty = false;
}

void Bounds::include(const Bounds& other) noexcept {
  if (other.empty) return;
  include(other.min.data());
  include(other.max.data());
}

std::array<float, 3> Bounds::center() const noexcept {
  if (empty) return {0, 0, 0};
  return {(min[0] + max[0]) / 2, (min[1] + max[1]) / 2, (min[2] + max[2]) / 2};
}

namespace {

// Room about to be written whole, front to back: its second half is faulted in on the
// second processor while the caller writes the first, so that on a machine where fresh
// pages come slowly the two halves take their time side by side.
void faultInSecondHalf(const void* begin, size_t bytes) noexcept {
  const char* const first = static_cast<const char*>(begin);
  faultInBackground(first + bytes / 2, first + bytes);
}

// Room for `more` elements appended one call at a time. Full, the array grows fourfold
// rather than twofold: each move writes the elements into fresh memory again, and fourfold
// growth writes about a third more than the final array instead of as much again. The room
// not yet written takes no memory.
template <class Vector>
void roomToAppend(Vector& array, size_t more) {
  if (array.size() + more > array.capacity()) {
    array.reserve(std::max(array.size() + more, 4 * array.capacity()));
  }
}

}  // namespace

void Mesh::appendVertices(std::span<const float> coords) {
  const size_t start = coords_.size();
  if (start + coords.size() > coords_.capacity()) {  // doubling at least: many calls stay linear
    coords_.reserve(std::max(start + coords.size(), 2 * coords_.capacity()));
  }
  faultInSecondHalf(coords_.data() + start, coords.size() * sizeof(float));
  coords_.insert(coords_.end(), coords.begin(), coords.end());
}

void Mesh::appendVertex(float x, float y, float z) {
  roomToAppend(coords_, 3);
  coords_.push_back(x);
  coords_.push_back(y);
  coords_.push_back(z);
  coordsAhead_.wrote(coords_);
}

bool Mesh::cornersExist(std::span<const int32_t> corners) const noexcept {
  const int32_t count = vertexCount();
  return std::all_of(corners.begin(), corners.end(),
                     [count](int32_t v) { return v >= 0 && v < count; });
}

void Mesh::appendTriangle(int32_t a, int32_t b, int32_t c) {
  roomToAppend(corners_, 3);
  corners_.push_back(a);
  corners_.push_back(b);
  corners_.push_back(c);
  cornersAhead_.wrote(corners_);
  if (!normals_.empty()) {
    roomToAppend(normals_, 9);
    normals_.resize(normals_.size() + 9, 0.0f);
  }
}

bool Mesh::appendPolygon(std::span<const int32_t> corners) {
  const int64_t numbers = corners.size() == 4 ? 2 : 1;
  const bool valid = cornersExist(corners);
  if (!valid) {
    for (int64_t i = 0; i < numbers; ++i) invalidSlots_.push_back(polygonNumbers_ + i);
  } else if (corners.size() == 4) {
    appendTriangle(corners[0], corners[1], corners[2]);
    appendTriangle(corners[2], corners[3], corners[0]);
  } else {
    appendTriangle(corners[0], corners[1], corners[2]);
  }
  polygonNumbers_ += numbers;
  return valid;
}

template <class Next>
int64_t Mesh::appendPolygonsFrom(size_t triangles, size_t expected, Next next) {
  const size_t start = corners_.size();
  corners_.resize(start + 3 * triangles);  // not zeroed: written below, the rest cut off
  int32_t* const room = corners_.data();
  int32_t* out = room + start;
  faultInSecondHalf(out, 3 * std::min(expected, triangles) * sizeof(int32_t));
  const auto count = static_cast<uint32_t>(vertexCount());
  auto exists = [count](int32_t v) { return static_cast<uint32_t>(v) < count; };
  int64_t invalid = 0;
  const int32_t* c = nullptr;
  size_t corners = 0;
  while (next(c, corners)) {
    const int64_t numbers = corners == 4 ? 2 : 1;
    if (exists(c[0]) && exists(c[1]) && exists(c[2]) && (corners == 3 || exists(c[3]))) {
      out[0] = c[0], out[1] = c[1], out[2] = c[2];
      out += 3;
      if (corners == 4) {
        out[0] = c[2], out[1] = c[3], out[2] = c[0];
        out += 3;
      }
    } else {
      for (int64_t i = 0; i < numbers; ++i) invalidSlots_.push_back(polygonNumbers_ + i);
      ++invalid;
    }
    polygonNumbers_ += numbers;
  }
  corners_.resize(static_cast<size_t>(out - room));
  if (!normals_.empty()) normals_.resize(3 * corners_.size(), 0.0f);
  return invalid;
}

void Mesh::takeBack(size_t triangles, int64_t numbers, size_t invalid) {
  corners_.resize(3 * triangles);
  if (!normals_.empty()) normals_.resize(9 * triangles);
  polygonNumbers_ = numbers;
  invalidSlots_.resize(invalid);
}

int64_t Mesh::appendTriangleTriples(std::span<const int32_t> triples) {
  size_t at = 0;
  return appendPolygonsFrom(triples.size() / 3, triples.size() / 3,
                            [&](const int32_t*& c, size_t& corners) {
                              if (triples.size() - at < 3) return false;
                              c = triples.data() + at;
                              corners = 3;
                              at += 3;
                              return true;
                            });
}

int64_t Mesh::invalidBelow(int64_t polygon) const noexcept {
  if (invalidSlots_.empty()) return 0;
  return std::lower_bound(invalidSlots_.begin(), invalidSlots_.end(), polygon) -
         invalidSlots_.begin();
}

int32_t Mesh::storedTriangleOf(int64_t polygon) const noexcept {
  const int64_t below = invalidBelow(polygon);
  if (below < static_cast<int64_t>(invalidSlots_.size()) && invalidSlots_[below] == polygon) {
    return -1;
  }
  return static_cast<int32_t>(polygon - below);
}

std::pair<int32_t, int32_t> Mesh::triangleRange(int64_t first, int64_t last) const noexcept {
  first = std::max<int64_t>(first, 0);
  last = std::min<int64_t>(last, polygonNumbers_ - 1);
  if (first > last) return {0, 0};
  const int64_t begin = first - invalidBelow(first);
  const int64_t end = (last + 1) - invalidBelow(last + 1);
  return {static_cast<int32_t>(begin), static_cast<int32_t>(end)};
}

std::array<float, 9> Mesh::normalsOf(int32_t triangle) const noexcept {
  std::array<float, 9> out{};
  const size_t first = 9 * static_cast<size_t>(triangle);
  if (!normals_.empty()) {
    std::copy_n(normals_.data() + first, 9, out.data());
  } else if (isShared(triangle)) {
    copySharedNormals(triangle, out.data());
  }
  return out;
}

void Mesh::copySharedNormals(int32_t triangle, float* out) const noexcept {
  const int32_t* t = corners_.data() + 3 * static_cast<size_t>(triangle);
  for (size_t k = 0; k < 3; ++k) {
    std::copy_n(vertexNormals_.data() + 3 * static_cast<size_t>(t[k]), 3, out + 3 * k);
  }
}

std::span<float, 9> Mesh::cornerNormalsOf(int32_t triangle) {
  if (normals_.empty()) {
    normals_.assign(corners_.size() * 3, 0.0f);
    unshareNormals();
  }
  return std::span<float, 9>(normals_.data() + 9 * static_cast<size_t>(triangle), 9);
}

bool Mesh::isShared(int32_t triangle) const noexcept {
  // The last run starting at or before the triangle.
  auto after = std::upper_bound(sharedRuns_.begin(), sharedRuns_.end(), triangle,
                                [](int32_t t, const auto& run) { return t < run.first; });
  return after != sharedRuns_.begin() && triangle < std::prev(after)->second;
}

bool Mesh::canShareNormals(int32_t begin, int32_t end) const noexcept {
  if (!normals_.empty()) return false;
  auto after = std::lower_bound(sharedRuns_.begin(), sharedRuns_.end(), begin,
                                [](const auto& run, int32_t b) { return run.first < b; });
  if (after != sharedRuns_.end() && after->first < end) return false;
  return after == sharedRuns_.begin() || std::prev(after)->second <= begin;
}

namespace {

// Normals compared and tested bit for bit: -0 is not +0, and a normal is set when any of
// its bits are.
using NormalBits = std::array<uint32_t, 3>;

NormalBits bitsOf(const float* normal) noexcept {
  NormalBits bits;
  std::memcpy(bits.data(), normal, sizeof bits);
  return bits;
}

bool isSet(const NormalBits& bits) noexcept { return (bits[0] | bits[1] | bits[2]) != 0; }
bool same(const NormalBits& a, const NormalBits& b) noexcept {
  return ((a[0] ^ b[0]) | (a[1] ^ b[1]) | (a[2] ^ b[2])) == 0;
}

// Beyond this many separate runs, normals set triangle by triangle in no useful order are
// kept per triangle instead.
constexpr size_t kMaxSharedRuns = 1024;

}  // namespace

bool Mesh::hasSharedNormal(int32_t vertex) const noexcept {
  const size_t at = 3 * static_cast<size_t>(vertex);
  return at < vertexNormals_.size() && isSet(bitsOf(vertexNormals_.data() + at));
}

namespace {

// Whether a triangle with corners `t` may take these nine normal values in the shared form,
// given the `size` values `held` (three per vertex; a vertex beyond them holds none).
// Without a branch per corner: whether a vertex holds a normal yet follows no pattern.
[[gnu::always_inline]] inline bool mayShare(const int32_t* t, const float* normals,
                                            const float* held, size_t size) noexcept {
  NormalBits given[3];
  bool ok = true;
  for (size_t k = 0; k < 3; ++k) {
    given[k] = bitsOf(normals + 3 * k);
    ok &= isSet(given[k]);
    const size_t at = 3 * static_cast<size_t>(t[k]);
    if (at < size) {
      const NormalBits bits = bitsOf(held + at);
      ok &= !isSet(bits) | same(bits, given[k]);
    }
    for (size_t j = 0; j < k; ++j) ok &= (t[j] != t[k]) | same(given[j], given[k]);
  }
  return ok;
}

// Written as bitsOf reads it, eight bytes and four: neighbouring triangles share corners,
// and a read that spans two separate stores must wait until both are done.
void storeShared(const int32_t* t, const float* normals, float* held) noexcept {
  for (size_t k = 0; k < 3; ++k) {
    std::memcpy(held + 3 * static_cast<size_t>(t[k]), normals + 3 * k, sizeof(NormalBits));
  }
}

// Fewer records or vertices are not worth a second thread.
constexpr size_t kSplitRecordsFrom = size_t{1} << 17;
constexpr size_t kSplitVerticesFrom = size_t{1} << 17;
// Vertices are marked in stretches of this many where a half of the records gave normals.
constexpr size_t kStretch = 512;

// Zeroes the normals of a stretch of vertices, of the `values` in `held`.
void clearStretch(float* held, size_t stretch, size_t values) noexcept {
  const size_t begin = 3 * kStretch * stretch;
  std::fill(held + begin, held + std::min(values, begin + 3 * kStretch), 0.0f);
}

}  // namespace

bool Mesh::shareCornerNormals(int32_t triangle, std::span<const float, 9> normals) {
  if (!normals_.empty()) return false;
  const int32_t* t = corners_.data() + 3 * static_cast<size_t>(triangle);
  prefetchAhead(t);  // normals mostly come in triangle order
  if (!mayShare(t, normals.data(), vertexNormals_.data(), vertexNormals_.size())) return false;
  if (!coverTriangle(triangle)) return false;
  if (vertexNormals_.size() < coords_.size()) vertexNormals_.resize(coords_.size(), 0.0f);
  storeShared(t, normals.data(), vertexNormals_.data());
  return true;
}

struct Mesh::SharedRecords {
  int32_t begin = 0, end = 0;  // the triangles named, in order; empty for none
  int64_t invalid = 0;         // records naming no triangle
  bool shared = true;          // false: out of order, or a normal the form cannot hold
};

Mesh::SharedRecords Mesh::shareRecordsInto(std::span<const float> records, float* held,
                                           uint8_t* given) const noexcept {
  SharedRecords out;
  for (size_t at = 0; at + 10 <= records.size(); at += 10) {
    prefetchAhead(&records[at]);
    const int32_t triangle = triangleOfRecord(records[at]);
    if (triangle < 0) {
      ++out.invalid;
      continue;
    }
    if (out.begin == out.end) {
      out.begin = triangle;
    } else if (triangle != out.end) {
      out.shared = false;
      return out;
    }
    const int32_t* t = corners_.data() + 3 * static_cast<size_t>(triangle);
    prefetchAhead(t);
    for (size_t k = 0; k < 3; ++k) {
      const size_t stretch = static_cast<size_t>(t[k]) / kStretch;
      if (given[stretch] == 0) clearStretch(held, stretch, coords_.size());
      given[stretch] = 1;
    }
    if (!mayShare(t, &records[at + 1], held, coords_.size())) {
      out.shared = false;
      return out;
    }
    storeShared(t, &records[at + 1], held);
    out.end = triangle + 1;
  }
  return out;
}

namespace {

// Joins the normals the second half gave to those the first gave, stretch by stretch of
// vertices: taken whole where the first gave none, one by one where both gave some, and
// zeroed where neither did. False where a vertex got two different normals.
bool joinNormals(float* first, const float* second, const std::vector<uint8_t>& firstGiven,
                 const std::vector<uint8_t>& secondGiven, size_t values) noexcept {
  bool agree[2] = {true, true};
  inTwoHalves(secondGiven.size(), kSplitVerticesFrom / kStretch, [&](size_t from, size_t to) {
    for (size_t stretch = from; stretch < to; ++stretch) {
      if (secondGiven[stretch] == 0) {
        if (firstGiven[stretch] == 0) clearStretch(first, stretch, values);
        continue;
      }
      const size_t begin = 3 * kStretch * stretch;
      const size_t end = std::min(values, begin + 3 * kStretch);
      if (firstGiven[stretch] == 0) {
        std::copy(second + begin, second + end, first + begin);
        continue;
      }
      for (size_t at = begin; at < end; at += 3) {
        const NormalBits joining = bitsOf(second + at);
        if (!isSet(joining)) continue;
        const NormalBits held = bitsOf(first + at);
        if (isSet(held) && held != joining) {
          agree[from != 0] = false;
          return;
        }
        std::memcpy(first + at, second + at, sizeof joining);
      }
    }
  });
  return agree[0] && agree[1];
}

}  // namespace

// The first half goes into what becomes the vertex normals, the second into an array of
// its own, which then joins the first. One by one, the second half's records would have
// met the first's normals: where a vertex got one from each, they must be the same.
std::optional<int64_t> Mesh::shareNormalRecords(std::span<const float> records) {
  const size_t count = records.size() / 10;
  if (count < kSplitRecordsFrom || !secondProcessorAvailable()) return std::nullopt;
  if (!normals_.empty() || !sharedRuns_.empty() || !vertexNormals_.empty()) return std::nullopt;
  LargeVector<float> first;
  LargeVector<float> second;
  SharedRecords halves[2];
  // Per stretch of kStretch vertices, whether a half reached it (zeroed, and perhaps gave
  // some of them normals).
  std::vector<uint8_t> given[2];
  for (auto& marks : given) marks.assign(static_cast<size_t>(vertexCount()) / kStretch + 1, 0);
  inTwoHalves(count, kSplitRecordsFrom, [&](size_t from, size_t to) {
    const size_t half = from == 0 ? 0 : 1;
    LargeVector<float>& held = half == 0 ? first : second;
    // Left as it comes: each half zeroes a stretch of vertices as it first reaches it,
    // and the join the stretches neither reached. So the second half's array is written
    // only where its records lead, and the first's not twice where the second's is copied
    // in. Zeroed by writing, not left to the system: pages first read would be mapped to
    // the zero page and then copied at their first write, each copy interrupting the other
    // processor. Without the memory, the records are left to the one-by-one way, which
    // reports it.
    try {
      held.resize(coords_.size());
    } catch (const std::bad_alloc&) {
      halves[half].shared = false;
      return;
    }
    halves[half] = shareRecordsInto(records.subspan(10 * from, 10 * (to - from)), held.data(),
                                    given[half].data());
  });
  const SharedRecords& a = halves[0];
  const SharedRecords& b = halves[1];
  if (!a.shared || !b.shared) return std::nullopt;
  if (a.begin != a.end && b.begin != b.end && b.begin < a.end) return std::nullopt;
  if ((a.begin != a.end || b.begin != b.end) &&
      !joinNormals(first.data(), second.data(), given[0], given[1], coords_.size())) {
    return std::nullopt;
  }
  if (a.begin != a.end || b.begin != b.end) vertexNormals_ = std::move(first);
  if (a.begin != a.end) sharedRuns_.emplace_back(a.begin, a.end);
  if (b.begin != b.end) {
    if (!sharedRuns_.empty() && sharedRuns_.back().second == b.begin) {
      sharedRuns_.back().second = b.end;
    } else {
      sharedRuns_.emplace_back(b.begin, b.end);
    }
  }
  return a.invalid + b.invalid;
}

bool Mesh::coverTriangle(int32_t triangle) {
  // Normals mostly come in triangle order, each extending the last run.
  if (!sharedRuns_.empty() && sharedRuns_.back().second == triangle) {
    ++sharedRuns_.back().second;
    return true;
  }
  auto after = std::upper_bound(sharedRuns_.begin(), sharedRuns_.end(), triangle,
                                [](int32_t t, const auto& run) { return t < run.first; });
  if (after != sharedRuns_.begin()) {
    auto& before = *std::prev(after);
    if (triangle < before.second) return true;
    if (triangle == before.second) {
      ++before.second;
      if (after != sharedRuns_.end() && after->first == before.second) {
        before.second = after->second;
        sharedRuns_.erase(after);
      }
      return true;
    }
  }
  if (after != sharedRuns_.end() && after->first == triangle + 1) {
    after->first = triangle;
    return true;
  }
  if (sharedRuns_.size() >= kMaxSharedRuns) return false;
  sharedRuns_.insert(after, {triangle, triangle + 1});
  return true;
}

void Mesh::setSharedNormal(int32_t vertex, const std::array<float, 3>& normal) {
  if (vertexNormals_.size() < coords_.size()) vertexNormals_.resize(coords_.size(), 0.0f);
  std::copy(normal.begin(), normal.end(),
            vertexNormals_.begin() + 3 * static_cast<ptrdiff_t>(vertex));
}

void Mesh::adoptSharedNormals(LargeVector<float>&& normals, int32_t begin, int32_t end) {
  vertexNormals_ = std::move(normals);
  addSharedRun(begin, end);
}

void Mesh::addSharedRun(int32_t begin, int32_t end) {
  const std::pair<int32_t, int32_t> run{begin, end};
  sharedRuns_.insert(std::upper_bound(sharedRuns_.begin(), sharedRuns_.end(), run), run);
}

// Writes the shared normals out as nine values per triangle and lets the shared form go.
// Called with normals_ already sized and zero.
void Mesh::unshareNormals() {
  for (const auto& [begin, end] : sharedRuns_) {
    for (int32_t t = begin; t < end; ++t)
      copySharedNormals(t, normals_.data() + 9 * static_cast<size_t>(t));
  }
  sharedRuns_.clear();
  LargeVector<float>().swap(vertexNormals_);
}

// Bounds::include for every vertex, in one pass that keeps the running box in registers:
// a value replaces the bound only when it lies strictly beyond it, the first vertex's
// values included, as include would.
// The halves of a large list are boxed side by side. Their boxes join as the one pass
// would have: where values tie (-0 and +0), the first half's stays, as the first met would.
Bounds Mesh::bounds() const noexcept {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  Bounds halves[2];
  inTwoHalves(coords_.size() / 3, kSplitVerticesFrom, [&](size_t first, size_t last) {
    std::array<float, 3> low{kInf, kInf, kInf}, high{-kInf, -kInf, -kInf};
    bool any = false;
    for (size_t i = 3 * first; i < 3 * last; i += 3) {
      const float* v = &coords_[i];
      prefetchAhead(v);
      if (std::isnan(v[0]) || std::isnan(v[1]) || std::isnan(v[2])) continue;
      for (size_t axis = 0; axis < 3; ++axis) {
        low[axis] = v[axis] < low[axis] ? v[axis] : low[axis];
        high[axis] = v[axis] > high[axis] ? v[axis] : high[axis];
      }
      any = true;
    }
    if (any) halves[first == 0 ? 0 : 1] = Bounds{low, high, false};
  });
  Bounds box = halves[0];
  box.include(halves[1]);
  return box;
}

// Every vertex moves alone, so the two halves of a large list move side by side.
void Mesh::translate(const std::array<float, 3>& offset) noexcept {
  inTwoHalves(coords_.size() / 3, kSplitVerticesFrom, [&](size_t first, size_t last) {
    for (size_t i = 3 * first; i < 3 * last; i += 3) {
      coords_[i] += offset[0];
      coords_[i + 1] += offset[1];
      coords_[i + 2] += offset[2];
    }
  });
}

}  // namespace vlm::refhost
