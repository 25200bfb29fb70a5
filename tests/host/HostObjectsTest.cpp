// The typed host calls: exact Variant types, lists fetched on every use, cached member
// ids, by-reference write-back, failures, and a hand-over into the reference scene.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/HostObjects.h"
#include "platform/ObjectRegistry.h"
#include "refhost/CallRecorder.h"
#include "refhost/ReferenceScene.h"
#include "support/ErrorOf.h"

namespace vlm::host {
namespace {

using refhost::CallRecorder;

class TypedCalls : public ::testing::Test {
 protected:
  void SetUp() override { recorder.registerClasses(nullptr, nullptr); }
  void TearDown() override { refhost::registerReferenceHostClasses(); }

  CallRecorder recorder;
};

TEST_F(TypedCalls, ObjectCallsPassExactlyTheirVariantTypes) {
  HostObject object = HostObject::create();
  std::vector<float> coords(9, 0.0f), normals(10, 0.0f);
  std::vector<int32_t> records = {3, 0, 1, 2}, triples = {0, 1, 2};
  float x = 1, y = 2, z = 3;
  int32_t polygon = 4, last = -1;
  std::array<float, 9> nine = {0, 1, 2, 3, 4, 5, 6, 7, 8};
  object.setName("Cube");
  object.setDefaultColor(kDefaultObjectColor);
  object.setVisible(false);
  object.setMaterialKey("Brick");
  object.setPosX(1.5f);
  object.setPosY(-2.0f);
  object.setPosZ(0.25f);
  object.key();
  object.Add_Vertices(coords);
  object.Add_Poligons(records);
  object.Add_Poligons(triples, int16_t{3});
  object.Set_PoligonNormals(normals);
  object.Add_Vertex(x, y, z);
  object.Add_Poligon(0, 1, 2);
  object.Set_PoligonNormal(polygon, nine);
  object.Get_Surface(int16_t{0});
  object.Get_Surface(int32_t{5});
  object.Get_Surface(int32_t{0}, last);
  object.Center();
  object.SmoothNormalsAdaptive(60);
  EXPECT_EQ(recorder.lines(),
            (std::vector<std::string>{
                "object#1.Name put (String \"Cube\")",
                "object#1.DefaultColor put (Long 12615680)",
                "object#1.Visible put (Boolean False)",
                "object#1.MaterialKey put (String \"Brick\")",
                "object#1.PosX put (Single 1.5)",
                "object#1.PosY put (Single -2)",
                "object#1.PosZ put (Single 0.25)",
                "object#1.Key get ()",
                "object#1.Add_Vertices call (Single()[9])",
                "object#1.Add_Poligons call (Long()[4])",
                "object#1.Add_Poligons call (Long()[3], Integer 3)",
                "object#1.Set_PoligonNormals call (Single()[10])",
                "object#1.Add_Vertex call (ByRef Single 1, ByRef Single 2, ByRef Single 3)",
                "object#1.Add_Poligon call (Long 0, Long 1, Long 2)",
                "object#1.Set_PoligonNormal call (ByRef Long 4, ByRef Single 0, ByRef Single 1, "
                "ByRef Single 2, ByRef Single 3, ByRef Single 4, ByRef Single 5, ByRef Single 6, "
                "ByRef Single 7, ByRef Single 8)",
                "object#1.Get_Surface call (Integer 0)",
                "object#1.Get_Surface call (Long 5)",
                "object#1.Get_Surface call (Long 0, ByRef Long -1)",
                "object#1.Center call ()",
                "object#1.SmoothNormalsAdaptive call (Integer 60)",
            }));
  for (size_t i : {8, 9, 10, 11}) EXPECT_TRUE(recorder.records()[i].args[0].byRef) << i;
}

TEST_F(TypedCalls, MaterialCallsPassExactlyTheirVariantTypes) {
  HostMaterial material = HostMaterial::create();
  material.setName("Brick");
  material.setMaterialType(4);
  material.setAmbientColor(colorNumber(1, 2, 3));
  material.setColor(255);
  material.setSpecularColor(65536);
  material.setSmoothness(0.5f);
  material.setSpecCoeff(0.75);
  material.setSpecCoeff(0.5f);
  material.setOpacityValue(1.0f);
  EXPECT_EQ(recorder.lines(), (std::vector<std::string>{
                                  "material#1.Name put (String \"Brick\")",
                                  "material#1.MaterialType put (Integer 4)",
                                  "material#1.AmbientColor put (Long 197121)",
                                  "material#1.Color put (Long 255)",
                                  "material#1.SpecularColor put (Long 65536)",
                                  "material#1.Smoothness put (Single 0.5)",
                                  "material#1.SpecCoeff put (Double 0.75)",
                                  "material#1.SpecCoeff put (Single 0.5)",
                                  "material#1.OpacityValue put (Single 1)",
                              }));
}

TEST_F(TypedCalls, SceneFetchesItsListsOnEveryUseAndReachesItemsByTheDefaultMember) {
  HostScene scene(recorder.wrapScene());
  HostObject first = HostObject::create();
  HostObject second = HostObject::create();
  HostMaterial material = HostMaterial::create();
  scene.Prepare_Import();
  scene.listObjectsAdd(first.ref());
  const std::string key = first.key();
  EXPECT_EQ(scene.listObjectsCount(), 1);
  scene.listObjectsAdd(second.ref(), key);
  scene.listObjectsItem(key).Center();
  EXPECT_EQ(scene.listObjectsItem(int16_t{2}).ref(), second.ref());
  scene.listMaterialsAdd(material.ref());
  scene.Assign_MaterialToObject(key);
  scene.Assign_MaterialToObject(int16_t{1});
  scene.Assign_MaterialToObject(int32_t{2});
  EXPECT_EQ(recorder.lines(),
            (std::vector<std::string>{
                "scene.Prepare_Import call ()",
                "scene.ListObjects get ()",
                "ListObjects.Add call (Object object#1)",
                "object#1.Key get ()",
                "scene.ListObjects get ()",
                "ListObjects.Count get ()",
                "scene.ListObjects get ()",
                "ListObjects.Add call (Object object#2, Missing, String \"Obj1\")",
                "scene.ListObjects get ()",
                "ListObjects.[default] get (String \"Obj1\")",
                "object#1.Center call ()",
                "scene.ListObjects get ()",
                "ListObjects.[default] get (Integer 2)",
                "scene.ListMaterials get ()",
                "ListMaterials.Add call (Object material#1)",
                "scene.Assign_MaterialToObject call (String \"Obj1\")",
                "scene.Assign_MaterialToObject call (Integer 1)",
                "scene.Assign_MaterialToObject call (Long 2)",
            }));
}

TEST_F(TypedCalls, FailedHostCallRaisesTheHostsError) {
  recorder.failCall({"object", "Add_Poligons", 1, 5, "bad polygons", "Velmo"});
  HostObject object = HostObject::create();
  std::vector<int32_t> records = {3, 0, 1, 2};
  EXPECT_EQ(test::errorPartsOf([&] { object.Add_Poligons(records); }),
            test::ErrorParts(5, "Velmo", "bad polygons"));
}

TEST_F(TypedCalls, MissingClassOrMemberGivesTheClassicErrors) {
  HostObject nothing;
  HostObject material(refhost::createReferenceMaterial());
  EXPECT_EQ(test::errorOf([&] { nothing.Center(); }), err::kObjectVarNotSet);
  EXPECT_EQ(test::errorOf([&] { material.Center(); }), err::kNoSuchMember);
  unregisterClass(kObjectProgId);
  EXPECT_EQ(test::errorOf([] { (void)HostObject::create(); }), err::kCantCreateObject);
}

// A dispatch double that counts name lookups and Add calls and writes into by-reference
// arguments. As a scene, its ListObjects returns `list`, or with `alternate` a new list
// each time whose member ids are laid out the other way round.
class Probe : public DispatchObject {
 public:
  explicit Probe(bool addFirst = true, std::shared_ptr<int> addCounter = std::make_shared<int>(0))
      : adds(std::move(addCounter)), addFirst_(addFirst) {
    auto add = [this](InvokeKind, std::span<Variant>) -> Variant {
      ++*adds;
      return {};
    };
    auto count = [](InvokeKind, std::span<Variant>) -> Variant { return int32_t{7}; };
    if (addFirst) {
      addMember("Add", add);
      addMember("Count", count);
    } else {
      addMember("Count", count);
      addMember("Add", add);
    }
    addMember("Add_Vertex", [](InvokeKind, std::span<Variant> args) -> Variant {
      args[0].assign(Variant(9.5f));
      args[1].assign(Variant("not a number"));
      return {};
    });
    addMember("Get_Surface", [](InvokeKind, std::span<Variant> args) -> Variant {
      if (args.size() == 2) args[1].assign(Variant(int32_t{42}));
      return {};
    });
    addMember("ListObjects", [this](InvokeKind, std::span<Variant>) -> Variant {
      if (alternate) {
        flip_ = !flip_;
        return ObjectRef(std::make_shared<Probe>(flip_, adds));
      }
      return list;
    });
  }
  DispId memberId(std::string_view name) override {
    ++lookups;
    return DispatchObject::memberId(name);
  }

  int lookups = 0;
  std::shared_ptr<int> adds;
  bool alternate = false;
  ObjectRef list;

 private:
  bool addFirst_;
  bool flip_ = false;
};

TEST(MemberIds, AreLookedUpOncePerWrapperNotPerCall) {
  auto probe = std::make_shared<Probe>();
  HostObject object(probe);
  for (int i = 0; i < 1000; ++i) {
    float x = 0, y = 0, z = 0;
    object.Add_Vertex(x, y, z);
  }
  EXPECT_EQ(probe->lookups, 1);
}

TEST(MemberIds, OfListsAreLookedUpAgainWhenTheSceneHandsOutAnotherList) {
  auto scene = std::make_shared<Probe>();
  auto sameList = std::make_shared<Probe>();
  scene->list = sameList;
  HostScene host(scene);
  for (int i = 0; i < 3; ++i) host.listObjectsAdd(nullptr);
  EXPECT_EQ(*sameList->adds, 3);
  EXPECT_EQ(sameList->lookups, 2);  // Add and Count, once

  scene->alternate = true;
  for (int i = 0; i < 4; ++i) host.listObjectsAdd(nullptr);
  EXPECT_EQ(*scene->adds, 4);
  for (int i = 0; i < 2; ++i) EXPECT_EQ(host.listObjectsCount(), 7);
}

TEST(ByReference, ValuesWrittenByTheHostReachTheCallerWhenTheirTypeFits) {
  HostObject object(std::make_shared<Probe>());
  float x = 1, y = 2, z = 3;
  object.Add_Vertex(x, y, z);
  EXPECT_EQ(x, 9.5f);
  EXPECT_EQ(y, 2.0f);  // a text written back is not a Single: the variable keeps its value
  int32_t last = 5;
  object.Get_Surface(0, last);
  EXPECT_EQ(last, 42);
}

TEST(HandOver, IntoTheReferenceSceneBuildsTheObjects) {
  refhost::registerReferenceHostClasses();
  refhost::ReferenceScene target;
  HostScene scene(target.dispatch());
  HostObject first = HostObject::create();
  HostObject second = HostObject::create();
  std::vector<float> coords = {0, 0, 0, 4, 0, 0, 0, 2, 0};
  std::vector<int32_t> triples = {0, 1, 2};
  first.Add_Vertices(coords);
  first.Add_Poligons(triples, 3);
  first.Get_Surface(int16_t{0});
  scene.Prepare_Import();
  scene.listObjectsAdd(first.ref());
  const std::string key = first.key();
  scene.listObjectsAdd(second.ref(), key);
  scene.listObjectsItem(key).Center();
  ASSERT_EQ(target.objectCount(), 2u);
  EXPECT_EQ(target.object(1).parent().get(), &target.object(0));
  EXPECT_EQ(target.object(0).centerOffset(), (std::array<float, 3>{2, 1, 0}));
  EXPECT_EQ(target.object(0).mesh().triangleCount(), 1);
}

}  // namespace
}  // namespace vlm::host
