// Late-bound calls by name, Variant coercions, the collection and the class registry.
#include <gtest/gtest.h>

#include <cmath>
#include <new>
#include <stdexcept>

#include "platform/Collection.h"
#include "platform/Dispatch.h"
#include "platform/ObjectRegistry.h"
#include "support/ErrorOf.h"

namespace vlm {
namespace {

using test::ErrorParts;
using test::errorOf;
using test::errorPartsOf;

// "Value" is the default member (id 0), so id 1 names nothing; "Fail" is 2, "Double" 3.
class Counter : public DispatchObject {
 public:
  Counter() {
    addMember(kDispIdValue, "Value", [this](InvokeKind kind, std::span<Variant> args) -> Variant {
      if (kind != InvokeKind::PropertyPut) return value_;
      expectArgs(args, 1);
      value_ = args[0].toLong();
      return {};
    });
    addMember("Fail", [](InvokeKind, std::span<Variant>) -> Variant { return failure(), 0; });
    addMember("Double", [](InvokeKind, std::span<Variant> args) -> Variant {
      args[0].assign(args[0].toLong() * 2);
      return {};
    });
  }
  static inline std::function<void()> failure;
  int32_t value_ = 0;
};

Variant call(IDispatch& object, std::string_view name, InvokeKind kind, std::span<Variant> args) {
  return invokeByName(object, name, kind, args);
}

TEST(Dispatch, MembersAnswerByNameInAnyCaseOrByIdAndWriteBackByReference) {
  Counter a, b;
  Variant put[] = {Variant(int16_t{41})}, twice[] = {Variant(int32_t{21}).byRef()};
  call(a, "vAlUe", InvokeKind::PropertyPut, put);
  EXPECT_EQ(invokeMember(a, kDispIdValue, InvokeKind::PropertyGet, {}).toLong(), 41);
  call(a, "double", InvokeKind::Method, twice);
  EXPECT_EQ(twice[0].toLong(), 42);
  EXPECT_TRUE(twice[0].isByRef());
  MemberCache cache("VALUE");  // looked up again for another receiver
  cache.call(b, InvokeKind::PropertyPut, twice);
  EXPECT_EQ(cache.call(a, InvokeKind::PropertyGet, {}).toLong() + b.value_, 41 + 42);
  for (DispId id : {1, 4}) EXPECT_EQ(a.invoke(id, {}, {}, nullptr, nullptr), hr::kMemberNotFound);
  EXPECT_EQ(errorOf([&] { call(a, "Nothing", InvokeKind::Method, {}); }), err::kNoSuchMember);
  EXPECT_EQ(errorOf([&] { invokeMember(a, 1, InvokeKind::Method, {}); }), err::kNoSuchMember);
  EXPECT_EQ(errorOf([&] { call(a, "Value", InvokeKind::PropertyPut, {}); }), err::kWrongArgCount);
  EXPECT_EQ(errorOf([] { requireObject(nullptr); }), err::kObjectVarNotSet);
}

// Whatever a member throws crosses the boundary as ErrorInfo and comes back raised.
TEST(Dispatch, FailuresComeBackAsRuntimeErrors) {
  const std::pair<std::function<void()>, ErrorParts> cases[] = {
      {[] { raise(err::kInvalidCall, "no good", "Counter"); }, {5, "Counter", "no good"}},
      {[] { raise(err::kSubscript); }, {9, "VLMImport", "Subscript out of range"}},
      {[] { throw std::bad_alloc(); }, {7, "VLMImport", "Out of memory"}},
      {[] { throw std::runtime_error("odd"); }, {5, "VLMImport", "odd"}},
      {[] { throw 1; }, {5, "VLMImport", "Invalid procedure call or argument"}}};
  Counter c;
  for (const auto& [failure, expected] : cases) {
    Counter::failure = failure;
    ErrorInfo info;
    EXPECT_EQ(c.invoke(2, InvokeKind::Method, {}, nullptr, &info), hr::kException);
    EXPECT_EQ(ErrorParts(info.number, info.source, info.description), expected);
    EXPECT_EQ(errorPartsOf([&] { call(c, "Fail", InvokeKind::Method, {}); }), expected);
  }
}

// Each kind as a number (NaN: error 13) and as text (nullptr: error 13).
TEST(Variant, ClassicCoercions) {
  std::vector<float> singles{1};
  const struct {
    Variant value;
    double number;
    const char* text;
  } cases[] = {{Variant(), 0, ""}, {Variant(true), -1, "True"}, {Variant(false), 0, "False"},
               {Variant(int16_t{-1}), -1, "-1"}, {Variant(int32_t{40000}), 40000, "40000"},
               {Variant(1.5f), 1.5, "1.5"}, {Variant(0.1), 0.1, "0.1"},
               {Variant(" 2.5 "), 2.5, " 2.5 "}, {Variant("1,5"), NAN, "1,5"},
               {Variant::missing(), NAN, nullptr}, {Variant(ObjectRef()), NAN, nullptr},
               {Variant(&singles), NAN, nullptr}};
  for (const auto& c : cases) {
    SCOPED_TRACE(typeName(c.value.type()));
    double number = NAN;
    bool truth = false;
    std::string text;
    EXPECT_EQ(errorOf([&] { number = c.value.toDouble(), truth = c.value.toBool(); }),
              std::isnan(c.number) ? err::kTypeMismatch : 0);
    EXPECT_TRUE(number == c.number || std::isnan(c.number)) << number;
    EXPECT_EQ(truth, c.number != 0 && !std::isnan(c.number));
    EXPECT_EQ(errorOf([&] { text = c.value.toString(); }), c.text ? 0 : err::kTypeMismatch);
    EXPECT_EQ(text, c.text ? c.text : "");
  }
  for (const char* yes : {"True", "true", "TRUE", "-2"}) EXPECT_TRUE(Variant(yes).toBool());
  for (const char* no : {"False", "false", "FALSE", "0"}) EXPECT_FALSE(Variant(no).toBool());
  EXPECT_EQ(errorOf([] { Variant("tRUE").toBool(); }), err::kTypeMismatch);
  EXPECT_EQ(std::tuple(Variant(2.5).toInteger(), Variant("3.5").toLong(), Variant(7).toSingle()),
            std::tuple(int16_t{2}, 4, 7.0f));
  EXPECT_EQ(errorOf([] { Variant(int32_t{40000}).toInteger(); }), err::kOverflow);
  EXPECT_EQ(errorOf([] { Variant(int16_t{3}).toObject(); }), err::kObjectRequired);
  EXPECT_EQ(Variant(ObjectRef()).toObject(), nullptr);
  EXPECT_EQ(&Variant(&singles).singleArray(), &singles);
  EXPECT_EQ(errorOf([&] { Variant(&singles).longArray(); }), err::kTypeMismatch);
  EXPECT_EQ(errorOf([] { Variant(static_cast<std::vector<float>*>(nullptr)).singleArray(); }),
            err::kTypeMismatch);
}

TEST(Collection, PositionsCountFromOneKeysIgnoreCaseAndBadAccessRaises) {
  Collection c;
  auto a = std::make_shared<Counter>(), b = std::make_shared<Counter>();
  c.Add(a, "Obj1");
  c.Add(b);
  EXPECT_EQ(std::vector<ObjectRef>({c.Item(1), c.Item(2), c.Item("obj1")}),
            std::vector<ObjectRef>({a, b, a}));
  for (int32_t bad : {0, 3}) {
    EXPECT_EQ(errorOf([&] { c.Item(bad); }), err::kSubscript) << bad;
    EXPECT_EQ(errorOf([&] { c.Remove(bad); }), err::kSubscript) << bad;
  }
  EXPECT_EQ(errorOf([&] { c.Item("nope"); }), err::kInvalidCall);
  EXPECT_EQ(errorOf([&] { c.Add(b, "OBJ1"); }), err::kKeyInUse);
  c.Remove(1);
  EXPECT_EQ(std::pair(c.Count(), c.Item(1)), std::pair(1, ObjectRef(b)));
}

TEST(ObjectRegistry, ClassesAreCreatedByNameInAnyCaseUntilUnregistered) {
  const auto counter = std::make_shared<Counter>();
  registerClass("Test.Counter", [] { return nullptr; });
  EXPECT_EQ(errorOf([] { createObject("Test.Counter"); }), err::kCantCreateObject);
  registerClass("TEST.COUNTER", [&] { return counter; });  // replaces the first
  EXPECT_EQ(createObject("test.counter"), counter);
  registerClass("Test.Throwing", []() -> ObjectRef { throw std::runtime_error("no"); });
  EXPECT_EQ(errorPartsOf([] { createObject("Test.Throwing"); }),
            ErrorParts(429, "VLMImport", "ActiveX component can't create object"));
  unregisterClass("test.COUNTER");
  EXPECT_EQ(std::pair(isClassRegistered("Test.Counter"), isClassRegistered("test.throwing")),
            std::pair(false, true));
  EXPECT_EQ(errorOf([] { createObject("Test.Counter"); }), err::kCantCreateObject);
  unregisterClass("Test.Throwing");
}

}  // namespace
}  // namespace vlm
