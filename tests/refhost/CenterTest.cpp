// Center: the family's common box centre goes to the origin, nothing moves in the world.
#include <gtest/gtest.h>

#include <vector>

#include "LateBound.h"
#include "refhost/ReferenceScene.h"

namespace vlm::refhost {
namespace {

using test::call;
using test::get;

ObjectRef objectWith(std::vector<float> coords) {
  ObjectRef object = createReferenceObject();
  call(object, "Add_Vertices", {Variant(&coords).byRef()});
  return object;
}

std::vector<float> stored(const CVLMObject& object) {
  const auto& coords = object.mesh().vertices();
  return {coords.begin(), coords.end()};
}

// Each vertex in the world: stored coordinates plus the object's position.
std::vector<float> world(const CVLMObject& object) {
  std::vector<float> out = stored(object);
  for (size_t i = 0; i < out.size(); ++i) out[i] += object.position()[i % 3];
  return out;
}

void expectSameFloats(const std::vector<float>& a, const std::vector<float>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); ++i) EXPECT_FLOAT_EQ(a[i], b[i]) << "value " << i;
}

TEST(Center, MovesParentAndChildrenTogetherAndKeepsTheWorldPlacement) {
  ReferenceScene scene;
  ObjectRef lists = get(scene.dispatch(), "ListObjects").toObject();
  ObjectRef parent = objectWith({0, 0, 0, 2, 4, 6});
  ObjectRef child = objectWith({10, -2, 1, 12, 0, 3});
  ObjectRef other = objectWith({100, 100, 100});
  call(lists, "Add", {Variant(parent)});
  call(lists, "Add", {Variant(child), Variant::missing(), Variant("Obj1")});
  call(lists, "Add", {Variant(other)});
  test::put(child, "PosX", Variant(1.0f));
  const std::vector<float> parentWorld = world(scene.object(0));
  const std::vector<float> childWorld = world(scene.object(1));

  call(parent, "Center");

  // Common box: x 0..12, y -2..4, z 0..6 -> centre (6, 1, 3).
  const std::array<float, 3> centre{6, 1, 3};
  EXPECT_EQ(scene.object(0).centerOffset(), centre);
  EXPECT_EQ(scene.object(1).centerOffset(), centre);
  EXPECT_EQ(scene.object(0).position(), centre);
  EXPECT_EQ(scene.object(1).position(), (std::array<float, 3>{7, 1, 3}));
  expectSameFloats(world(scene.object(0)), parentWorld);
  expectSameFloats(world(scene.object(1)), childWorld);
  EXPECT_EQ(stored(scene.object(0)), (std::vector<float>{-6, -1, -3, -4, 3, 3}));
  // An object outside the family is not touched.
  EXPECT_EQ(stored(scene.object(2)), (std::vector<float>{100, 100, 100}));
  EXPECT_EQ(scene.object(2).centerOffset(), (std::array<float, 3>{0, 0, 0}));
}

TEST(Center, StoredVerticesPlusOffsetAreTheVerticesAsReceived) {
  ObjectRef object = objectWith({1, 2, 3, 5, 7, 9});
  call(object, "Center");
  call(object, "Center");  // a second call finds the centre at the origin already
  const auto& o = static_cast<const CVLMObject&>(*object);
  std::vector<float> received = stored(o);
  for (size_t i = 0; i < received.size(); ++i) received[i] += o.centerOffset()[i % 3];
  expectSameFloats(received, {1, 2, 3, 5, 7, 9});
}

TEST(Center, ObjectWithoutVerticesStaysWhereItIs) {
  ObjectRef object = createReferenceObject();
  test::put(object, "PosY", Variant(2.5f));
  call(object, "Center");
  EXPECT_EQ(get(object, "PosY").toSingle(), 2.5f);
  EXPECT_EQ(static_cast<const CVLMObject&>(*object).centerOffset(),
            (std::array<float, 3>{0, 0, 0}));
}

}  // namespace
}  // namespace vlm::refhost
