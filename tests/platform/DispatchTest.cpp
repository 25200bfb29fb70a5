// Late-bound calls by name, the classic collection, the class registry and Variant coercions.
#include <gtest/gtest.h>

#include "platform/Collection.h"
#include "platform/Dispatch.h"
#include "platform/Error.h"
#include "platform/ObjectRegistry.h"
#include "support/ErrorOf.h"

namespace vlm {
namespace {

using test::errorOf;

class Counter : public DispatchObject {
 public:
  Counter() {
    addMember("Value", [this](InvokeKind kind, std::span<Variant> args) -> Variant {
      if (kind == InvokeKind::PropertyPut) {
        expectArgs(args, 1);
        value_ = args[0].toLong();
        return {};
      }
      return value_;
    });
    addMember("Fail", [](InvokeKind, std::span<Variant>) -> Variant {
      raise(err::kInvalidCall, "no good", "Counter");
    });
    addMember("Double", [](InvokeKind, std::span<Variant> args) -> Variant {
      expectArgs(args, 1);
      args[0].assign(args[0].toLong() * 2);
      return {};
    });
  }

 private:
  int32_t value_ = 0;
};

TEST(Dispatch, MembersAreFoundByNameInAnyCase) {
  Counter c;
  EXPECT_EQ(c.memberId("value"), c.memberId("VALUE"));
  EXPECT_EQ(c.memberId("Missing"), kDispIdUnknown);
  Variant v[] = {Variant(int16_t{41})};
  invokeByName(c, "vAlUe", InvokeKind::PropertyPut, v);
  EXPECT_EQ(invokeByName(c, "Value", InvokeKind::PropertyGet, {}).toLong(), 41);
}

TEST(Dispatch, FailuresCrossAsErrorInfoAndComeBackAsRuntimeErrors) {
  Counter c;
  Variant result;
  ErrorInfo info;
  EXPECT_EQ(c.invoke(c.memberId("Fail"), InvokeKind::Method, {}, &result, &info), hr::kException);
  EXPECT_EQ(info.number, err::kInvalidCall);
  EXPECT_EQ(info.description, "no good");
  try {
    invokeByName(c, "Fail", InvokeKind::Method, {});
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.source(), "Counter");
  }
  EXPECT_EQ(errorOf([&] { invokeByName(c, "Nothing", InvokeKind::Method, {}); }),
            err::kNoSuchMember);
}

TEST(Dispatch, ByReferenceArgumentsAreWrittenBack) {
  Counter c;
  Variant args[] = {Variant(int32_t{21}).byRef()};
  invokeByName(c, "Double", InvokeKind::Method, args);
  EXPECT_EQ(args[0].toLong(), 42);
  EXPECT_TRUE(args[0].isByRef());
}

TEST(Dispatch, MemberCacheLooksUpAgainForAnotherReceiver) {
  Counter a, b;
  MemberCache cache("Value");
  Variant v[] = {Variant(int32_t{1})};
  cache.call(a, InvokeKind::PropertyPut, v);
  Variant w[] = {Variant(int32_t{2})};
  cache.call(b, InvokeKind::PropertyPut, w);
  EXPECT_EQ(cache.call(a, InvokeKind::PropertyGet, {}).toLong(), 1);
  EXPECT_EQ(cache.call(b, InvokeKind::PropertyGet, {}).toLong(), 2);
}

TEST(ObjectRegistry, UnknownProgIdCannotBeCreated) {
  registerClass("Test.Counter", [] { return std::make_shared<Counter>(); });
  EXPECT_NE(createObject("test.counter"), nullptr);
  unregisterClass("Test.Counter");
  try {
    createObject("Test.Counter");
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::kCantCreateObject);
    EXPECT_EQ(e.description(), "ActiveX component can't create object");
  }
}

TEST(Variant, ClassicCoercions) {
  EXPECT_EQ(Variant("12").toInteger(), 12);
  EXPECT_EQ(Variant(2.5).toLong(), 2);
  EXPECT_THROW(Variant("x").toLong(), RuntimeError);
  EXPECT_THROW(Variant(int32_t{40000}).toInteger(), RuntimeError);
  EXPECT_THROW(Variant(int16_t{3}).toObject(), RuntimeError);
  EXPECT_EQ(Variant(int16_t{-1}).toString(), "-1");
  EXPECT_EQ(Variant::missing().type(), VarType::Missing);
}

class Thing : public DispatchObject {};

TEST(Collection, PositionsCountFromOneAndKeysIgnoreCase) {
  Collection c;
  auto a = std::make_shared<Thing>(), b = std::make_shared<Thing>();
  c.Add(a, "Obj1");
  c.Add(b);
  EXPECT_EQ(c.Count(), 2);
  EXPECT_EQ(c.Item(1), a);
  EXPECT_EQ(c.Item(2), b);
  EXPECT_EQ(c.Item("obj1"), a);
  c.Remove(1);
  EXPECT_EQ(c.Item(1), b);
}

TEST(Collection, BadAccessRaisesTheClassicErrors) {
  Collection c;
  c.Add(std::make_shared<Thing>(), "K");
  EXPECT_EQ(errorOf([&] { c.Item(0); }), err::kSubscript);
  EXPECT_EQ(errorOf([&] { c.Item(2); }), err::kSubscript);
  EXPECT_EQ(errorOf([&] { c.Item("nope"); }), err::kInvalidCall);
  EXPECT_EQ(errorOf([&] { c.Remove(5); }), err::kSubscript);
  EXPECT_EQ(errorOf([&] { c.Add(std::make_shared<Thing>(), "k"); }), err::kKeyInUse);
  EXPECT_EQ(c.Count(), 1);
}

}  // namespace
}  // namespace vlm
