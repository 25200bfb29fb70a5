// The scene: keys and parents, item lookups and their errors, material binding, import
// batches, the report; and the call recorder in front of it.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "LateBound.h"
#include "platform/ObjectRegistry.h"
#include "refhost/CallRecorder.h"
#include "refhost/Members.h"
#include "refhost/ReferenceScene.h"
#include "refhost/ValidUtf8.h"

namespace vlm::refhost {
namespace {

using test::call;
using test::errorOf;
using test::get;
using test::put;
using Json = nlohmann::ordered_json;
using Lines = std::vector<std::string>;

class SceneTest : public ::testing::Test {
 protected:
  ObjectRef addObject(const char* materialKey = "", const char* parentKey = nullptr) {
    ObjectRef object = createReferenceObject();
    put(object, "MaterialKey", Variant(materialKey));
    if (parentKey == nullptr) call(objects, "Add", {Variant(object)});
    if (parentKey != nullptr)
      call(objects, "Add", {Variant(object), Variant(), Variant(parentKey)});
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

TEST_F(SceneTest, KeysParentsAndItemsByKeyInAnyCaseOrByPositionFromOne) {
  ObjectRef first = addObject(), second = addObject(), child = addObject("", "obj1");
  ObjectRef brick = addMaterial("Brick");
  std::vector<std::string> keys;
  for (const ObjectRef& o : {first, second, child}) keys.push_back(get(o, "Key").toString());
  EXPECT_EQ(keys, (Lines{"Obj1", "Obj2", "Obj3"}));
  EXPECT_EQ(std::pair(scene.object(1).parent().get(), scene.object(2).parent().get()),
            (std::pair<const CVLMObject*, const CVLMObject*>(nullptr, &scene.object(0))));
  Variant byKey[] = {Variant("OBJ2")};
  const std::vector<ObjectRef> items = {
      invokeMember(*objects, kDispIdValue, InvokeKind::PropertyGet, byKey).toObject(),
      get(objects, "Item", {Variant(int16_t{1})}).toObject(),
      get(objects, "Item", {Variant(3)}).toObject(),
      get(materials, "Item", {Variant("bRICK")}).toObject(),
      get(materials, "Item", {Variant(int16_t{1})}).toObject()};
  EXPECT_EQ(items, (std::vector<ObjectRef>{second, first, child, brick, brick}));
  EXPECT_EQ(std::pair(get(objects, "Count").toLong(), get(materials, "Count").toLong()),
            std::pair(3, 1));
}

TEST_F(SceneTest, BadCallsFailWithTheirErrorsAndAddNothing) {
  ObjectRef object = addObject(), orphan = createReferenceObject();
  addMaterial("Brick");
  const std::pair<std::function<void()>, int32_t> cases[] = {
      {[&] { call(objects, "Add", {Variant(object)}); }, err::kInvalidCall},
      {[&] {
         call(objects, "Add", {Variant(orphan), Variant(), Variant("Obj9")});
       },
       err::kInvalidCall},
      {[&] { call(objects, "Add", {Variant(createReferenceMaterial())}); }, err::kTypeMismatch},
      {[&] { call(materials, "Add", {Variant(orphan)}); }, err::kTypeMismatch},
      {[&] { get(objects, "Item", {Variant(int16_t{0})}); }, err::kSubscript},
      {[&] { get(objects, "Item", {Variant(int16_t{2})}); }, err::kSubscript},
      {[&] { get(objects, "Item", {Variant("Obj2")}); }, err::kInvalidCall},
      {[&] { get(materials, "Item", {Variant("Stone")}); }, err::kInvalidCall},
      {[&] { get(materials, "Item", {Variant(int16_t{2})}); }, err::kSubscript},
      {[&] { call(scene.dispatch(), "Assign_MaterialToObject", {Variant(int16_t{2})}); },
       err::kSubscript},
      {[&] { put(object, "Key", Variant("X")); }, kReadOnlyProperty},
      {[&] { put(objects, "Add", Variant(orphan)); }, err::kNoSuchMember}};
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(errorOf(cases[i].first), cases[i].second) << "case " << i;
  EXPECT_EQ(scene.objectCount(), 1u);
  EXPECT_EQ(scene.materialCount(), 1u);
  EXPECT_EQ(get(orphan, "Key").toString(), "");
}

TEST_F(SceneTest, MaterialIsBoundByNameInAnyCaseElseTheDefaultAndObjectsNoteTheirBatch) {
  addMaterial("Brick");
  addMaterial("Glass");
  addMaterial("");  // a new material's name: never bound by an empty key
  addObject("gLASS");
  call(scene.dispatch(), "Prepare_Import");
  addObject("Marble");
  addObject("");
  for (const Variant& which : {Variant("Obj1"), Variant(int16_t{2}), Variant(int32_t{3})})
    call(scene.dispatch(), "Assign_MaterialToObject", {which});
  std::vector<std::string> bound;
  std::vector<int32_t> batches;
  for (size_t i = 0; i < 3; ++i) {
    bound.push_back(scene.object(i).material()->name());
    batches.push_back(scene.object(i).importBatch());
  }
  EXPECT_EQ(bound, (std::vector<std::string>{"Glass", "Default", "Default"}));
  EXPECT_EQ(batches, (std::vector<int32_t>{0, 1, 1}));
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
  EXPECT_EQ(report["objects"][1]["bbox"], nullptr);
  for (const bool geometry : {false, true}) {
    std::ostringstream out;
    scene.writeJson(out, geometry, Json{{"selected\xFF", 1}});
    Json expected = scene.toJson(geometry);
    expected["selected\xEF\xBF\xBD"] = 1;
    EXPECT_EQ(Json::parse(out.str()), expected) << out.str();
  }
}

TEST(ValidUtf8, KeepsWellFormedSequencesAndReplacesEveryBadByte) {
  auto r = [](int bad) {  // that many replacement characters
    std::string out;
    while (bad-- > 0) out += "\xEF\xBF\xBD";
    return out;
  };
  // The first and last code of each length, either side of the surrogates.
  const std::string edges =
      "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF\xF0\x90\x80\x80"
      "\xF4\x8F\xBF\xBF";
  // clang-format off
  const std::pair<std::string, std::string> cases[] = {
      {"Cube_1", "Cube_1"}, {std::string("a\0b", 3), std::string("a\0b", 3)}, {edges, edges},
      {"a\xFC" "b", "a" + r(1) + "b"},                          // a Latin-1 byte
      {"\xC0\xAF\xC1\xBF\xE0\x9F\xBF\xF0\x8F\xBF\xBF", r(11)},  // overlong forms
      {"\xED\xA0\x80\xED\xBF\xBF", r(6)},                       // surrogates
      {"\xF4\x90\x80\x80\xF5", r(5)},                           // beyond U+10FFFF
      {"x\xE2\x82", "x" + r(2)},                                // cut short at the end
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
  EXPECT_EQ(invokeMember(*list, kDispIdValue, InvokeKind::PropertyGet, byKey).toObject(), second);
  EXPECT_EQ(get(list, "Item", {Variant(int16_t{1})}).toObject(), first);
  EXPECT_EQ(get(materials, "Item", {Variant("BRICK")}).toObject(), brick);
  EXPECT_EQ(get(list, "Count").toLong(), 2);
  EXPECT_EQ(get(first, "posx").toSingle(), 1.5f);
  EXPECT_TRUE(get(first, "PosY").isEmpty());
  EXPECT_EQ(errorOf([&] { get(materials, "Item", {Variant("Glass")}); }), err::kInvalidCall);
  EXPECT_EQ(errorOf([&] { get(list, "Item", {Variant(3)}); }), err::kSubscript);
  EXPECT_EQ(recorder.lines().back(), "ListObjects.Item get (Long 3) -> error 9");
}

TEST_F(Recording, ResultsAreNumberedAsMetAndTargetFailuresAreRecorded) {
  ReferenceScene target;
  call(get(target.dispatch(), "ListObjects").toObject(), "Add", {Variant(createReferenceObject())});
  recorder.registerReferenceClasses();
  ObjectRef list = get(recorder.wrapScene(target.dispatch()), "ListObjects").toObject();
  ObjectRef made = createObject("Velmo.CVLMObject");
  call(list, "Add", {Variant(made)});
  EXPECT_EQ(&target.object(1), CallRecorder::unwrap(made).get());
  EXPECT_EQ(CallRecorder::receiverName(get(list, "Item", {Variant(1)}).toObject()), "object#2");
  std::vector<int32_t> fiveCorners = {5, 0, 1, 2, 3, 4};
  EXPECT_EQ(errorOf([&] { call(made, "Add_Poligons", {Variant(&fiveCorners).byRef()}); }), 5);
  EXPECT_EQ(errorOf([&] { call(made, "NoSuchMember"); }), err::kNoSuchMember);
  EXPECT_EQ(recorder.lines().back(), "object#1.Add_Poligons call (Long()[6]) -> error 5");
}

TEST_F(Recording, InjectedFailuresHitTheNamedReceiverAndOccurrenceAndAreNotForwarded) {
  recorder.registerReferenceClasses();
  recorder.failCall(FailRule{"object", "add_vertices", 2, err::kOutOfMemory, "no room", "Velmo"});
  recorder.failCall(FailRule{"object#2", "Center", 0, err::kInvalidCall, "", "Velmo"});
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
