// Surface smoothing by vertex position and adaptive smoothing by angle.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <numbers>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "refhost/PolygonLists.h"
#include "refhost/Smoothing.h"

namespace vlm::refhost {
namespace {

using Vec = std::array<float, 3>;

// Adds a triangle with three vertices of its own, as the importers do.
void addSeparateTriangle(Mesh& mesh, const Vec& a, const Vec& b, const Vec& c) {
  const int32_t base = mesh.vertexCount();
  for (const Vec& v : {a, b, c}) mesh.appendVertex(v[0], v[1], v[2]);
  const int32_t corners[] = {base, base + 1, base + 2};
  mesh.appendPolygon(corners);
}

Vec cornerNormal(const Mesh& mesh, int32_t triangle, int corner) {
  const std::array<float, 9> n = mesh.normalsOf(triangle);
  return {n[3 * corner], n[3 * corner + 1], n[3 * corner + 2]};
}

float length(const Vec& v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

Vec normalized(const Vec& v) {
  const float l = length(v);
  return {v[0] / l, v[1] / l, v[2] / l};
}

void expectNear(const Vec& actual, const Vec& expected) {
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(actual[i], expected[i], 1e-5f) << "component " << i;
}

// Twice the area times the unit normal of a triangle: the weight smoothing gives it.
Vec cross(const Mesh& mesh, int32_t triangle) {
  const float* v = mesh.vertices().data();
  const int32_t* t = mesh.triangles().data() + 3 * triangle;
  const float *a = v + 3 * t[0], *b = v + 3 * t[1], *c = v + 3 * t[2];
  const Vec e1{b[0] - a[0], b[1] - a[1], b[2] - a[2]}, e2{c[0] - a[0], c[1] - a[1], c[2] - a[2]};
  return {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
          e1[0] * e2[1] - e1[1] * e2[0]};
}

Vec faceNormal(const Mesh& mesh, int32_t triangle) { return normalized(cross(mesh, triangle)); }

// Every corner of every triangle has its face's normal: no edge was smoothed.
void expectFlat(const Mesh& mesh) {
  for (int32_t t = 0; t < mesh.triangleCount(); ++t) {
    for (int c = 0; c < 3; ++c) expectNear(cornerNormal(mesh, t, c), faceNormal(mesh, t));
  }
}

void smoothAll(Mesh& mesh) {
  SurfaceSmoother smoother(mesh);
  smoother.smooth(mesh, 0, mesh.triangleCount());
}

TEST(PositionGroups, SeparateVerticesAtOnePlaceShareAGroupAndMinusZeroEqualsZero) {
  const std::vector<float> coords = {0, 0, 0, 1, 0, 0, -0.0f, 0, 0, 1, 0, 0.5f, 1, 0, 0};
  PositionGroups groups(coords);
  EXPECT_EQ(groups.groupCount(), 3);
  EXPECT_EQ(groups.groupOf(0), groups.groupOf(2));
  EXPECT_EQ(groups.groupOf(1), groups.groupOf(4));
  EXPECT_NE(groups.groupOf(1), groups.groupOf(3));
}

// Many positions in a table that fills and wraps around, first each once (the first
// repeat comes late, or never), then seen again at random: groups are numbered in order
// of first appearance, as a plain map would number them.
TEST(PositionGroups, ManyRepeatedPositionsMatchAMapOfExactPositions) {
  for (const size_t distinct : {size_t{13}, size_t{1000}, size_t{52429}}) {
    for (const size_t repeats : {size_t{0}, 2 * distinct}) {
      std::vector<float> coords;
      uint32_t state = 12345;
      auto next = [&state] { return state = state * 1664525u + 1013904223u; };
      for (size_t i = 0; i < distinct + repeats; ++i) {
        const uint32_t pick = i < distinct ? static_cast<uint32_t>(i) : next() % distinct;
        // Positions differ in one coordinate's lowest bits only.
        coords.insert(coords.end(), {static_cast<float>(pick % 7), 0.5f,
                                     static_cast<float>(pick) + 0.25f});
      }
      std::map<std::array<float, 3>, int32_t> seen;
      PositionGroups groups(coords);
      for (size_t v = 0; v < coords.size() / 3; ++v) {
        const std::array<float, 3> key{coords[3 * v], coords[3 * v + 1], coords[3 * v + 2]};
        const auto [it, fresh] = seen.emplace(key, static_cast<int32_t>(seen.size()));
        ASSERT_EQ(groups.groupOf(static_cast<int32_t>(v)), it->second) << "vertex " << v;
      }
      EXPECT_EQ(groups.groupCount(), static_cast<int32_t>(distinct));
    }
  }
}

// A big triangle in the plane z = 0 and a small one folded up along the shared edge,
// each with vertices of its own.
Mesh foldedPair() {
  Mesh mesh;
  addSeparateTriangle(mesh, {0, 0, 0}, {4, 0, 0}, {0, 4, 0});
  addSeparateTriangle(mesh, {4, 0, 0}, {0, 0, 0}, {2, -1, 1});
  return mesh;
}

TEST(SurfaceSmoothing, SharedPositionsGetTheAreaWeightedAverageOfUnitLength) {
  Mesh mesh = foldedPair();
  smoothAll(mesh);
  // Twice-area normals: (0,0,16) for the big triangle, (0,4,4) for the small one.
  const Vec big{0, 0, 16}, small{0, 4, 4};
  EXPECT_EQ(cross(mesh, 0), big);
  EXPECT_EQ(cross(mesh, 1), small);
  const Vec shared = normalized({big[0] + small[0], big[1] + small[1], big[2] + small[2]});
  expectNear(cornerNormal(mesh, 0, 0), shared);  // (0,0,0)
  expectNear(cornerNormal(mesh, 0, 1), shared);  // (4,0,0)
  expectNear(cornerNormal(mesh, 1, 0), shared);  // (4,0,0) again, another vertex
  expectNear(cornerNormal(mesh, 1, 1), shared);
  expectNear(cornerNormal(mesh, 0, 2), {0, 0, 1});          // only the big triangle here
  expectNear(cornerNormal(mesh, 1, 2), normalized(small));  // only the small one
  for (int t = 0; t < 2; ++t) {
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(length(cornerNormal(mesh, t, c)), 1.0f, 1e-6f);
  }
}

TEST(SurfaceSmoothing, DegenerateTriangleGetsNoNanAndNeighboursStayUnit) {
  Mesh mesh;
  addSeparateTriangle(mesh, {0, 0, 0}, {1, 0, 0}, {0, 1, 0});
  addSeparateTriangle(mesh, {0, 0, 0}, {1, 0, 0}, {2, 0, 0});  // zero area
  smoothAll(mesh);
  for (int c = 0; c < 3; ++c) {
    const Vec n = cornerNormal(mesh, 1, c);
    for (float v : n) EXPECT_FALSE(std::isnan(v));
    EXPECT_NEAR(length(cornerNormal(mesh, 0, c)), 1.0f, 1e-6f);
  }
  expectNear(cornerNormal(mesh, 1, 2), {0, 0, 0});
}

// What a run of smoothing must give, computed the slow way: each corner of the run gets
// the unit sum of the run's face crosses at its position, or its own face's direction
// where that sum is zero. The later of two runs wins on the triangles they share.
std::vector<float> expectedAfterRuns(const Mesh& mesh,
                                     const std::vector<std::pair<int32_t, int32_t>>& runs) {
  std::vector<float> out(9 * static_cast<size_t>(mesh.triangleCount()), 0.0f);
  const float* v = mesh.vertices().data();
  const int32_t* t = mesh.triangles().data();
  auto unitOrZero = [](const Vec& s) { return length(s) > 0 ? normalized(s) : Vec{0, 0, 0}; };
  for (const auto& [begin, end] : runs) {
    for (int32_t tri = begin; tri < end; ++tri) {
      for (int k = 0; k < 3; ++k) {
        const float* p = v + 3 * t[3 * tri + k];
        Vec sum{0, 0, 0};
        for (int32_t other = begin; other < end; ++other) {
          for (int j = 0; j < 3; ++j) {
            const float* q = v + 3 * t[3 * other + j];
            if (p[0] != q[0] || p[1] != q[1] || p[2] != q[2]) continue;
            const Vec c = cross(mesh, other);
            for (int i = 0; i < 3; ++i) sum[i] += c[i];
            break;
          }
        }
        Vec n = unitOrZero(sum);
        if (length(n) == 0) n = unitOrZero(cross(mesh, tri));
        std::copy(n.begin(), n.end(), out.begin() + 9 * tri + 3 * k);
      }
    }
  }
  return out;
}

// Vertices shared by index between neighbouring triangles, as in an indexed file, plus a
// triangle of vertices of its own, either lying on the strip's first vertex or apart
// (then every vertex has a place of its own).
Mesh indexedStrip(bool touching = true) {
  Mesh mesh;
  const float apart = touching ? 0.0f : 5.0f;
  const std::vector<float> coords = {0, 0, 0, 1,     0, 0, 0, 1,  0, 1,  1, 1,
                                     2, 0, 1, apart, 0, 0, 0, -1, 0, -1, 0, 1};
  mesh.appendVertices(coords);
  for (const auto& tri : {std::array<int32_t, 3>{0, 1, 2}, {1, 3, 2}, {1, 4, 3}, {5, 6, 7}}) {
    mesh.appendPolygon(tri);
  }
  return mesh;
}

struct RunCase {
  const char* fault;
  std::vector<std::pair<int32_t, int32_t>> runs;
};

void PrintTo(const RunCase& c, std::ostream* out) { *out << c.fault; }

class SmoothingRuns : public ::testing::TestWithParam<RunCase> {};

TEST_P(SmoothingRuns, EveryCornerReadsWhatItsLatestRunGives) {
  for (const bool touching : {true, false}) {
    Mesh mesh = indexedStrip(touching);
    SurfaceSmoother smoother(mesh);
    for (const auto& [begin, end] : GetParam().runs) smoother.smooth(mesh, begin, end);
    const std::vector<float> expected = expectedAfterRuns(mesh, GetParam().runs);
    for (int32_t tri = 0; tri < mesh.triangleCount(); ++tri) {
      for (int k = 0; k < 3; ++k) {
        const Vec want{expected[9 * tri + 3 * k], expected[9 * tri + 3 * k + 1],
                       expected[9 * tri + 3 * k + 2]};
        SCOPED_TRACE("touching " + std::to_string(touching) + " triangle " + std::to_string(tri) +
                     " corner " + std::to_string(k));
        expectNear(cornerNormal(mesh, tri, k), want);
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    SharedAndPerTriangleForms, SmoothingRuns,
    ::testing::Values(
        RunCase{"one run over everything", {{0, 4}}},
        RunCase{"a run leaves the triangles after it without normals", {{0, 2}}},
        RunCase{"runs in reverse order keep each other's normals", {{2, 4}, {0, 1}}},
        RunCase{"a vertex in two runs takes a different normal in each", {{0, 1}, {1, 3}}},
        RunCase{"a later run over part of an earlier one wins there", {{0, 4}, {1, 2}}},
        RunCase{"runs touching one position by different vertices", {{3, 4}, {0, 1}}}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(SmoothingRuns, NormalSetOnOneTriangleKeepsTheSmoothedOthers) {
  Mesh mesh = indexedStrip(false);
  SurfaceSmoother(mesh).smooth(mesh, 0, 4);
  const std::vector<float> smoothed = expectedAfterRuns(mesh, {{0, 4}});
  std::span<float, 9> set = mesh.cornerNormalsOf(1);
  std::fill(set.begin(), set.end(), 0.5f);
  for (int32_t tri = 0; tri < 4; ++tri) {
    const std::array<float, 9> n = mesh.normalsOf(tri);
    for (size_t i = 0; i < 9; ++i) {
      EXPECT_NEAR(n[i], tri == 1 ? 0.5f : smoothed[9 * tri + i], 1e-6f) << tri << " " << i;
    }
  }
}

TEST(SmoothingRuns, VerticesAddedAfterARunCanBeSmoothedByTheirOwnRun) {
  Mesh mesh = indexedStrip();
  SurfaceSmoother(mesh).smooth(mesh, 0, 1);
  addSeparateTriangle(mesh, {0, 0, 0}, {0, 0, 1}, {1, 0, 0});
  SurfaceSmoother(mesh).smooth(mesh, 4, 5);
  const std::vector<float> expected = expectedAfterRuns(mesh, {{0, 1}, {4, 5}});
  for (int32_t tri : {0, 4}) {
    const std::array<float, 9> n = mesh.normalsOf(tri);
    for (size_t i = 0; i < 9; ++i) EXPECT_NEAR(n[i], expected[9 * tri + i], 1e-6f);
  }
  EXPECT_EQ(mesh.normalsOf(2), (std::array<float, 9>{}));
}

// Normals set triangle by triangle read back bit for bit, whichever form holds them.
struct SetCase {
  const char* fault;
  std::vector<std::pair<int32_t, std::array<float, 9>>> sets;  // triangle, normals
  bool smoothAfter = false;                                    // then a surface run over triangle 3
};

void PrintTo(const SetCase& c, std::ostream* out) { *out << c.fault; }

class NormalsSetOneByOne : public ::testing::TestWithParam<SetCase> {};

// Normal values for corners at vertices a, b, c of indexedStrip, one normal per vertex.
std::array<float, 9> perVertex(int32_t a, int32_t b, int32_t c) {
  auto n = [](int32_t v) { return Vec{0.5f, 0.25f * static_cast<float>(v), 1}; };
  const Vec na = n(a), nb = n(b), nc = n(c);
  return {na[0], na[1], na[2], nb[0], nb[1], nb[2], nc[0], nc[1], nc[2]};
}

TEST_P(NormalsSetOneByOne, EveryTriangleReadsWhatWasLastSetOnIt) {
  Mesh mesh = indexedStrip(false);
  std::vector<std::array<float, 9>> expected(4, std::array<float, 9>{});
  for (const auto& [triangle, normals] : GetParam().sets) {
    ASSERT_TRUE(setPolygonNormal(mesh, triangle, normals));
    expected[triangle] = normals;
  }
  if (GetParam().smoothAfter) {
    SurfaceSmoother(mesh).smooth(mesh, 3, 4);
    const std::vector<float> smoothed = expectedAfterRuns(mesh, {{3, 4}});
    std::copy_n(smoothed.begin() + 27, 9, expected[3].begin());
  }
  for (int32_t t = 0; t < 4; ++t) {
    const std::array<float, 9> got = mesh.normalsOf(t);
    EXPECT_EQ(std::memcmp(got.data(), expected[t].data(), sizeof got), 0) << "triangle " << t;
  }
}

INSTANTIATE_TEST_SUITE_P(
    SharedAndPerTriangleForms, NormalsSetOneByOne,
    ::testing::Values(
        SetCase{"one normal per vertex", {{0, perVertex(0, 1, 2)}, {1, perVertex(1, 3, 2)}}},
        SetCase{"a vertex given a second normal",
                {{0, perVertex(0, 1, 2)}, {2, perVertex(3, 4, 3)}}},
        SetCase{"triangles out of order",
                {{3, perVertex(5, 6, 7)},
                 {0, perVertex(0, 1, 2)},
                 {2, perVertex(1, 4, 3)},
                 {1, perVertex(1, 3, 2)}}},
        SetCase{"a zero normal", {{0, {0, 0, 0, 0, 0, 1, 0, 1, 0}}, {1, perVertex(1, 3, 2)}}},
        SetCase{"minus zero differs from zero",
                {{0, {0, 0, 1, 0, 0, 1, 0, 0, 1}}, {1, {-0.0f, 0, 1, 0, 0, 1, 0, 0, 1}}}},
        SetCase{"one triangle set twice", {{1, perVertex(1, 3, 2)}, {1, perVertex(0, 0, 0)}}},
        SetCase{"a smoothed run after, on vertices of its own",
                {{0, perVertex(0, 1, 2)}, {1, perVertex(1, 3, 2)}},
                true},
        SetCase{"a smoothed run over a triangle already set", {{3, perVertex(5, 6, 7)}}, true}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

// A cube of edge 2 around the origin, two triangles per face, vertices per face.
Mesh cube() {
  Mesh mesh;
  for (int axis = 0; axis < 3; ++axis) {
    for (float side : {-1.0f, 1.0f}) {
      const int u = (axis + 1) % 3, v = (axis + 2) % 3;
      auto at = [&](float a, float b) {
        Vec p{};
        p[axis] = side;
        p[u] = a;
        p[v] = b;
        return p;
      };
      // Counter-clockwise seen from outside.
      const float s = side;
      addSeparateTriangle(mesh, at(-1, -1), at(s, -s), at(1, 1));
      addSeparateTriangle(mesh, at(1, 1), at(-s, s), at(-1, -1));
    }
  }
  return mesh;
}

TEST(AdaptiveSmoothing, CubeEdgesStaySharpAt60Degrees) {
  Mesh mesh = cube();
  smoothAdaptive(mesh, 60);
  expectFlat(mesh);
}

TEST(AdaptiveSmoothing, CubeCornersAreRoundedBeyond90Degrees) {
  Mesh mesh = cube();
  smoothAdaptive(mesh, 100);
  const float* v = mesh.vertices().data();
  for (int32_t t = 0; t < mesh.triangleCount(); ++t) {
    for (int c = 0; c < 3; ++c) {
      const float* p = v + 3 * mesh.triangles()[3 * t + c];
      const Vec n = cornerNormal(mesh, t, c);
      EXPECT_NEAR(length(n), 1.0f, 1e-5f);
      // Every cube corner sees its three faces: the normal points along the diagonal.
      for (int i = 0; i < 3; ++i) EXPECT_GT(n[i] * p[i], 0.0f) << "triangle " << t;
    }
  }
}

TEST(AdaptiveSmoothing, GentleFoldIsSmoothedBelowTheAngle) {
  Mesh mesh;
  // Two triangles meeting at 30 degrees along the edge from (0,0,0) to (1,0,0).
  const float c30 = std::cos(std::numbers::pi_v<float> / 6), s30 = 0.5f;
  addSeparateTriangle(mesh, {0, 0, 0}, {1, 0, 0}, {0, 1, 0});
  addSeparateTriangle(mesh, {1, 0, 0}, {0, 0, 0}, {0, -c30, s30});
  smoothAdaptive(mesh, 60);
  expectNear(cornerNormal(mesh, 0, 0), cornerNormal(mesh, 1, 1));
  EXPECT_LT(cornerNormal(mesh, 0, 0)[2], 0.99f);  // tilted away from the first face
  expectNear(cornerNormal(mesh, 0, 2), {0, 0, 1});
}

// Many triangles around one apex, in the plane z = 0 and in the plane x = 0: more than
// the exact pass handles, so the clustered pass answers and must keep the edge sharp.
TEST(AdaptiveSmoothing, ManyTrianglesAtOnePositionKeepTheirEdgeSharp) {
  Mesh mesh;
  constexpr int kSpokes = 2 * static_cast<int>(kAdaptiveExactLimit);
  for (int i = 0; i < kSpokes; ++i) {
    const float a0 = std::numbers::pi_v<float> * i / kSpokes;
    const float a1 = std::numbers::pi_v<float> * (i + 1) / kSpokes;
    addSeparateTriangle(mesh, {0, 0, 0}, {std::cos(a0), std::sin(a0), 0},
                        {std::cos(a1), std::sin(a1), 0});
    addSeparateTriangle(mesh, {0, 0, 0}, {0, std::cos(a0), -std::sin(a0)},
                        {0, std::cos(a1), -std::sin(a1)});
  }
  smoothAdaptive(mesh, 60);
  expectFlat(mesh);
}

}  // namespace
}  // namespace vlm::refhost
