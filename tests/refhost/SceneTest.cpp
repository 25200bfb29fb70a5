// The scene and its lists: keys, parents, item access, material binding, import batches.
#include <gtest/gtest.h>

#include "LateBound.h"
#include "platform/ObjectRegistry.h"
#include "refhost/Members.h"
#include "refhost/ReferenceScene.h"

namespace vlm::refhost {
namespace {

using test::call;
using test::errorOf;
using test::get;
using test::put;

class SceneLists : public ::testing::Test {
 protected:
  ObjectRef addObject(const char* materialKey = "") {
    ObjectRef object = createReferenceObject();
    put(object, "MaterialKey", Variant(materialKey));
    call(objects, "Add", {Variant(object)});
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

TEST_F(SceneLists, KeysAreUniqueAndReadableFromTheObject) {
  ObjectRef first = addObject();
  ObjectRef second = addObject();
  ObjectRef child = createReferenceObject();
  call(objects, "Add", {Variant(child), Variant::missing(), Variant("obj1")});
  EXPECT_EQ(get(first, "Key").toString(), "Obj1");
  EXPECT_EQ(get(second, "Key").toString(), "Obj2");
  EXPECT_EQ(get(child, "Key").toString(), "Obj3");
  EXPECT_EQ(get(objects, "Count").toLong(), 3);
  EXPECT_EQ(scene.object(2).parent().get(), &scene.object(0));
  EXPECT_EQ(scene.object(1).parent(), nullptr);
}

TEST_F(SceneLists, DefaultMemberFindsByKeyInAnyCaseOrByPositionFromOne) {
  ObjectRef first = addObject();
  ObjectRef second = addObject();
  Variant byKey[] = {Variant("OBJ2")};
  EXPECT_EQ(invokeMember(*objects, kDispIdValue, InvokeKind::PropertyGet, byKey).toObject(),
            second);
  Variant byPosition[] = {Variant(int16_t{1})};
  EXPECT_EQ(invokeMember(*objects, kDispIdValue, InvokeKind::PropertyGet, byPosition).toObject(),
            first);
  EXPECT_EQ(get(objects, "Item", {Variant(int32_t{2})}).toObject(), second);
}

TEST_F(SceneLists, BadAddsAndLookupsFailWithClassicErrors) {
  ObjectRef object = addObject();
  EXPECT_EQ(errorOf([&] { call(objects, "Add", {Variant(object)}); }), err::kInvalidCall);
  ObjectRef orphan = createReferenceObject();
  EXPECT_EQ(errorOf([&] {
              call(objects, "Add", {Variant(orphan), Variant::missing(), Variant("Obj9")});
            }),
            err::kInvalidCall);
  EXPECT_EQ(get(orphan, "Key").toString(), "");
  EXPECT_EQ(errorOf([&] { call(objects, "Add", {Variant(createReferenceMaterial())}); }),
            err::kTypeMismatch);
  EXPECT_EQ(errorOf([&] { get(objects, "Item", {Variant(int16_t{0})}); }), err::kSubscript);
  EXPECT_EQ(errorOf([&] { get(objects, "Item", {Variant(int16_t{2})}); }), err::kSubscript);
  EXPECT_EQ(errorOf([&] { get(objects, "Item", {Variant("Obj2")}); }), err::kInvalidCall);
  EXPECT_EQ(errorOf([&] { put(object, "Key", Variant("X")); }), kReadOnlyProperty);
  EXPECT_EQ(scene.objectCount(), 1u);
}

TEST_F(SceneLists, MaterialIsBoundByNameWithoutRegardToCaseElseTheDefault) {
  addMaterial("Brick");
  addMaterial("Glass");
  addObject("gLASS");
  addObject("Marble");
  addObject("");
  call(scene.dispatch(), "Assign_MaterialToObject", {Variant("Obj1")});
  call(scene.dispatch(), "Assign_MaterialToObject", {Variant(int16_t{2})});
  call(scene.dispatch(), "Assign_MaterialToObject", {Variant(int32_t{3})});
  EXPECT_EQ(scene.object(0).material()->name(), "Glass");
  EXPECT_EQ(scene.object(1).material()->name(), "Default");
  EXPECT_EQ(scene.object(2).material()->name(), "Default");
  EXPECT_EQ(
      errorOf([&] { call(scene.dispatch(), "Assign_MaterialToObject", {Variant(int16_t{4})}); }),
      err::kSubscript);
}

TEST_F(SceneLists, MaterialsAreFoundByPositionOrName) {
  ObjectRef brick = addMaterial("Brick");
  EXPECT_EQ(get(materials, "Count").toLong(), 1);
  EXPECT_EQ(get(materials, "Item", {Variant("BRICK")}).toObject(), brick);
  EXPECT_EQ(get(materials, "Item", {Variant(int16_t{1})}).toObject(), brick);
  EXPECT_EQ(errorOf([&] { get(materials, "Item", {Variant("Stone")}); }), err::kInvalidCall);
}

TEST_F(SceneLists, PrepareImportOpensABatchThatLaterObjectsNote) {
  addObject();
  call(scene.dispatch(), "Prepare_Import");
  addObject();
  EXPECT_EQ(scene.importBatches(), 1);
  EXPECT_EQ(scene.object(0).importBatch(), 0);
  EXPECT_EQ(scene.object(1).importBatch(), 1);
}

TEST(ReferenceHostClasses, RegisteredUnderTheHostProgIds) {
  registerReferenceHostClasses();
  ObjectRef object = createObject("velmo.cvlmobject");
  ObjectRef material = createObject("Velmo.CVLMMaterial");
  EXPECT_NE(dynamic_cast<CVLMObject*>(object.get()), nullptr);
  EXPECT_NE(dynamic_cast<CVLMMaterial*>(material.get()), nullptr);
  EXPECT_EQ(get(object, "DefaultColor").toLong(), 12615680);
  EXPECT_TRUE(get(object, "Visible").toBool());
  EXPECT_EQ(get(material, "OpacityValue").toSingle(), 1.0f);
}

}  // namespace
}  // namespace vlm::refhost
