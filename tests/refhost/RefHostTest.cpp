// The reference host: mesh geometry (polygon numbers, surface runs, normals by position mixed
// with normal records, adaptive smoothing), the scene and its report, and the call recorder.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <numbers>
#include <numeric>
#include <optional>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/Dispatch.h"
#include "platform/ObjectRegistry.h"
#include "refhost/CVLMObject.h"
#include "refhost/CallRecorder.h"
#include "refhost/Members.h"
#include "refhost/PolygonLists.h"
#include "refhost/ReferenceScene.h"
#include "refhost/Smoothing.h"
#include "refhost/ValidUtf8.h"
#include "support/ErrorOf.h"

namespace vlm::refhost {
namespace {

using test::errorOf;
using Json = nlohmann::ordered_json;
using Lines = std::vector<std::string>;
using Vec = std::array<float, 3>;

Variant call(const ObjectRef& object, std::string_view member, std::vector<Variant> args = {},
             InvokeKind kind = InvokeKind::Method) {
  return invokeByName(*object, member, kind, args);
}
Variant get(const ObjectRef& object, std::string_view member, std::vector<Variant> args = {}) {
  return call(object, member, std::move(args), InvokeKind::PropertyGet);
}
void put(const ObjectRef& object, std::string_view member, const Variant& value) {
  call(object, member, {value}, InvokeKind::PropertyPut);
}

// A mesh object given these vertices (x, y, z) and polygon records (count, corners).
std::shared_ptr<CVLMObject> meshObject(std::vector<float> coords,
                                       std::vector<int32_t> records = {}) {
  auto object = std::make_shared<CVLMObject>();
  call(object, "Add_Vertices", {Variant(&coords).byRef()});
  if (!records.empty()) call(object, "Add_Poligons", {Variant(&records).byRef()});
  return object;
}

// A unit square's four corners and a fifth vertex above the first.
const std::vector<float> kSquare = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0, 0, 1};

TEST(Mesh, PolygonListsGiveTrianglesAndInvalidPolygonsStillUseTheirNumbers) {
  // The error, the triangles, the invalid polygons, the numbers used and the invalid ones.
  using Result = std::tuple<int32_t, std::vector<int32_t>, int64_t, int64_t, int64_t>;
  // clang-format off
  const struct { std::vector<int32_t> list; int16_t form; Result result; } cases[] = {  // form 0: records
      {{4, 0, 1, 2, 3}, 0, {0, {0, 1, 2, 2, 3, 0}, 0, 2, 0}},  // a quad is 1-2-3 then 3-4-1
      // Numbers 0 (a corner at the vertex count), 1-2 (negative), 3, 4-5, 6-7 (fourth corner).
      {{3, 0, 1, 5, 4, 0, -1, 2, 3, 3, 0, 1, 4, 4, 0, 1, 2, 3, 4, 0, 1, 2, 9}, 0, {0, {0, 1, 4, 0, 1, 2, 2, 3, 0}, 3, 8, 5}},
      {{0}, 0, {0, {}, 0, 0, 0}},  // vertices handed over without faces
      {{0, 3, 0, 1, 2, 0}, 0, {0, {0, 1, 2}, 0, 1, 0}},
      {{2, 1, 0, 0, 1, 5, -1, 0, 1, 0, 3, 4}, 3, {0, {2, 1, 0, 0, 3, 4}, 2, 4, 2}},
      {{5, 0, 1, 2, 3, 4}, 0, {5, {}, 0, 0, 0}}, {{3, 0, 1, 2, 2, 0, 1}, 0, {5, {}, 0, 0, 0}},
      {{-3, 0, 1, 2}, 0, {5, {}, 0, 0, 0}}, {{3, 0, 1}, 0, {5, {}, 0, 0, 0}},
      {{3, 0, 1, 2, 4, 0, 1, 2}, 0, {5, {}, 0, 0, 0}}, {{0, 1, 2, 3}, 3, {5, {}, 0, 0, 0}},
      {{0, 1, 2}, 4, {5, {}, 0, 0, 0}}};
  // clang-format on
  for (auto c : cases) {
    auto object = meshObject(kSquare);
    std::vector<Variant> args;
    args.emplace_back(&c.list).byRef();
    if (c.form != 0) args.push_back(Variant(c.form));
    const int32_t error =
        errorOf([&] { invokeByName(*object, "Add_Poligons", InvokeKind::Method, args); });
    const auto& t = object->mesh().triangles();
    EXPECT_EQ(Result(error, {t.begin(), t.end()}, object->invalidPolygons(),
                     object->mesh().polygonNumbers(), object->mesh().invalidNumbers()),
              c.result)
        << testing::PrintToString(c.list) << " form " << c.form;
  }
  // A malformed record after good and invalid ones takes back all its list added, and
  // only that; the message names the record.
  auto grown = meshObject(kSquare, {3, 0, 1, 2});
  const std::pair<std::vector<int32_t>, std::string> malformed[] = {
      {{3, 2, 3, 0, 3, 0, 1, 9, 4, 0, 1, 2}, "index 8 is cut short by the list's end"},
      {{3, 2, 3, 0, 4, 0, 1, 9, 2, 5, 0, 1, 2, 3, 4},
       "index 9 has 5 corners; a polygon has 3 or 4"}};
  for (auto [list, message] : malformed) {
    EXPECT_EQ(test::errorPartsOf([&] { call(grown, "Add_Poligons", {Variant(&list).byRef()}); }),
              test::ErrorParts(5, "Velmo", "Polygon record at " + message));
    EXPECT_EQ(std::tuple(grown->mesh().triangles().size(), grown->mesh().polygonNumbers(),
                         grown->mesh().invalidNumbers(), grown->invalidPolygons()),
              std::tuple(size_t{3}, int64_t{1}, int64_t{0}, int64_t{0}));
  }
  // Lists of the wrong length fail. The triples make numbers 0 and 2 triangles 0 and 1 (a
  // vertex twice), and 1 invalid; normals for no stored polygon are only counted.
  std::vector<float> two = {1, 2}, nine(9, 1.0f), records;
  std::vector<int32_t> triples = {0, 1, 2, 0, 1, 5, 3, 3, 4};
  for (float number : {2.0f, 2.5f, -1.0f, 3.0f, 1.0f}) {
    records.push_back(number);
    for (int i = 0; i < 9; ++i) records.push_back(number + 2 + 0.125f * static_cast<float>(i));
  }
  auto object = meshObject(kSquare);
  call(object, "Add_Poligons", {Variant(&triples).byRef(), Variant(int16_t{3})});
  EXPECT_EQ(errorOf([&] { call(object, "Add_Vertices", {Variant(&two).byRef()}); }), 5);
  EXPECT_EQ(
      test::errorPartsOf([&] { call(object, "Set_PoligonNormals", {Variant(&nine).byRef()}); }),
      test::ErrorParts(5, "Velmo", "Normal list of 9 values is not made of ten-value records"));
  call(object, "Set_PoligonNormals", {Variant(&records).byRef()});
  std::vector<Variant> single = {Variant(0)};
  std::array<float, 9> first, second;
  for (int i = 0; i < 9; ++i)
    second[i] = 4 + 0.125f * i, single.push_back(Variant(first[i] = 2 + 0.125f * i));
  call(object, "Set_PoligonNormal", single);
  EXPECT_EQ(
      std::tuple(object->mesh().vertexCount(), object->normalRecords(), object->invalidNormals(),
                 object->mesh().normalsOf(0), object->mesh().normalsOf(1)),
      std::tuple(5, int64_t{6}, int64_t{4}, first, second));
}

// A vertex with a NaN in any coordinate stays out of the box, and of -0 and +0 the first
// met stays; the boxes of two parts of the vertices join into the box of them all.
TEST(Mesh, BoxesLeaveOutVerticesWithANaNAndKeepTheFirstOfTiedZeros) {
  const float nan = std::nanf(""), inf = std::numeric_limits<float>::infinity();
  using Box = std::optional<std::array<Vec, 2>>;  // min and max; none for an empty box
  // clang-format off
  const struct { std::vector<float> coords; Box box; } cases[] = {
      {{}, std::nullopt},
      {{nan, 1, 2}, std::nullopt}, {{1, nan, 2}, std::nullopt}, {{1, 2, nan}, std::nullopt},
      {{nan, 9, 9, 1, 2, 3, 9, nan, 9, -9, -9, nan, 0, 5, 1}, {{Vec{0, 2, 1}, Vec{1, 5, 3}}}},
      {{-0.0f, 0, 1, 0, -0.0f, -1}, {{Vec{-0.0f, 0, -1}, Vec{-0.0f, 0, 1}}}},
      {{inf, -inf, 0, 1, 1, 1}, {{Vec{1, -inf, 0}, Vec{inf, 1, 1}}}}};
  // clang-format on
  auto is = [](const Bounds& b, const Box& box) {  // bit for bit
    if (!box) return b.empty;
    return !b.empty && std::memcmp(b.min.data(), (*box)[0].data(), sizeof(Vec)) == 0 &&
           std::memcmp(b.max.data(), (*box)[1].data(), sizeof(Vec)) == 0;
  };
  for (const auto& c : cases) {
    Mesh whole, first, second;
    const size_t half = c.coords.size() / 6 * 3;
    whole.appendVertices(c.coords);
    first.appendVertices(std::span(c.coords).first(half));
    second.appendVertices(std::span(c.coords).subspan(half));
    Bounds joined = first.bounds();
    joined.include(second.bounds());
    EXPECT_TRUE(is(whole.bounds(), c.box)) << testing::PrintToString(c.coords);
    EXPECT_TRUE(is(joined, c.box)) << testing::PrintToString(c.coords);
  }
}

TEST(Mesh, SurfaceRunsAreRecordedAsAskedAndSmoothTheirStoredTrianglesOnly) {
  // Numbers: 0 -> triangle 0, 1 invalid, 2 -> triangle 1; both face +z. An empty run gives
  // no normals at all ('-').
  // clang-format off
  const struct { std::vector<Variant> args; CVLMObject::Surface recorded; std::string smoothed; } cases[] = {
      {{Variant(int16_t{0})}, {0, 2}, "11+"}, {{Variant(0), Variant(-1).byRef()}, {0, -1}, "00-"},
      {{Variant(0), Variant(0)}, {0, 0}, "10+"}, {{Variant(1), Variant(1)}, {1, 1}, "00-"},
      {{Variant(2)}, {2, 2}, "01+"}, {{Variant(-5), Variant(1)}, {-5, 1}, "10+"},
      {{Variant(1), Variant(40)}, {1, 40}, "01+"}, {{Variant(3), Variant::missing()}, {3, 2}, "00-"}};
  // clang-format on
  for (auto c : cases) {
    auto object = meshObject(kSquare, {3, 0, 1, 2, 3, 0, 1, 9, 3, 0, 2, 3});
    invokeByName(*object, "Get_Surface", InvokeKind::Method, c.args);
    std::string smoothed;
    for (int32_t t = 0; t < 2; ++t) smoothed += object->mesh().normalsOf(t)[5] == 1 ? '1' : '0';
    smoothed += object->mesh().hasCornerNormals() ? '+' : '-';
    EXPECT_EQ(std::pair(object->surfaces(), smoothed),
              std::pair(std::vector{c.recorded}, c.smoothed));
  }
}

// A bumpy square grid of side * side vertices, two triangles per cell, row by row.
std::pair<std::vector<float>, std::vector<int32_t>> bumpyGrid(int32_t side) {
  std::vector<float> grid;
  for (int32_t y = 0; y < side; ++y) {
    for (int32_t x = 0; x < side; ++x) {
      grid.insert(grid.end(),
                  {float(x), float(y), std::sin(0.3f * float(x)) * std::cos(0.2f * float(y))});
    }
  }
  std::vector<int32_t> triangles;
  for (int32_t y = 0; y + 1 < side; ++y) {
    for (int32_t x = 0; x + 1 < side; ++x) {
      const int32_t a = y * side + x, b = a + 1, c = a + side, d = c + 1;
      triangles.insert(triangles.end(), {a, b, d, a, d, c});
    }
  }
  return {grid, triangles};
}

// A large surface smooths the same whether its corners share vertices or not, also when a
// position repeats only far into an indexed vertex list. A bumpy grid of 79,202
// triangles, plus triangle 0 again on vertices of its own at the end.
TEST(Mesh, LargeSurfacesSmoothAlikeIndexedOrOneVertexPerCorner) {
  constexpr int32_t kSide = 200;
  const auto [grid, triangles] = bumpyGrid(kSide);
  auto smoothed = [](std::vector<float> coords, const std::vector<int32_t>& corners) {
    Mesh mesh;
    mesh.appendVertices(coords);
    EXPECT_EQ(mesh.appendTriangleTriples(corners), 0);
    SurfaceSmoother(mesh).smooth(mesh, 0, mesh.triangleCount());
    std::vector<std::array<float, 9>> normals;
    for (int32_t t = 0; t < mesh.triangleCount(); ++t) normals.push_back(mesh.normalsOf(t));
    return normals;
  };
  auto onePerCorner = [&grid](const std::vector<int32_t>& corners) {
    std::vector<float> coords;
    for (const int32_t v : corners) coords.insert(coords.end(), &grid[3 * v], &grid[3 * v + 3]);
    return coords;
  };
  std::vector<int32_t> soupCorners(triangles.size());
  std::iota(soupCorners.begin(), soupCorners.end(), 0);

  const auto indexed = smoothed(grid, triangles);
  EXPECT_EQ(indexed, smoothed(onePerCorner(triangles), soupCorners));
  EXPECT_NEAR(indexed[kSide * 2][2], 1.0f, 0.1f);  // a gentle bump: near +z, not zero

  std::vector<int32_t> repeated = triangles;
  std::vector<float> lateRepeat = grid;
  for (int k = 0; k < 3; ++k) {
    repeated.push_back(static_cast<int32_t>(lateRepeat.size() / 3));
    lateRepeat.insert(lateRepeat.end(), &grid[3 * triangles[k]], &grid[3 * triangles[k] + 3]);
  }
  soupCorners.insert(soupCorners.end(),
                     {soupCorners.back() + 1, soupCorners.back() + 2, soupCorners.back() + 3});
  const std::vector<float> repeatedSoup = [&] {
    std::vector<float> coords = onePerCorner(triangles);
    coords.insert(coords.end(), lateRepeat.end() - 9, lateRepeat.end());
    return coords;
  }();
  const auto late = smoothed(lateRepeat, repeated);
  EXPECT_EQ(late, smoothed(repeatedSoup, soupCorners));
  EXPECT_NE(late[0], indexed[0]);  // triangle 0 counts twice at its corners now
}

// Groups are numbered in order of first appearance, as a map of exact positions (-0 equal
// to +0) numbers them, in tables that fill and wrap around, repeats early, late or never.
TEST(Mesh, PositionGroupsMatchAMapOfExactPositions) {
  for (const uint32_t distinct : {13u, 1000u, 52429u}) {
    for (const uint32_t repeats : {0u, 2 * distinct}) {
      std::vector<float> coords;
      for (uint32_t i = 0, state = 1; i < distinct + repeats; ++i) {
        const uint32_t pick =
            i < distinct ? i : (state = state * 1664525u + 1013904223u) % distinct;
        const float x = pick % 7 == 0 ? 0.0f : 1.0f;
        coords.insert(coords.end(), {i % 2 == 0 ? x : -x, 0.5f, static_cast<float>(pick) + 0.25f});
      }
      std::map<Vec, int32_t> seen;
      const PositionGroups groups(coords);
      for (int32_t v = 0; v < static_cast<int32_t>(coords.size() / 3); ++v) {
        const Vec key{coords[3 * v], coords[3 * v + 1], coords[3 * v + 2]};
        const auto found = seen.emplace(key, static_cast<int32_t>(seen.size())).first;
        ASSERT_EQ(groups.groupOf(v), found->second) << "vertex " << v;
      }
      EXPECT_EQ(groups.groupCount(), static_cast<int32_t>(seen.size()));
    }
  }
}

Vec corner(const Mesh& mesh, int32_t triangle, int k) {
  const float* p = &mesh.vertices()[3 * static_cast<size_t>(mesh.triangles()[3 * triangle + k])];
  return {p[0], p[1], p[2]};
}

// The face normal, twice the triangle's area long.
Vec cross(const Mesh& mesh, int32_t t) {
  const Vec a = corner(mesh, t, 0), b = corner(mesh, t, 1), c = corner(mesh, t, 2);
  const Vec e{b[0] - a[0], b[1] - a[1], b[2] - a[2]}, f{c[0] - a[0], c[1] - a[1], c[2] - a[2]};
  return {e[1] * f[2] - e[2] * f[1], e[2] * f[0] - e[0] * f[2], e[0] * f[1] - e[1] * f[0]};
}

Vec unitOrZero(const Vec& v) {
  const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  return length > 0 ? Vec{v[0] / length, v[1] / length, v[2] / length} : Vec{0, 0, 0};
}

// A run's corner normals the slow way: the unit sum of the face normals of the run's
// triangles touching the corner's position, or its own face's where that sum is zero.
void smoothedRun(const Mesh& mesh, int32_t begin, int32_t end, std::vector<float>& out) {
  for (int32_t t = begin; t < end; ++t) {
    for (int k = 0; k < 3; ++k) {
      Vec sum{0, 0, 0};
      for (int32_t o = begin; o < end; ++o) {
        const Vec p = corner(mesh, t, k), n = cross(mesh, o);
        if (corner(mesh, o, 0) != p && corner(mesh, o, 1) != p && corner(mesh, o, 2) != p) continue;
        for (int i = 0; i < 3; ++i) sum[i] += n[i];
      }
      const Vec n = unitOrZero(unitOrZero(sum) == Vec{} ? cross(mesh, t) : sum);
      std::copy(n.begin(), n.end(), out.begin() + 9 * t + 3 * k);
    }
  }
}

// Normals of the corners of a record: ids from 0 are one normal per id, -1 is zero, -2 is
// (-0, 0, 1) and -3 is (+0, 0, 1).
Vec normalOf(int id) {
  if (id < 0) return id == -1 ? Vec{0, 0, 0} : Vec{id == -2 ? -0.0f : 0.0f, 0, 1};
  return {0.5f, 0.25f * static_cast<float>(id), 1};
}

// Operations on a strip sharing vertices by index (triangles 0 1 2, 1 3 2, 1 4 3) and a
// triangle of vertices of its own (5 6 7), lying on vertex 0 or apart.
struct Op {
  char kind;  // 's': surface run [a, b); 'n': a normal record for triangle a; 'v': add a triangle
  int32_t a = 0, b = 0;
  std::array<int, 3> ids{};  // 'n': normalOf each corner
};

std::shared_ptr<CVLMObject> strip(float apart) {
  return meshObject({0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 1, 2, 0, 1, apart, 0, 0, 0, -1, 0, -1, 0, 1},
                    {3, 0, 1, 2, 3, 1, 3, 2, 3, 1, 4, 3, 3, 5, 6, 7});
}

// Makes the calls of `op`; 'v' adds triangle 4 on vertices 8, 9 and 10 of its own.
void perform(const std::shared_ptr<CVLMObject>& object, const Op& op) {
  if (op.kind == 's') {
    call(object, "Get_Surface", {Variant(op.a), Variant(op.b - 1)});
  } else if (op.kind == 'n') {
    std::vector<float> record = {static_cast<float>(op.a)};
    for (int id : op.ids)
      for (float x : normalOf(id)) record.push_back(x);
    call(object, "Set_PoligonNormals", {Variant(&record).byRef()});
  } else {
    std::vector<float> more = {0, 0, 0, 0, 0, 1, 1, 0, 0};
    std::vector<int32_t> added = {3, 8, 9, 10};
    call(object, "Add_Vertices", {Variant(&more).byRef()});
    call(object, "Add_Poligons", {Variant(&added).byRef()});
  }
}

TEST(Mesh, EveryCornerReadsWhatTheLastRunOrNormalRecordGaveIt) {
  // clang-format off
  const std::vector<Op> cases[] = {
      {{'s', 0, 4}}, {{'s', 0, 2}}, {{'s', 2, 4}, {'s', 0, 1}}, {{'s', 0, 1}, {'s', 1, 3}},
      {{'s', 0, 4}, {'s', 1, 2}}, {{'s', 3, 4}, {'s', 0, 1}}, {{'s', 0, 4}, {'n', 1, 0, {7, 7, 7}}},
      {{'n', 0, 0, {0, 1, 2}}, {'n', 1, 0, {1, 3, 2}}},  // one normal per vertex
      {{'n', 0, 0, {0, 1, 2}}, {'n', 2, 0, {3, 4, 3}}},  // vertex 1 given a second normal
      {{'n', 3, 0, {5, 6, 7}}, {'n', 0, 0, {0, 1, 2}}, {'n', 2, 0, {1, 4, 3}}, {'n', 1, 0, {1, 3, 2}}},
      {{'n', 3, 0, {5, 6, 7}}, {'n', 0, 0, {0, 1, 2}}},  // the triangles between keep none
      {{'n', 0, 0, {0, 1, 2}}, {'n', 3, 0, {5, 6, 7}}, {'n', 1, 0, {1, 3, 2}}},
      {{'n', 0, 0, {-1, 1, 2}}, {'n', 1, 0, {1, 3, 2}}},       // a zero normal
      {{'n', 0, 0, {-3, -3, -3}}, {'n', 1, 0, {-2, -3, -3}}},  // -0 is not +0
      {{'n', 1, 0, {1, 3, 2}}, {'n', 1, 0, {0, 0, 0}}},
      {{'n', 0, 0, {0, 1, 2}}, {'n', 1, 0, {1, 3, 2}}, {'s', 3, 4}}, {{'n', 3, 0, {5, 6, 7}}, {'s', 3, 4}},
      {{'s', 0, 1}, {'v'}, {'s', 4, 5}}, {{'n', 0, 0, {0, 1, 2}}, {'v'}, {'n', 4, 0, {8, 9, 10}}},
      // Nine values per triangle, then a triangle added: it reads zero until given some.
      {{'n', 0, 0, {-1, 1, 2}}, {'v'}}, {{'n', 0, 0, {-1, 1, 2}}, {'v'}, {'s', 4, 5}},
      {{'n', 0, 0, {-1, 1, 2}}, {'v'}, {'n', 4, 0, {8, 9, 10}}}};
  // clang-format on
  for (const float apart : {0.0f, 5.0f}) {
    for (const std::vector<Op>& ops : cases) {
      SCOPED_TRACE(testing::Message() << "case " << (&ops - cases) << " apart " << apart);
      auto object = strip(apart);
      std::vector<float> expected(36, 0.0f);
      std::vector<bool> exact(4, false);  // set by a record, not smoothed: bit for bit
      for (const Op& op : ops) {
        perform(object, op);
        if (op.kind == 's') {
          smoothedRun(object->mesh(), op.a, op.b, expected);
          std::fill(exact.begin() + op.a, exact.begin() + op.b, false);
        } else if (op.kind == 'n') {
          for (size_t k = 0; k < 3; ++k) {
            const Vec n = normalOf(op.ids[k]);
            std::copy(n.begin(), n.end(), expected.begin() + 9 * op.a + 3 * k);
          }
          exact[op.a] = true;
        } else {
          expected.resize(45, 0.0f);
          exact.push_back(false);
        }
      }
      ASSERT_EQ(object->mesh().triangleCount() * 9, static_cast<int32_t>(expected.size()));
      for (int32_t t = 0; t < object->mesh().triangleCount(); ++t) {
        const std::array<float, 9> n = object->mesh().normalsOf(t);
        for (size_t i = 0; i < 9; ++i) {
          const float want = expected[9 * t + i];
          EXPECT_TRUE(exact[t] ? std::memcmp(&n[i], &want, 4) == 0 : std::fabs(n[i] - want) < 1e-5f)
              << "triangle " << t << " value " << i << ": " << n[i] << ", not " << want;
        }
      }
    }
  }
}

// Corner normals stay one per vertex, in whatever order the triangles get them, until a
// vertex would need two; nine values per triangle take over then.
TEST(Mesh, NormalsStayOnePerVertexUntilAVertexWouldNeedTwo) {
  // clang-format off
  const struct { std::vector<Op> ops; bool shared; } cases[] = {
      {{{'n', 3, 0, {5, 6, 7}}, {'n', 2, 0, {1, 4, 3}}, {'n', 1, 0, {1, 3, 2}}, {'n', 0, 0, {0, 1, 2}}}, true},
      {{{'s', 0, 1}}, true},  // a flat triangle alone: its sums lie on one axis
      {{{'s', 3, 4}, {'s', 2, 3}}, true},  // a run just before an earlier one, no vertex in common
      {{{'s', 0, 2}, {'s', 1, 3}}, false},  // a run overlapping an earlier one
      {{{'s', 0, 1}, {'s', 1, 2}}, false},  // a run sharing vertices with an earlier one
      {{{'n', 0, 0, {0, 1, 2}}, {'n', 1, 0, {1, 3, 4}}}, false},  // vertex 2 given a second normal
      {{{'n', 0, 0, {0, 0, 0}}, {'n', 0, 0, {0, 1, 0}}}, false},  // and triangle 0 again
      {{{'n', 3, 0, {5, 6, 7}}, {'n', 2, 0, {-1, 4, 3}}}, false}};  // a zero normal
  // clang-format on
  for (const float apart : {0.0f, 5.0f}) {
    for (const auto& c : cases) {
      auto object = strip(apart);
      for (const Op& op : c.ops) perform(object, op);
      EXPECT_EQ(object->mesh().hasSharedNormals(), c.shared)
          << "case " << (&c - cases) << " apart " << apart;
    }
  }
  auto smoothed = strip(5);
  perform(smoothed, {'s', 0, 4});
  call(smoothed, "SmoothNormalsAdaptive", {Variant(180.0)});
  EXPECT_FALSE(smoothed->mesh().hasSharedNormals());
  // Triangles of vertices of their own in the planes x = 0, 1, ...: smoothed, their sums
  // lie on the x axis. Records from the last triangle to the first, more of them than
  // separate runs are kept: each joins the run after it.
  constexpr int32_t kTriangles = 1100;
  std::vector<float> coords, records;
  std::vector<int32_t> polygons;
  for (int32_t t = 0; t < kTriangles; ++t) {
    const auto x = static_cast<float>(t);
    coords.insert(coords.end(), {x, 0, 0, x, 1, 0, x, 0, 1});
    polygons.insert(polygons.end(), {3, 3 * t, 3 * t + 1, 3 * t + 2});
  }
  for (int32_t t = kTriangles - 1; t >= 0; --t) {
    records.push_back(static_cast<float>(t));
    for (int k = 0; k < 3; ++k) records.insert(records.end(), {1, 0, 0});
  }
  auto descending = meshObject(coords, polygons);
  call(descending, "Set_PoligonNormals", {Variant(&records).byRef()});
  EXPECT_TRUE(descending->mesh().hasSharedNormals());
  EXPECT_EQ(descending->mesh().normalsOf(kTriangles - 1),
            (std::array<float, 9>{1, 0, 0, 1, 0, 0, 1, 0, 0}));
  auto planes = meshObject(coords, polygons);
  call(planes, "Get_Surface", {Variant(int16_t{0})});
  EXPECT_TRUE(planes->mesh().hasSharedNormals());
}

// A triangle with three vertices of its own, as the importers make them.
void addTriangle(std::vector<float>& coords, std::vector<int32_t>& records,
                 std::array<Vec, 3> corners) {
  records.push_back(3);
  for (const Vec& p : corners) {
    records.push_back(static_cast<int32_t>(coords.size() / 3));
    coords.insert(coords.end(), p.begin(), p.end());
  }
}

// Flat: every corner has its own face's normal. Rounded: all corners at a position share
// one unit normal pointing away from the origin in every axis.
void expectSmoothed(std::vector<float> coords, std::vector<int32_t> records, double angle,
                    bool rounded) {
  auto object = meshObject(std::move(coords), std::move(records));
  call(object, "SmoothNormalsAdaptive", {Variant(angle)});
  const Mesh& mesh = object->mesh();
  std::map<Vec, Vec> atPosition;
  for (int32_t t = 0; t < mesh.triangleCount(); ++t) {
    for (int k = 0; k < 3; ++k) {
      const std::array<float, 9> all = mesh.normalsOf(t);
      const Vec n{all[3 * k], all[3 * k + 1], all[3 * k + 2]}, p = corner(mesh, t, k);
      const Vec want =
          unitOrZero(rounded ? atPosition.emplace(p, n).first->second : cross(mesh, t));
      for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(std::fabs(n[i] - want[i]) < 1e-5f && (!rounded || n[i] * p[i] > 0))
            << "angle " << angle << " triangle " << t << " corner " << k << ": " << n[i];
    }
  }
}

TEST(Mesh, AdaptiveEdgesSharperThanTheAngleStaySharpAndTheOthersAreRounded) {
  // A cube of edge 2 around the origin, two triangles per face, counter-clockwise from
  // outside: its edges are 90 degrees, and exactly the limit angle counts as within.
  std::vector<float> coords;
  std::vector<int32_t> records;
  for (int axis = 0; axis < 3; ++axis) {
    for (float s : {-1.0f, 1.0f}) {
      auto at = [&](float u, float v) {
        Vec p{};
        p[axis] = s, p[(axis + 1) % 3] = u, p[(axis + 2) % 3] = v;
        return p;
      };
      addTriangle(coords, records, {at(-1, -1), at(s, -s), at(1, 1)});
      addTriangle(coords, records, {at(1, 1), at(-s, s), at(-1, -1)});
    }
  }
  const std::pair<double, bool> angles[] = {
      {-100, false}, {60, false}, {89, false}, {90, true}, {400, true}};
  for (const auto& [angle, rounded] : angles) expectSmoothed(coords, records, angle, rounded);
  // Fans around one apex in the planes z = 0 and x = 0: more faces than the exact pass
  // takes, so directions are compared by cells, and the edge between the fans stays sharp.
  coords.clear(), records.clear();
  for (int i = 0, spokes = 2 * static_cast<int>(kAdaptiveExactLimit); i < spokes; ++i) {
    const float a = std::numbers::pi_v<float> * i / spokes,
                b = std::numbers::pi_v<float> * (i + 1) / spokes;
    addTriangle(coords, records,
                {Vec{0, 0, 0}, {std::cos(a), std::sin(a), 0}, {std::cos(b), std::sin(b), 0}});
    addTriangle(coords, records,
                {Vec{0, 0, 0}, {0, std::cos(a), -std::sin(a)}, {0, std::cos(b), -std::sin(b)}});
  }
  expectSmoothed(coords, records, 60, false);
}

class SceneTest : public ::testing::Test {
 protected:
  ObjectRef addObject(const char* materialKey = "", const char* parentKey = nullptr) {
    ObjectRef object = createReferenceObject();
    put(object, "MaterialKey", Variant(materialKey));
    std::vector<Variant> args = {Variant(object)};
    if (parentKey != nullptr) args.insert(args.end(), {Variant(), Variant(parentKey)});
    call(objects, "Add", args);
    return object;
  }
  ObjectRef addMaterial(const char* name) {
    ObjectRef material = createReferenceMaterial();
    put(material, "Name", Variant(name));
    call(materials, "Add", {Variant(material)});
    return material;
  }

  ReferenceScene scene;
  ObjectRef objects = get(scene.dispatch(), "ListObjects").toObject();
  ObjectRef materials = get(scene.dispatch(), "ListMaterials").toObject();
};

TEST_F(SceneTest, ItemsByKeyOrPositionBadCallsAndMaterialBinding) {
  ObjectRef first = addObject(), second = addObject(), child = addObject("", "obj1");
  ObjectRef brick = addMaterial("Brick"), orphan = createReferenceObject();
  Variant byKey[] = {Variant("OBJ2")};
  const std::vector<ObjectRef> items = {
      invokeMember(*objects, kDispIdValue, InvokeKind::PropertyGet, byKey).toObject(),
      get(objects, "Item", {Variant(int16_t{1})}).toObject(),
      get(objects, "Item", {Variant(3)}).toObject(),
      get(materials, "Item", {Variant("bRICK")}).toObject(),
      get(materials, "Item", {Variant(int16_t{1})}).toObject()};
  EXPECT_EQ(items, (std::vector<ObjectRef>{second, first, child, brick, brick}));
  const std::pair<std::function<void()>, int32_t> cases[] = {
      {[&] { call(objects, "Add", {Variant(first)}); }, err::kInvalidCall},
      {[&] { call(objects, "Add", {Variant(orphan), Variant(), Variant("Obj9")}); },
       err::kInvalidCall},
      {[&] { call(objects, "Add", {Variant(createReferenceMaterial())}); }, err::kTypeMismatch},
      {[&] { call(materials, "Add", {Variant(orphan)}); }, err::kTypeMismatch},
      {[&] { get(objects, "Item", {Variant(int16_t{0})}); }, err::kSubscript},
      {[&] { get(objects, "Item", {Variant(int16_t{4})}); }, err::kSubscript},
      {[&] { get(objects, "Item", {Variant("Obj4")}); }, err::kInvalidCall},
      {[&] { get(objects, "Item", {Variant("Obj01")}); }, err::kInvalidCall},
      {[&] { get(objects, "Item", {Variant("Obj1x")}); }, err::kInvalidCall},
      {[&] { get(materials, "Item", {Variant("Stone")}); }, err::kInvalidCall},
      {[&] { get(materials, "Item", {Variant(int16_t{2})}); }, err::kSubscript},
      {[&] { call(scene.dispatch(), "Assign_MaterialToObject", {Variant(int16_t{4})}); },
       err::kSubscript},
      {[&] { put(first, "Key", Variant("X")); }, kReadOnlyProperty},
      {[&] { put(objects, "Add", Variant(orphan)); }, err::kNoSuchMember}};
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(errorOf(cases[i].first), cases[i].second) << "case " << i;
  EXPECT_EQ(std::tuple(get(objects, "Count").toLong(), get(materials, "Count").toLong(),
                       scene.objectCount(), scene.materialCount(), get(orphan, "Key").toString()),
            std::tuple(3, 1, 3u, 1u, ""));
  // Materials are bound by name in any case, else to the default; objects note their batch.
  addMaterial("Glass");
  addMaterial("");  // a new material's name: never bound by an empty key
  put(first, "MaterialKey", Variant("gLASS"));
  call(scene.dispatch(), "Prepare_Import");
  addObject("Marble");
  for (const Variant& which : {Variant("Obj1"), Variant(int16_t{2}), Variant(int32_t{4})})
    call(scene.dispatch(), "Assign_MaterialToObject", {which});
  std::vector<std::pair<std::string, int32_t>> bound;  // material and batch of each object
  for (size_t i : {0, 1, 3})
    bound.emplace_back(scene.object(i).material()->name(), scene.object(i).importBatch());
  EXPECT_EQ(bound, (decltype(bound){{"Glass", 0}, {"Default", 0}, {"Default", 1}}));
  EXPECT_EQ(scene.importBatches(), 1);
}

// The streamed report is the document, with invalid UTF-8 replaced in the extra keys too;
// non-finite floats and empty boxes are null.
TEST_F(SceneTest, StreamedReportIsTheDocumentWithTheExtraKeys) {
  ObjectRef parent = addObject(), child = addObject("", "Obj1");
  std::vector<float> coords = {0, 0, 0, 2, 0, 4, std::nanf(""), 1, 1};
  call(parent, "Add_Vertices", {Variant(&coords).byRef()});
  put(addMaterial("Brick"), "SpecCoeff", Variant(0.25));
  const Json report = scene.toJson(true);
  EXPECT_EQ(report["objects"][0]["bbox"], Json::parse("[[0, 0, 0], [2, 0, 4]]"));
  EXPECT_EQ(report["objects"][0]["vertices"].dump(), "[0.0,0.0,0.0,2.0,0.0,4.0,null,1.0,1.0]");
  for (const bool geometry : {false, true}) {
    std::ostringstream out;
    scene.writeJson(out, geometry, Json{{"selected\xFF", 1}});
    Json expected = scene.toJson(geometry);
    expected["selected\xEF\xBF\xBD"] = 1;
    EXPECT_EQ(Json::parse(out.str()), expected) << out.str();
  }
}

TEST(ValidUtf8, KeepsWellFormedSequencesAndReplacesEveryBadByte) {
  // That many replacement characters.
  auto r = [](int bad) { std::string out; while (bad-- > 0) out += "\xEF\xBF\xBD"; return out; };
  // The first and last code of each length, either side of the surrogates.
  const std::string edges =
      "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF\xF0\x90\x80\x80"
      "\xF4\x8F\xBF\xBF";
  // clang-format off
  const std::pair<std::string, std::string> cases[] = {
      {"Cube_1", "Cube_1"}, {std::string("a\0b", 3), std::string("a\0b", 3)}, {edges, edges},
      {"a\xFC" "b", std::string("a").append(r(1)).append("b")},  // a Latin-1 byte
      {"\xC0\xAF\xC1\xBF\xE0\x9F\xBF\xF0\x8F\xBF\xBF", r(11)},  // overlong forms
      {"\xED\xA0\x80\xED\xBF\xBF", r(6)},                       // surrogates
      {"\xF4\x90\x80\x80\xF5", r(5)},                           // beyond U+10FFFF
      {"x\xE2\x82", std::string("x").append(r(2))},              // cut short at the end
      {"\x80z\xC3\xC3\xBC", r(1) + "z" + r(1) + "\xC3\xBC"}};   // stray, broken
  // clang-format on
  for (const auto& [bytes, expected] : cases) EXPECT_EQ(validUtf8(bytes), expected) << bytes;
}

// The call recorder. Each test leaves the plain reference host registered, so the
// registry lets go of the recorder.
class Recording : public ::testing::Test {
 protected:
  void TearDown() override { registerReferenceHostClasses(); }
  CallRecorder recorder;
};

TEST_F(Recording, EachArgumentPrintsAsItsTypeAndValue) {
  std::vector<float> singles(9);
  std::vector<int32_t> longs(5);
  call(recorder.wrapScene(), "Probe",
       {Variant(), Variant::missing(), Variant(true), Variant(int16_t{-3}), Variant(7).byRef(),
        Variant(0.1f), Variant(0.25), Variant("a\"b\\c\n\xFC"), Variant(ObjectRef()),
        Variant(createReferenceObject()), Variant(&singles).byRef(), Variant(&longs)});
  EXPECT_EQ(recorder.lines(),
            Lines{"scene.Probe call (Empty, Missing, Boolean True, Integer -3, ByRef Long 7, "
                  "Single 0.1, Double 0.25, String \"a\"\"b\\x5Cc\\x0A\\xFC\", Object Nothing, "
                  "Object <foreign>, Single()[9], Long()[5])"});
}

TEST_F(Recording, NullHostAnswersTheHandOverAsAHostWould) {
  recorder.registerClasses(nullptr, nullptr);
  ObjectRef scene = recorder.wrapScene(), list = get(scene, "ListObjects").toObject();
  ObjectRef first = createObject("Velmo.CVLMObject"), second = createObject("Velmo.CVLMObject");
  call(list, "Add", {Variant(first)});
  call(list, "Add", {Variant(second), Variant::missing(), get(first, "Key")});
  put(first, "PosX", Variant(1.5f).byRef());
  ObjectRef materials = get(scene, "ListMaterials").toObject(),
            brick = createObject("Velmo.CVLMMaterial");
  put(brick, "Name", Variant("Brick"));
  call(materials, "Add", {Variant(brick)});
  Variant byKey[] = {Variant("obj2")};
  EXPECT_EQ(std::tuple(invokeMember(*list, kDispIdValue, InvokeKind::PropertyGet, byKey).toObject(),
                       get(list, "Item", {Variant(int16_t{1})}).toObject(),
                       get(materials, "Item", {Variant("BRICK")}).toObject(),
                       get(list, "Count").toLong(), get(first, "posx").toSingle(),
                       get(first, "PosY").isEmpty()),
            std::tuple(second, first, brick, 2, 1.5f, true));
  EXPECT_EQ(errorOf([&] { get(materials, "Item", {Variant("Glass")}); }), err::kInvalidCall);
  EXPECT_EQ(errorOf([&] { get(list, "Item", {Variant(3)}); }), err::kSubscript);
  EXPECT_EQ(recorder.lines().back(), "ListObjects.Item get (Long 3) -> error 9");
}

TEST_F(Recording, ResultsAreNumberedAsMetAndTargetOrInjectedFailuresAreRecorded) {
  ReferenceScene target;
  call(get(target.dispatch(), "ListObjects").toObject(), "Add", {Variant(createReferenceObject())});
  recorder.registerReferenceClasses();
  ObjectRef list = get(recorder.wrapScene(target.dispatch()), "ListObjects").toObject();
  ObjectRef made = createObject("Velmo.CVLMObject");
  std::vector<Variant> added = {Variant(made).byRef()};  // the object comes back as passed
  invokeByName(*list, "Add", InvokeKind::Method, added);
  EXPECT_EQ(added[0].toObject(), made);
  EXPECT_EQ(&target.object(1), CallRecorder::unwrap(made).get());
  EXPECT_EQ(CallRecorder::receiverName(get(list, "Item", {Variant(1)}).toObject()), "object#2");
  std::vector<int32_t> fiveCorners = {5, 0, 1, 2, 3, 4};
  EXPECT_EQ(errorOf([&] { call(made, "Add_Poligons", {Variant(&fiveCorners).byRef()}); }), 5);
  EXPECT_EQ(errorOf([&] { call(made, "NoSuchMember"); }), err::kNoSuchMember);
  EXPECT_EQ(recorder.lines().back(), "object#1.Add_Poligons call (Long()[6]) -> error 5");
  // Injected failures hit the named receiver and occurrence and are not forwarded.
  recorder.failCall(FailRule{"object", "add_vertices", 2, err::kOutOfMemory, "no room", "Velmo"});
  recorder.failCall(FailRule{"object#4", "Center", 0, err::kInvalidCall, "", "Velmo"});
  ObjectRef first = createObject("Velmo.CVLMObject"), second = createObject("Velmo.CVLMObject");
  std::vector<float> coords = {1, 2, 3};
  std::vector<vlm::test::ErrorParts> errors;
  for (const ObjectRef& object : {first, first, second, first})
    errors.push_back(
        vlm::test::errorPartsOf([&] { call(object, "Add_Vertices", {Variant(&coords).byRef()}); }));
  for (const ObjectRef& object : {first, second, second})
    errors.push_back(vlm::test::errorPartsOf([&] { call(object, "Center"); }));
  const vlm::test::ErrorParts none{0, "", ""},
      fifth{5, "Velmo", "Invalid procedure call or argument"};
  EXPECT_EQ(errors, (std::vector<vlm::test::ErrorParts>{
                        none, {7, "Velmo", "no room"}, none, none, none, fifth, fifth}));
  EXPECT_EQ(dynamic_cast<const CVLMObject&>(*CallRecorder::unwrap(first)).mesh().vertexCount(), 2);
}

}  // namespace
}  // namespace vlm::refhost
