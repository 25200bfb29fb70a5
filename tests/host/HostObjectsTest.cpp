// The typed host calls beyond what the golden host-call traces show: list member ids
// looked up again for another list, and values the host writes into by-reference arguments.
#include <gtest/gtest.h>

#include "host/HostObjects.h"

namespace vlm::host {
namespace {

// A host double that writes into by-reference arguments and, as a scene, hands out a new
// list on every use, whose members "Add" and "Count" swap ids from one list to the next.
class Probe : public DispatchObject {
 public:
  explicit Probe(bool addFirst = true) {
    const Handler add = [](InvokeKind, std::span<Variant>) -> Variant { return ++adds; };
    addMember(addFirst ? "Add" : "Count", addFirst ? add : [](auto...) { return Variant(7); });
    addMember(addFirst ? "Count" : "Add", addFirst ? [](auto...) { return Variant(7); } : add);
    addMember("ListObjects", [this](InvokeKind, std::span<Variant>) -> Variant {
      return ObjectRef(std::make_shared<Probe>(flip_ = !flip_));
    });
    addMember("Add_Vertex", [](InvokeKind, std::span<Variant> args) -> Variant {
      return args[0].assign(9.5f), args[1].assign("not a Single"), Variant();
    });
    addMember("Set_PoligonNormal", [](InvokeKind, std::span<Variant> args) -> Variant {
      for (size_t i = 0; i < args.size(); ++i) args[i].assign(i ? Variant(i * 10.0f) : 77);
      return {};
    });
    addMember("Get_Surface", [](InvokeKind, std::span<Variant> args) -> Variant {
      return args[1].assign(int32_t{42}), Variant();
    });
  }
  static inline int32_t adds = 0;

 private:
  bool flip_ = false;
};

TEST(HostCalls, ListMembersAreLookedUpAgainForAnotherListAndValuesComeBackByReference) {
  HostScene scene(std::make_shared<Probe>());
  for (int i = 0; i < 4; ++i) scene.listObjectsAdd(nullptr);
  EXPECT_EQ(Probe::adds, 4);
  for (int i = 0; i < 2; ++i) EXPECT_EQ(scene.listObjectsCount(), 7);
  HostObject object(std::make_shared<Probe>());
  float x = 1, y = 2, z = 3;
  object.Add_Vertex(x, y, z);
  EXPECT_EQ(std::tuple(x, y, z), std::tuple(9.5f, 2.0f, 3.0f));  // text is no Single: kept
  int32_t polygon = 0, last = 5;
  std::array<float, 9> normals{};
  object.Set_PoligonNormal(polygon, normals);
  object.Get_Surface(0, last);
  EXPECT_EQ(std::tuple(polygon, normals, last),
            std::tuple(77, std::array<float, 9>{10, 20, 30, 40, 50, 60, 70, 80, 90}, 42));
}

}  // namespace
}  // namespace vlm::host
