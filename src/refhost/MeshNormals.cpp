// The corner normals of a Mesh, in their two forms: shared (one normal per vertex, for runs
// of triangles) and nine values per triangle.
#include <algorithm>
#include <array>
#include <cstring>

#include "refhost/Mesh.h"

namespace vlm::refhost {

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

// Beyond this many separate runs, normals set triangle by triangle in no useful order are
// kept per triangle instead.
constexpr size_t kMaxSharedRuns = 1024;

}  // namespace

std::array<float, 9> Mesh::normalsOf(int32_t triangle) const noexcept {
  std::array<float, 9> out{};
  const size_t first = 9 * static_cast<size_t>(triangle);
  if (first < normals_.size()) {
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
  if (normals_.size() < 3 * corners_.size()) {
    const bool first = normals_.empty();
    roomFor(normals_, 3 * corners_.size() - normals_.size());
    normals_.resize(3 * corners_.size(), 0.0f);
    if (first) unshareNormals();
  }
  return std::span<float, 9>(normals_.data() + 9 * static_cast<size_t>(triangle), 9);
}

// Writes the shared normals out as nine values per triangle and lets the shared form go.
void Mesh::unshareNormals() {
  for (const auto& [begin, end] : sharedRuns_) {
    for (int32_t t = begin; t < end; ++t) {
      copySharedNormals(t, normals_.data() + 9 * static_cast<size_t>(t));
    }
  }
  sharedRuns_.clear();
  std::vector<float>().swap(vertexNormals_);
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

bool Mesh::hasSharedNormal(int32_t vertex) const noexcept {
  const size_t at = 3 * static_cast<size_t>(vertex);
  return at < vertexNormals_.size() && isSet(bitsOf(vertexNormals_.data() + at));
}

bool Mesh::shareCornerNormals(int32_t triangle, std::span<const float, 9> normals) {
  if (!normals_.empty()) return false;
  const int32_t* t = corners_.data() + 3 * static_cast<size_t>(triangle);
  for (size_t k = 0; k < 3; ++k) {
    const NormalBits given = bitsOf(&normals[3 * k]);
    if (!isSet(given)) return false;
    if (hasSharedNormal(t[k]) && bitsOf(&vertexNormals_[3 * static_cast<size_t>(t[k])]) != given) {
      return false;
    }
    // A vertex at two corners of the triangle: the later corner's normal would win.
    for (size_t j = 0; j < k; ++j) {
      if (t[j] == t[k] && bitsOf(&normals[3 * j]) != given) return false;
    }
  }
  if (!coverTriangle(triangle)) return false;
  roomFor(vertexNormals_, coords_.size() - vertexNormals_.size());  // vertices only ever grow
  vertexNormals_.resize(coords_.size(), 0.0f);
  for (size_t k = 0; k < 3; ++k) {
    std::copy_n(&normals[3 * k], 3, &vertexNormals_[3 * static_cast<size_t>(t[k])]);
  }
  return true;
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
  roomFor(vertexNormals_, coords_.size() - vertexNormals_.size());
  vertexNormals_.resize(coords_.size(), 0.0f);
  std::copy(normal.begin(), normal.end(),
            vertexNormals_.begin() + 3 * static_cast<ptrdiff_t>(vertex));
}

void Mesh::adoptSharedNormals(std::vector<float>&& normals, int32_t begin, int32_t end) {
  vertexNormals_ = std::move(normals);
  addSharedRun(begin, end);
}

void Mesh::addSharedRun(int32_t begin, int32_t end) {
  const std::pair<int32_t, int32_t> run{begin, end};
  sharedRuns_.insert(std::upper_bound(sharedRuns_.begin(), sharedRuns_.end(), run), run);
}

}  // namespace vlm::refhost
