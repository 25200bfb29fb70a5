#include "refhost/Smoothing.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>
#include <numeric>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "refhost/Vec3.h"

namespace vlm::refhost {

namespace {

using Vec = Vec3f;

// Twice the triangle's area times its unit normal: the area weight comes for free.
Vec faceCross(const Mesh& mesh, int32_t triangle) noexcept {
  const float* v = mesh.vertices().data();
  const int32_t* t = mesh.triangles().data() + 3 * static_cast<size_t>(triangle);
  return edgeCross<float>(v + 3 * static_cast<size_t>(t[0]), v + 3 * static_cast<size_t>(t[1]),
                          v + 3 * static_cast<size_t>(t[2]));
}

void add(float* sum, const Vec& v) noexcept {
  sum[0] += v[0];
  sum[1] += v[1];
  sum[2] += v[2];
}

// Writes `normal` to the corners of `triangle` that lie in position group `group`.
void writeCorners(Mesh& mesh, const PositionGroups& groups, int32_t triangle, int32_t group,
                  const Vec& normal) {
  std::span<float, 9> out = mesh.cornerNormalsOf(triangle);
  const int32_t* t = mesh.triangles().data() + 3 * static_cast<size_t>(triangle);
  for (int k = 0; k < 3; ++k) {
    if (groups.groupOf(t[k]) != group) continue;
    out[3 * k] = normal[0];
    out[3 * k + 1] = normal[1];
    out[3 * k + 2] = normal[2];
  }
}

uint32_t keyBits(float value) noexcept { return std::bit_cast<uint32_t>(value + 0.0f); }

uint64_t positionHash(const float* p) noexcept {
  uint64_t h = keyBits(p[0]);
  h = h * 0x9E3779B97F4A7C15ull ^ keyBits(p[1]);
  h = h * 0x9E3779B97F4A7C15ull ^ keyBits(p[2]);
  return (h ^ (h >> 29)) * 0xBF58476D1CE4E5B9ull;
}

constexpr size_t kSlotsPerGroup = 16;

// Bit i set where byte i of the 16 at `bytes` equals `value`.
uint32_t matchingBytes(const uint8_t* bytes, uint8_t value) noexcept {
#if defined(__SSE2__)
  const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
  return static_cast<uint32_t>(
      _mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8(static_cast<char>(value)))));
#else
  uint32_t bits = 0;
  for (size_t i = 0; i < kSlotsPerGroup; ++i) bits |= uint32_t{bytes[i] == value} << i;
  return bits;
#endif
}

bool samePosition(const float* a, const float* b) noexcept {
  return keyBits(a[0]) == keyBits(b[0]) && keyBits(a[1]) == keyBits(b[1]) &&
         keyBits(a[2]) == keyBits(b[2]);
}

}  // namespace

// Open addressing over groups of 16 slots. Each slot has a byte, zero while it is empty
// and otherwise eight bits of the hash of its position, and the vertex that stands for
// the position. The bytes of a group are compared at once, and they are small enough to
// stay in the cache: a position's group is usually the first one probed, and the
// vertices and coordinates of other positions are not read. A group with a free slot
// ends a search, as nothing is ever removed.
PositionGroups::PositionGroups(std::span<const float> coords) {
  const size_t count = coords.size() / 3;
  // Two groups at least, so that the shift below stays under 64.
  const size_t slots = std::bit_ceil(std::max<size_t>(2 * kSlotsPerGroup, count + count / 4));
  const size_t groupMask = slots / kSlotsPerGroup - 1;
  const int shift = 64 - std::countr_zero(slots / kSlotsPerGroup);
  // The first group probed comes from the hash's high bits, the best mixed.
  auto home = [shift](uint64_t hash) { return static_cast<size_t>(hash >> shift); };
  std::vector<uint8_t> tags(slots, 0);
  // Not zeroed: read only where a tag is set.
  const auto vertexAt = std::make_unique_for_overwrite<uint32_t[]>(slots);
  // The vertex that stands for the position of vertex `v`, or -1 when the position is
  // new: `v` then takes a free slot and stands for it.
  auto place = [&](size_t v) -> int64_t {
    const float* p = coords.data() + 3 * v;
    const uint64_t hash = positionHash(p);
    // The hash's low byte, which does not choose the group; zero marks a free slot.
    const auto tag = static_cast<uint8_t>(std::max<uint64_t>(hash & 0xFF, 1));
    for (size_t group = home(hash);; group = (group + 1) & groupMask) {
      const size_t base = kSlotsPerGroup * group;
      for (uint32_t match = matchingBytes(&tags[base], tag); match != 0; match &= match - 1) {
        const uint32_t other = vertexAt[base + std::countr_zero(match)];
        if (samePosition(coords.data() + 3 * size_t{other}, p)) return other;
      }
      if (const uint32_t free = matchingBytes(&tags[base], 0); free != 0) {
        tags[base + std::countr_zero(free)] = tag;
        vertexAt[base + std::countr_zero(free)] = static_cast<uint32_t>(v);
        return -1;
      }
    }
  };
  // The tags of a vertex some way ahead are fetched while this one is placed, so the
  // misses overlap instead of queueing.
  constexpr size_t kAhead = 16;
  for (size_t v = 0; v < count; ++v) {
    if (v + kAhead < count) {
      const size_t ahead = home(positionHash(coords.data() + 3 * (v + kAhead)));
      __builtin_prefetch(&tags[kSlotsPerGroup * ahead]);
      __builtin_prefetch(&vertexAt[kSlotsPerGroup * ahead], 1);  // a group's vertices: one line
    }
    const int64_t first = place(v);
    if (first < 0) {
      if (!group_.empty()) group_[v] = groupCount_;
      ++groupCount_;
      continue;
    }
    if (group_.empty()) {  // the first repeat: every vertex before it was its own group
      group_.resize(count);
      std::iota(group_.begin(), group_.begin() + static_cast<std::ptrdiff_t>(v), 0);
    }
    group_[v] = group_[static_cast<size_t>(first)];
  }
}

namespace {

// Adds each triangle's cross product to the sums of its corners' groups.
void addCrosses(const Mesh& mesh, const PositionGroups& groups, int32_t begin, int32_t end,
                float* sums) {
  const int32_t* corners = mesh.triangles().data();
  for (int32_t t = begin; t < end; ++t) {
    const Vec cross = faceCross(mesh, t);
    for (int k = 0; k < 3; ++k) {
      add(sums + 3 * static_cast<size_t>(groups.groupOf(corners[3 * t + k])), cross);
    }
  }
}

}  // namespace

void SurfaceSmoother::smooth(Mesh& mesh, int32_t begin, int32_t end) {
  if (sums_.empty()) sums_.assign(3 * static_cast<size_t>(groups_.groupCount()), 0.0f);
  addCrosses(mesh, groups_, begin, end, sums_.data());
  const int32_t* corners = mesh.triangles().data();
  if (canShare(mesh, begin, end)) {
    if (!mesh.hasSharedNormals() && groups_.groupCount() == mesh.vertexCount()) {
      handOverSums(mesh, begin, end);
      return;
    }
    share(mesh, begin, end);
  } else {
    writeEachCorner(mesh, begin, end);
  }
  for (int32_t t = begin; t < end; ++t) {
    for (int k = 0; k < 3; ++k) {
      float* s = groupSum(corners[3 * t + k]);
      s[0] = s[1] = s[2] = 0;
    }
  }
}

// Every corner's normal is its group's sum then, so each vertex can hold one, unless a
// vertex already holds one from an earlier run or a sum is zero (its corners take their
// own face's normal instead).
bool SurfaceSmoother::canShare(const Mesh& mesh, int32_t begin, int32_t end) {
  if (!mesh.canShareNormals(begin, end)) return false;
  const int32_t* corners = mesh.triangles().data();
  const bool earlierNormals = mesh.hasSharedNormals();  // none for the first run, the usual one
  for (size_t c = 3 * static_cast<size_t>(begin); c < 3 * static_cast<size_t>(end); ++c) {
    if (earlierNormals && mesh.hasSharedNormal(corners[c])) return false;
    // unit() gives zero exactly when this square is zero or not finite.
    const float* s = groupSum(corners[c]);
    const float square = s[0] * s[0] + s[1] * s[1] + s[2] * s[2];
    if (!(square > 0) || !std::isfinite(square)) return false;
  }
  return true;
}

void SurfaceSmoother::share(Mesh& mesh, int32_t begin, int32_t end) {
  const int32_t* corners = mesh.triangles().data();
  for (size_t c = 3 * static_cast<size_t>(begin); c < 3 * static_cast<size_t>(end); ++c) {
    const float* s = groupSum(corners[c]);
    mesh.setSharedNormal(corners[c], unit(Vec{s[0], s[1], s[2]}));
  }
  mesh.addSharedRun(begin, end);
}

// With every vertex at a place of its own, groups are numbered like the vertices, so the
// sums, scaled to unit length, are the vertex normals: the mesh takes them as they are.
// Untouched groups stay zero, as vertices outside the run must.
void SurfaceSmoother::handOverSums(Mesh& mesh, int32_t begin, int32_t end) {
  for (size_t g = 0; g < sums_.size(); g += 3) {
    const Vec sum{sums_[g], sums_[g + 1], sums_[g + 2]};
    if (isZero(sum)) continue;
    const Vec normal = unit(sum);
    std::memcpy(&sums_[g], normal.data(), sizeof normal);
  }
  mesh.adoptSharedNormals(std::move(sums_), begin, end);
  sums_.clear();  // the next run starts from fresh zero sums
}

void SurfaceSmoother::writeEachCorner(Mesh& mesh, int32_t begin, int32_t end) {
  const int32_t* corners = mesh.triangles().data();
  for (int32_t t = begin; t < end; ++t) {
    const Vec own = unit(faceCross(mesh, t));
    std::span<float, 9> out = mesh.cornerNormalsOf(t);
    for (int k = 0; k < 3; ++k) {
      const float* s = groupSum(corners[3 * t + k]);
      Vec normal = unit(Vec{s[0], s[1], s[2]});
      if (isZero(normal)) normal = own;  // only degenerate or cancelling faces here
      std::memcpy(&out[3 * k], normal.data(), sizeof normal);
    }
  }
}

namespace {

// Triangles by position group, each triangle listed once per group it touches.
struct GroupTriangles {
  std::vector<int32_t> begin;  // groupCount + 1 entries
  std::vector<int32_t> end;
  std::vector<int32_t> triangles;
};

GroupTriangles triangleLists(const Mesh& mesh, const PositionGroups& groups) {
  const int32_t* corners = mesh.triangles().data();
  const size_t cornerCount = mesh.triangles().size();
  GroupTriangles lists;
  lists.begin.assign(static_cast<size_t>(groups.groupCount()) + 1, 0);
  for (size_t c = 0; c < cornerCount; ++c) ++lists.begin[groups.groupOf(corners[c]) + 1];
  for (size_t g = 1; g < lists.begin.size(); ++g) lists.begin[g] += lists.begin[g - 1];
  lists.end.assign(lists.begin.begin(), lists.begin.end() - 1);
  lists.triangles.resize(cornerCount);
  for (size_t c = 0; c < cornerCount; ++c) {
    const int32_t t = static_cast<int32_t>(c / 3);
    const int32_t g = groups.groupOf(corners[c]);
    int32_t& cursor = lists.end[g];
    if (cursor > lists.begin[g] && lists.triangles[cursor - 1] == t) continue;
    lists.triangles[cursor++] = t;
  }
  return lists;
}

struct Face {
  int32_t triangle;
  Vec cross;
  Vec unit;
};

// Exact: every face against every face of the group.
void smoothGroupExact(Mesh& mesh, const PositionGroups& groups, int32_t group,
                      const std::vector<Face>& faces, float cosLimit) {
  for (const Face& own : faces) {
    const bool degenerate = isZero(own.unit);
    Vec sum{0, 0, 0};
    for (const Face& other : faces) {
      if (degenerate || dot(own.unit, other.unit) >= cosLimit) add(sum.data(), other.cross);
    }
    Vec normal = unit(sum);
    if (isZero(normal)) normal = own.unit;
    writeCorners(mesh, groups, own.triangle, group, normal);
  }
}

// Cube-map cell of a unit direction, kCells per face edge; zero directions get a cell of
// their own.
constexpr int kCells = 8;
constexpr int kDirectionCells = 6 * kCells * kCells + 1;

int directionCell(const Vec& n) noexcept {
  if (isZero(n)) return kDirectionCells - 1;
  int axis = 0;
  for (int a = 1; a < 3; ++a) {
    if (std::fabs(n[a]) > std::fabs(n[axis])) axis = a;
  }
  const float major = std::fabs(n[axis]);
  const int face = 2 * axis + (n[axis] < 0 ? 1 : 0);
  auto cell = [major](float v) {
    const int i = static_cast<int>((v / major + 1.0f) * 0.5f * kCells);
    return i < 0 ? 0 : (i >= kCells ? kCells - 1 : i);
  };
  return (face * kCells + cell(n[(axis + 1) % 3])) * kCells + cell(n[(axis + 2) % 3]);
}

// Clustered: faces of similar direction answer together, so the cost stays bounded by
// the number of direction cells, not by the square of the group's size.
void smoothGroupClustered(Mesh& mesh, const PositionGroups& groups, int32_t group,
                          const std::vector<Face>& faces, float cosLimit) {
  struct Cluster {
    Vec cross{0, 0, 0};
    Vec direction{0, 0, 0};
    Vec result{0, 0, 0};
  };
  std::vector<int32_t> clusterOfCell(kDirectionCells, -1);
  std::vector<Cluster> clusters;
  std::vector<int32_t> clusterOfFace(faces.size());
  for (size_t i = 0; i < faces.size(); ++i) {
    int32_t& c = clusterOfCell[directionCell(faces[i].unit)];
    if (c < 0) {
      c = static_cast<int32_t>(clusters.size());
      clusters.emplace_back();
    }
    add(clusters[c].cross.data(), faces[i].cross);
    add(clusters[c].direction.data(), faces[i].unit);
    clusterOfFace[i] = c;
  }
  for (Cluster& cluster : clusters) cluster.direction = unit(cluster.direction);
  for (Cluster& own : clusters) {
    const bool degenerate = isZero(own.direction);
    for (const Cluster& other : clusters) {
      if (degenerate || dot(own.direction, other.direction) >= cosLimit) {
        add(own.result.data(), other.cross);
      }
    }
    own.result = unit(own.result);
  }
  for (size_t i = 0; i < faces.size(); ++i) {
    Vec normal = clusters[clusterOfFace[i]].result;
    if (isZero(normal)) normal = faces[i].unit;
    writeCorners(mesh, groups, faces[i].triangle, group, normal);
  }
}

}  // namespace

void smoothAdaptive(Mesh& mesh, double angleDegrees) {
  if (mesh.triangleCount() == 0) return;
  const PositionGroups groups(mesh.vertices());
  const GroupTriangles lists = triangleLists(mesh, groups);
  // A small allowance, so that faces at exactly the limit angle count as within it.
  const float cosLimit =
      static_cast<float>(std::cos(angleDegrees * std::numbers::pi / 180.0)) - 1e-6f;
  std::vector<Face> faces;
  for (int32_t g = 0; g < groups.groupCount(); ++g) {
    faces.clear();
    for (int32_t i = lists.begin[g]; i < lists.end[g]; ++i) {
      const int32_t t = lists.triangles[i];
      const Vec cross = faceCross(mesh, t);
      faces.push_back(Face{t, cross, unit(cross)});
    }
    if (faces.size() <= kAdaptiveExactLimit) {
      smoothGroupExact(mesh, groups, g, faces, cosLimit);
    } else {
      smoothGroupClustered(mesh, groups, g, faces, cosLimit);
    }
  }
}

}  // namespace vlm::refhost
