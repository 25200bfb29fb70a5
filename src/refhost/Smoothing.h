// Normal smoothing of the reference host.
//
// Corners are smoothed by vertex POSITION, not by vertex index: two separate vertices at
// the same place (as the importers make them, one per face corner) share a normal. The
// positions are grouped once with a hash table, so every pass is linear in its size.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "refhost/Mesh.h"

namespace vlm::refhost {

// Vertex index -> group of the vertices that share its exact position (-0 equals +0).
// Groups are numbered in order of first appearance, so while every position is a place
// of its own a vertex's group is its own index: the table of groups is only made once a
// position repeats, and an indexed mesh (as binary files hold them) never needs one.
class PositionGroups {
 public:
  PositionGroups() = default;  // no vertices
  explicit PositionGroups(std::span<const float> coords);
  int32_t groupOf(int32_t vertex) const noexcept {
    return group_.empty() ? vertex : group_[static_cast<size_t>(vertex)];
  }
  int32_t groupCount() const noexcept { return groupCount_; }

 private:
  std::vector<int32_t> group_;  // empty while every vertex is its own group
  int32_t groupCount_ = 0;
};

// Makes runs of triangles smoothing surfaces: every corner of the run gets the
// area-weighted average of the face normals of the run's triangles at its position,
// scaled to unit length. Built for one vertex list; build a new one when it changes.
// The cost of a run is linear in the run, however many runs an object has.
class SurfaceSmoother {
 public:
  explicit SurfaceSmoother(const Mesh& mesh) : groups_(mesh.vertices()) {}
  void smooth(Mesh& mesh, int32_t begin, int32_t end);

 private:
  float* groupSum(int32_t vertex) noexcept {
    return &sums_[3 * static_cast<size_t>(groups_.groupOf(vertex))];
  }
  bool canShare(const Mesh& mesh, int32_t begin, int32_t end);
  void share(Mesh& mesh, int32_t begin, int32_t end);
  void handOverSums(Mesh& mesh, int32_t begin, int32_t end);
  void writeEachCorner(Mesh& mesh, int32_t begin, int32_t end);

  PositionGroups groups_;
  std::vector<float> sums_;  // three per group, all zero between runs; empty before the first
};

// Every corner gets the area-weighted average of the face normals at its position whose
// direction lies within `angleDegrees` of its own face's, so edges sharper than the
// angle stay sharp. At a position shared by very many triangles, the faces are first
// gathered into clusters of similar direction to keep the pass near-linear.
void smoothAdaptive(Mesh& mesh, double angleDegrees);

// Above this many triangles at one position, adaptive smoothing compares clusters.
inline constexpr size_t kAdaptiveExactLimit = 512;

}  // namespace vlm::refhost
