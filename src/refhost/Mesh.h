// The geometry of one reference-host object: vertices, triangles and corner normals.
//
// Corner normals take one of two forms: nine values per triangle, or one normal per
// vertex for runs of triangles. Surface smoothing usually gives every corner at a vertex
// the same normal, and so do files that carry a normal per vertex, so both start in the
// shared form: a third of the memory or less, and nothing written per triangle. The
// first change it cannot hold (a vertex given a second normal, a run sharing a vertex
// with an earlier one, smoothing by angle) turns it into the nine-value form, which
// reads the same.
//
// Polygon numbers are handed out in the order polygons arrive, one per triangle, and
// they are handed out to invalid polygons too (whose corners fall outside the vertex
// list): such a polygon is not stored, but its numbers stay used, so that the normal
// records and surface runs an importer computes by counting polygons keep lining up
// with the polygons that were stored. The numbers of invalid polygons are kept in a
// sorted list, usually empty, that maps a polygon number to its stored triangle.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <utility>
#include <vector>

namespace vlm::refhost {

// Makes room for `more` elements after those of `array`, for lists that grow a few elements
// a call. Full, the list grows fourfold rather than twofold: each move writes its elements
// into fresh memory again, and fourfold growth writes a third more than the final list
// instead of as much again. Room not yet written takes no memory.
template <class T>
void roomFor(std::vector<T>& array, size_t more) {
  if (array.size() + more > array.capacity()) {
    array.reserve(array.size() + more > 4 * array.capacity() ? array.size() + more
                                                             : 4 * array.capacity());
  }
}

struct Bounds {
  std::array<float, 3> min{};
  std::array<float, 3> max{};
  bool empty = true;

  // Grows to hold `other` too; where bounds tie (-0 and +0), this box's stays.
  void include(const Bounds& other) noexcept;
  std::array<float, 3> center() const noexcept;
};

class Mesh {
 public:
  int32_t vertexCount() const noexcept { return static_cast<int32_t>(coords_.size() / 3); }
  int32_t triangleCount() const noexcept { return static_cast<int32_t>(corners_.size() / 3); }
  // Polygon numbers handed out so far (stored and invalid triangles).
  int64_t polygonNumbers() const noexcept { return polygonNumbers_; }
  int64_t invalidNumbers() const noexcept { return static_cast<int64_t>(invalidSlots_.size()); }

  // Flat x, y, z per vertex and flat index triples per stored triangle.
  const std::vector<float>& vertices() const noexcept { return coords_; }
  const std::vector<int32_t>& triangles() const noexcept { return corners_; }
  // Whether any triangle has corner normals; the others read as zero.
  bool hasCornerNormals() const noexcept { return !normals_.empty() || !sharedRuns_.empty(); }
  // The nine corner normal values of a stored triangle, zero where none were set.
  std::array<float, 9> normalsOf(int32_t triangle) const noexcept;

  void appendVertices(std::span<const float> coords);
  void appendVertex(float x, float y, float z);

  // A polygon takes the next polygon numbers (1 for a triangle, 2 for a quad split in
  // two), and it is stored when every corner names an existing vertex.
  //
  // The records of a polygon list (corner count 0, 3 or 4, then the corners), in one
  // pass. At a malformed record (another count, or one cut short by the list's end)
  // everything the call added is taken back and `malformed` is called with the record's
  // index, to throw. Returns the number of invalid polygons (a quad counts once).
  int64_t appendPolygonRecords(std::span<const int32_t> records,
                               const std::function<void(size_t)>& malformed);
  // A triangle for each triple of corners. Returns the number of invalid triangles.
  int64_t appendTriangleTriples(std::span<const int32_t> triples);

  // The stored triangle with this polygon number, or -1 (out of range or invalid).
  int32_t triangleOf(int64_t polygon) const noexcept {
    if (polygon < 0 || polygon >= polygonNumbers_) return -1;
    // Usually every polygon was stored, and a polygon's number is its triangle's.
    if (invalidSlots_.empty()) return static_cast<int32_t>(polygon);
    return storedTriangleOf(polygon);
  }
  // The stored triangles [begin, end) whose numbers lie in [first, last], clamped to the
  // numbers handed out; empty when first > last.
  std::pair<int32_t, int32_t> triangleRange(int64_t first, int64_t last) const noexcept;

  // The nine corner normal values of a stored triangle, for writing (created zero on
  // first use).
  std::span<float, 9> cornerNormalsOf(int32_t triangle);
  // Sets them in the shared form when it can hold them: each corner's vertex has no
  // shared normal yet or this very one, and none is zero. Returns false, changing
  // nothing, when it cannot; cornerNormalsOf then takes them.
  bool shareCornerNormals(int32_t triangle, std::span<const float, 9> normals);
  // The stored triangle a normal record's polygon number names, or -1: not a whole
  // number, out of range, or an invalid polygon's.
  int32_t triangleOfRecord(double polygon) const noexcept {
    // In range first (NaN is not): the whole part then converts safely.
    if (!(polygon >= 0 && polygon < static_cast<double>(polygonNumbers_))) return -1;
    const auto number = static_cast<int64_t>(polygon);
    if (static_cast<double>(number) != polygon) return -1;
    return triangleOf(number);
  }
  // Shared normals, for smoothing. Whether the triangles [begin, end) may be a shared
  // run: no normal was set per triangle and no earlier run overlaps them. The caller
  // also checks that none of their vertices has a shared normal yet.
  bool canShareNormals(int32_t begin, int32_t end) const noexcept;
  bool hasSharedNormal(int32_t vertex) const noexcept;
  // The run's vertices get their normals, then the run is added.
  void setSharedNormal(int32_t vertex, const std::array<float, 3>& normal);
  void addSharedRun(int32_t begin, int32_t end);
  // The first shared run may hand over all vertex normals at once: three per vertex,
  // zero for the vertices outside the run.
  bool hasSharedNormals() const noexcept { return !vertexNormals_.empty(); }
  void adoptSharedNormals(std::vector<float>&& normals, int32_t begin, int32_t end);

  Bounds bounds() const noexcept;
  // Adds `offset` to every vertex.
  void translate(const std::array<float, 3>& offset) noexcept;
  // Multiplies every vertex coordinate by `factor`.
  void scale(float factor) noexcept;

 private:
  // Stores the polygons `next` yields (it sets their corners and count, 3 or 4, and returns
  // false after the last); returns how many were invalid.
  template <class Next>
  int64_t appendPolygons(Next next);
  int64_t invalidBelow(int64_t polygon) const noexcept;
  int32_t storedTriangleOf(int64_t polygon) const noexcept;
  bool isShared(int32_t triangle) const noexcept;
  bool coverTriangle(int32_t triangle);
  void copySharedNormals(int32_t triangle, float* out) const noexcept;
  void unshareNormals();

  std::vector<float> coords_;
  std::vector<int32_t> corners_;
  // Nine per triangle up to the last triangle given normals this way, or empty; the
  // triangles after it read as zero.
  std::vector<float> normals_;
  std::vector<float> vertexNormals_;  // three per vertex of the shared runs, zero elsewhere
  std::vector<std::pair<int32_t, int32_t>> sharedRuns_;  // triangle ranges, ascending
  std::vector<int64_t> invalidSlots_;                    // ascending
  int64_t polygonNumbers_ = 0;
};

}  // namespace vlm::refhost
