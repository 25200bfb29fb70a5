// The call recorder: line format, null host, forwarding with unwrap and wrap, failures.
#include <gtest/gtest.h>

#include <vector>

#include "LateBound.h"
#include "platform/ObjectRegistry.h"
#include "refhost/CallRecorder.h"
#include "refhost/ReferenceScene.h"

namespace vlm::refhost {
namespace {

using test::call;
using test::errorOf;
using test::get;
using test::put;

// Each test registers the classes it needs and leaves the plain reference host behind,
// so the registry lets go of the recorder.
class Recording : public ::testing::Test {
 protected:
  void TearDown() override { registerReferenceHostClasses(); }
  std::string lastLine() const { return recorder.records().back().line(); }

  CallRecorder recorder;
};

struct ArgCase {
  const char* what;
  Variant value;
  std::string printed;
};

class ArgumentText : public Recording, public ::testing::WithParamInterface<ArgCase> {};

std::vector<float> nineSingles(9);
std::vector<int32_t> fiveLongs(5);

TEST_P(ArgumentText, PrintsTypeAndValue) {
  ObjectRef scene = recorder.wrapScene();
  std::vector<Variant> args = {GetParam().value};
  invokeByName(*scene, "Probe", InvokeKind::Method, args);
  EXPECT_EQ(lastLine(), "scene.Probe call (" + GetParam().printed + ")");
}

INSTANTIATE_TEST_SUITE_P(
    Types, ArgumentText,
    ::testing::Values(
        ArgCase{"empty", Variant(), "Empty"}, ArgCase{"missing", Variant::missing(), "Missing"},
        ArgCase{"boolean", Variant(true), "Boolean True"},
        ArgCase{"integer", Variant(int16_t{-3}), "Integer -3"},
        ArgCase{"long", Variant(int32_t{12615680}), "Long 12615680"},
        ArgCase{"single", Variant(0.1f), "Single 0.1"},
        ArgCase{"double", Variant(0.25), "Double 0.25"},
        ArgCase{"string", Variant("a\"b\\c\n\xFC"), "String \"a\"\"b\\x5Cc\\x0A\\xFC\""},
        ArgCase{"nothing", Variant(ObjectRef()), "Object Nothing"},
        ArgCase{"foreign", Variant(ObjectRef(createReferenceObject())), "Object <foreign>"},
        ArgCase{"single_array", Variant(&nineSingles).byRef(), "Single()[9]"},
        ArgCase{"long_array", Variant(&fiveLongs), "Long()[5]"},
        ArgCase{"by_reference", Variant(int32_t{7}).byRef(), "ByRef Long 7"}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(Recording, NullHostAnswersTheHandOverAsAHostWould) {
  recorder.registerClasses(nullptr, nullptr);
  ObjectRef scene = recorder.wrapScene();
  ObjectRef first = createObject("Velmo.CVLMObject");
  ObjectRef second = createObject("Velmo.CVLMObject");
  call(scene, "Prepare_Import");
  ObjectRef list = get(scene, "ListObjects").toObject();
  call(list, "Add", {Variant(first)});
  const std::string key = get(first, "Key").toString();
  call(list, "Add", {Variant(second), Variant::missing(), Variant(key)});
  EXPECT_EQ(key, "Obj1");
  EXPECT_EQ(get(second, "Key").toString(), "Obj2");
  EXPECT_EQ(get(list, "Count").toLong(), 2);
  Variant byKey[] = {Variant("obj2")};
  EXPECT_EQ(invokeMember(*list, kDispIdValue, InvokeKind::PropertyGet, byKey).toObject(), second);
  EXPECT_EQ(get(list, "Item", {Variant(int16_t{1})}).toObject(), first);
  put(first, "PosX", Variant(1.5f).byRef());
  EXPECT_EQ(get(first, "PosX").toSingle(), 1.5f);
  EXPECT_TRUE(get(first, "PosY").isEmpty());
  EXPECT_EQ(recorder.lines(),
            (std::vector<std::string>{
                "scene.Prepare_Import call ()",
                "scene.ListObjects get ()",
                "ListObjects.Add call (Object object#1)",
                "object#1.Key get ()",
                "ListObjects.Add call (Object object#2, Missing, String \"Obj1\")",
                "object#2.Key get ()",
                "ListObjects.Count get ()",
                "ListObjects.[default] get (String \"obj2\")",
                "ListObjects.Item get (Integer 1)",
                "object#1.PosX put (ByRef Single 1.5)",
                "object#1.PosX get ()",
                "object#1.PosY get ()",
            }));
}

TEST_F(Recording, NullHostListsFailLikeCollections) {
  ObjectRef scene = recorder.wrapScene();
  ObjectRef list = get(scene, "ListMaterials").toObject();
  recorder.registerClasses(nullptr, nullptr);
  ObjectRef material = createObject("Velmo.CVLMMaterial");
  put(material, "Name", Variant("Brick"));
  call(list, "Add", {Variant(material)});
  EXPECT_EQ(get(list, "Item", {Variant("BRICK")}).toObject(), material);
  EXPECT_EQ(errorOf([&] { get(list, "Item", {Variant("Glass")}); }), err::kInvalidCall);
  EXPECT_EQ(errorOf([&] { get(list, "Item", {Variant(int16_t{2})}); }), err::kSubscript);
  EXPECT_EQ(recorder.records().back().error, err::kSubscript);
  EXPECT_EQ(lastLine(), "ListMaterials.Item get (Integer 2) -> error 9");
}

TEST_F(Recording, TargetNeverSeesAProxyAndResultsComeBackAsTheSameProxies) {
  recorder.registerReferenceClasses();
  ReferenceScene target;
  ObjectRef scene = recorder.wrapScene(target.dispatch());
  ObjectRef object = createObject("Velmo.CVLMObject");
  ASSERT_NE(CallRecorder::unwrap(object), object);
  ObjectRef list = get(scene, "ListObjects").toObject();
  EXPECT_EQ(CallRecorder::receiverName(list), "ListObjects");
  EXPECT_EQ(get(scene, "ListObjects").toObject(), list);
  call(list, "Add", {Variant(object)});
  EXPECT_EQ(&target.object(0), CallRecorder::unwrap(object).get());
  EXPECT_EQ(get(list, "Item", {Variant("Obj1")}).toObject(), object);
  EXPECT_EQ(get(object, "Key").toString(), "Obj1");
  EXPECT_EQ(recorder.records().back().result.text(), "String \"Obj1\"");
}

TEST_F(Recording, ObjectsFirstMetAsResultsAreNumberedInOrder) {
  ReferenceScene target;
  ObjectRef objects = get(target.dispatch(), "ListObjects").toObject();
  call(objects, "Add", {Variant(createReferenceObject())});
  call(objects, "Add", {Variant(createReferenceObject())});
  ObjectRef scene = recorder.wrapScene(target.dispatch());
  ObjectRef list = get(scene, "ListObjects").toObject();
  ObjectRef second = get(list, "Item", {Variant(int16_t{2})}).toObject();
  ObjectRef first = get(list, "Item", {Variant(int16_t{1})}).toObject();
  EXPECT_EQ(CallRecorder::receiverName(second), "object#1");
  EXPECT_EQ(CallRecorder::receiverName(first), "object#2");
  EXPECT_EQ(get(list, "Item", {Variant("Obj2")}).toObject(), second);
}

TEST_F(Recording, InjectedFailureHitsOnlyTheNamedOccurrenceAndIsNotForwarded) {
  recorder.registerReferenceClasses();
  recorder.failCall(FailRule{"object", "add_vertices", 2, err::kOutOfMemory, "no room", "Velmo"});
  ObjectRef object = createObject("Velmo.CVLMObject");
  std::vector<float> coords = {1, 2, 3};
  call(object, "Add_Vertices", {Variant(&coords).byRef()});
  EXPECT_EQ(vlm::test::errorPartsOf([&] { call(object, "Add_Vertices", {Variant(&coords).byRef()}); }),
            vlm::test::ErrorParts(err::kOutOfMemory, "Velmo", "no room"));
  call(object, "Add_Vertices", {Variant(&coords).byRef()});
  const auto& target = dynamic_cast<const CVLMObject&>(*CallRecorder::unwrap(object));
  EXPECT_EQ(target.mesh().vertexCount(), 2);
  EXPECT_EQ(recorder.lines()[1], "object#1.Add_Vertices call (Single()[3]) -> error 7");
}

TEST_F(Recording, RuleForOneReceiverLeavesOthersAloneAndEveryOccurrenceFails) {
  recorder.registerClasses(nullptr, nullptr);
  recorder.failCall(FailRule{"object#2", "Center", 0, err::kInvalidCall, "", "Velmo"});
  ObjectRef first = createObject("Velmo.CVLMObject");
  ObjectRef second = createObject("Velmo.CVLMObject");
  EXPECT_EQ(errorOf([&] { call(first, "Center"); }), 0);
  EXPECT_EQ(errorOf([&] { call(second, "Center"); }), err::kInvalidCall);
  EXPECT_EQ(errorOf([&] { call(second, "Center"); }), err::kInvalidCall);
}

TEST_F(Recording, TargetFailuresAreRecordedWithTheirNumber) {
  recorder.registerReferenceClasses();
  ObjectRef object = createObject("Velmo.CVLMObject");
  std::vector<int32_t> fiveCorners = {5, 0, 1, 2, 3, 4};
  EXPECT_EQ(errorOf([&] { call(object, "Add_Poligons", {Variant(&fiveCorners).byRef()}); }),
            err::kInvalidCall);
  EXPECT_EQ(lastLine(), "object#1.Add_Poligons call (Long()[6]) -> error 5");
  EXPECT_EQ(errorOf([&] { call(object, "NoSuchMember"); }), err::kNoSuchMember);
  EXPECT_EQ(recorder.records().size(), 1u);  // an unknown name never reaches a call
}

TEST_F(Recording, SinkSeesRecordsEvenWhenTheyAreNotKeptAndArraysCanBeCaptured) {
  std::vector<std::string> seen;
  recorder.setKeepRecords(false);
  recorder.setCaptureArrays(true);
  ObjectRef scene = recorder.wrapScene();
  std::vector<int32_t> list = {3, 0, 1, 2};
  std::vector<int32_t> copied;
  recorder.setSink([&](const CallRecord& r) {
    seen.push_back(r.line());
    copied = r.args[0].longs;
  });
  call(scene, "Probe", {Variant(&list).byRef()});
  EXPECT_EQ(seen, std::vector<std::string>{"scene.Probe call (Long()[4])"});
  EXPECT_EQ(copied, list);
  EXPECT_TRUE(recorder.records().empty());
}

}  // namespace
}  // namespace vlm::refhost
