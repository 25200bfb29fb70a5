#include "refhost/Mesh.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace vlm::refhost {

void Bounds::include(const Bounds& other) noexcept {
  if (other.empty) return;
  for (size_t axis = 0; axis < 3; ++axis) {
    if (empty || other.min[axis] < min[axis]) min[axis] = other.min[axis];
    if (empty || other.max[axis] > max[axis]) max[axis] = other.max[axis];
  }
  empty = false;
}

std::array<float, 3> Bounds::center() const noexcept {
  if (empty) return {0, 0, 0};
  return {(min[0] + max[0]) / 2, (min[1] + max[1]) / 2, (min[2] + max[2]) / 2};
}

void Mesh::appendVertices(std::span<const float> coords) {
  coords_.insert(coords_.end(), coords.begin(), coords.end());
}

void Mesh::appendVertex(float x, float y, float z) {
  roomFor(coords_, 3);
  coords_.push_back(x);
  coords_.push_back(y);
  coords_.push_back(z);
}

namespace {

// Triangles gathered in a small block and appended to the corner list a block at a time,
// so that the loop over polygons writes plain memory.
class TriangleBlock {
 public:
  explicit TriangleBlock(std::vector<int32_t>& corners) : corners_(corners) {}
  void add(int32_t a, int32_t b, int32_t c) {
    if (size_ == block_.size()) flush();
    block_[size_] = a, block_[size_ + 1] = b, block_[size_ + 2] = c;
    size_ += 3;
  }
  void flush() {
    corners_.insert(corners_.end(), block_.data(), block_.data() + size_);
    size_ = 0;
  }

 private:
  std::vector<int32_t>& corners_;
  std::array<int32_t, 3 * 1024> block_;
  size_t size_ = 0;
};

}  // namespace

template <class Next>
int64_t Mesh::appendPolygons(Next next) {
  TriangleBlock triangles(corners_);
  // A negative index turns into one past every vertex count.
  const auto count = static_cast<uint32_t>(vertexCount());
  auto exists = [count](int32_t v) { return static_cast<uint32_t>(v) < count; };
  int64_t invalid = 0;  // a quad counts once
  int64_t number = polygonNumbers_;
  const int32_t* c = nullptr;
  size_t corners = 0;
  while (next(c, corners)) {
    const bool quad = corners == 4;
    if (exists(c[0]) && exists(c[1]) && exists(c[2]) && (!quad || exists(c[3]))) {
      triangles.add(c[0], c[1], c[2]);
      if (quad) triangles.add(c[2], c[3], c[0]);
    } else {
      invalidSlots_.push_back(number);
      if (quad) invalidSlots_.push_back(number + 1);
      ++invalid;
    }
    number += quad ? 2 : 1;
  }
  triangles.flush();
  polygonNumbers_ = number;
  return invalid;
}

int64_t Mesh::appendTriangleTriples(std::span<const int32_t> triples) {
  roomFor(corners_, triples.size());
  size_t at = 0;
  return appendPolygons([&](const int32_t*& c, size_t& count) {
    if (triples.size() - at < 3) return false;
    c = &triples[at], count = 3, at += 3;
    return true;
  });
}

int64_t Mesh::appendPolygonRecords(std::span<const int32_t> records,
                                   const std::function<void(size_t)>& malformed) {
  const size_t corners = corners_.size(), invalidBefore = invalidSlots_.size();
  const int64_t numbers = polygonNumbers_;
  // The most corners the values can hold: six for every five, as quads.
  roomFor(corners_, records.size() / 5 * 6 + 3);
  size_t at = 0;
  const int64_t invalid = appendPolygons([&](const int32_t*& c, size_t& count) {
    // A record of no corners holds no polygon and takes no number.
    while (at < records.size() && records[at] == 0) ++at;
    if (at == records.size()) return false;
    count = static_cast<size_t>(records[at]);
    if (!(count == 3 || count == 4) || records.size() - at - 1 < count) return false;
    c = &records[at + 1], at += 1 + count;
    return true;
  });
  if (at == records.size()) return invalid;
  // Everything the list added is taken back.
  corners_.resize(corners);
  polygonNumbers_ = numbers;
  invalidSlots_.resize(invalidBefore);
  malformed(at);
  return 0;
}

int64_t Mesh::invalidBelow(int64_t polygon) const noexcept {
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

// One pass that keeps the running box in locals. A value replaces a bound only when it
// lies strictly beyond it, so of -0 and +0 the first met stays. A vertex with a NaN
// coordinate has no place in a box.
Bounds Mesh::bounds() const noexcept {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  std::array<float, 3> low{kInf, kInf, kInf}, high{-kInf, -kInf, -kInf};
  bool any = false;
  for (size_t i = 0; i < coords_.size(); i += 3) {
    const float* v = &coords_[i];
    if (std::isnan(v[0]) || std::isnan(v[1]) || std::isnan(v[2])) continue;
    for (size_t axis = 0; axis < 3; ++axis) {
      low[axis] = v[axis] < low[axis] ? v[axis] : low[axis];
      high[axis] = v[axis] > high[axis] ? v[axis] : high[axis];
    }
    any = true;
  }
  return any ? Bounds{low, high, false} : Bounds{};
}

void Mesh::translate(const std::array<float, 3>& offset) noexcept {
  for (size_t i = 0; i < coords_.size(); i += 3) {
    coords_[i] += offset[0];
    coords_[i + 1] += offset[1];
    coords_[i + 2] += offset[2];
  }
}

void Mesh::scale(float factor) noexcept {
  for (float& c : coords_) c *= factor;
}

}  // namespace vlm::refhost
