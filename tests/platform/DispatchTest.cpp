// Late-bound calls by name, Variant coercions, the collection, the class registry, and
// conversions between number types.
#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>

#include "platform/Collection.h"
#include "platform/Convert.h"
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
      if (kind != InvokeKind::PropertyPut) return value;
      expectArgs(args, 1);
      return value = args[0].toLong(), Variant();
    });
    addMember("Fail", [](InvokeKind, std::span<Variant>) -> Variant { return failure(), 0; });
    addMember("Double", [](InvokeKind, std::span<Variant> args) -> Variant {
      return args[0].assign(args[0].toLong() * 2), Variant();
    });
  }
  static inline std::function<void()> failure;
  int32_t value = 0;
};

TEST(Dispatch, MembersAnswerByNameInAnyCaseOrByIdAndWriteBackByReference) {
  Counter a, b;
  Variant put[] = {Variant(int16_t{41})}, twice[] = {Variant(int32_t{21}).byRef()};
  invokeByName(a, "vAlUe", InvokeKind::PropertyPut, put);
  invokeByName(a, "double", InvokeKind::Method, twice);
  EXPECT_TRUE(twice[0].isByRef());
  MemberCache cache("VALUE");  // looked up again for another receiver
  cache.call(b, InvokeKind::PropertyPut, twice);
  EXPECT_EQ(std::pair(cache.call(a, InvokeKind::PropertyGet, {}).toLong(), b.value),
            std::pair(41, 42));
  for (DispId id : {1, 4}) EXPECT_EQ(a.invoke(id, {}, {}, nullptr, nullptr), hr::kMemberNotFound);
  EXPECT_EQ(std::vector({errorOf([&] { invokeByName(a, "None", InvokeKind::Method, {}); }),
                         errorOf([&] { invokeMember(a, 1, InvokeKind::Method, {}); }),
                         errorOf([&] { invokeByName(a, "Value", InvokeKind::PropertyPut, {}); }),
                         errorOf([] { requireObject(nullptr); })}),
            std::vector({err::kNoSuchMember, err::kNoSuchMember, 450, err::kObjectVarNotSet}));
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
    EXPECT_EQ(errorPartsOf([&] { invokeByName(c, "Fail", InvokeKind::Method, {}); }), expected);
  }
}

// A Variant as a number, a truth value and text; "13" where the coercion is error 13.
std::string coerced(const Variant& value) {
  std::string out;
  for (const auto& coerce : std::initializer_list<std::function<std::string()>>{
           [&] { return std::to_string(value.toDouble()); },
           [&] { return std::string(value.toBool() ? "true" : "false"); },
           [&] { return value.toString(); }}) {
    out += (errorOf([&] { out += coerce(); }) == err::kTypeMismatch ? "13" : "") + std::string("|");
  }
  return out;
}

TEST(Variant, ClassicCoercions) {
  std::vector<float> singles{1};
  const struct {
    Variant value;
    const char* expected;
  } cases[] = {
      {Variant(), "0.000000|false||"}, {true, "-1.000000|true|True|"},
      {false, "0.000000|false|False|"}, {int16_t{-1}, "-1.000000|true|-1|"},
      {int32_t{40000}, "40000.000000|true|40000|"}, {1.5f, "1.500000|true|1.5|"},
      {0.1, "0.100000|true|0.1|"}, {" 2.5 ", "2.500000|true| 2.5 |"}, {"1,5", "13|13|1,5|"},
      {"TRUE", "13|true|TRUE|"}, {"false", "13|false|false|"}, {"tRUE", "13|13|tRUE|"},
      {Variant::missing(), "13|13|13|"}, {ObjectRef(), "13|13|13|"}, {&singles, "13|13|13|"}};
  for (const auto& c : cases) EXPECT_EQ(coerced(c.value), c.expected);
  EXPECT_EQ(std::pair(Variant(ObjectRef()).toObject(), &Variant(&singles).singleArray()),
            std::pair(ObjectRef(), &singles));
  EXPECT_EQ(std::vector({errorOf([] { Variant(int32_t{40000}).toInteger(); }),
                         errorOf([] { Variant(int16_t{3}).toObject(); }),
                         errorOf([&] { Variant(&singles).longArray(); }),
                         errorOf([] { Variant(static_cast<std::vector<float>*>(nullptr)).singleArray(); })}),
            std::vector({err::kOverflow, err::kObjectRequired, 13, 13}));
}

// Read as its own type a Single or Long keeps its value to the bit; an infinite Single
// still overflows, and any NaN reads as the one quiet NaN.
TEST(Variant, OwnTypeKeepsTheBitsButInfinityOverflowsAndNaNIsTheQuietOne) {
  for (const float kept : {-0.0f, FLT_MIN / 4, FLT_MAX, -1.5f}) {
    EXPECT_EQ(std::bit_cast<uint32_t>(Variant(kept).toSingle()), std::bit_cast<uint32_t>(kept));
  }
  EXPECT_EQ(Variant(int32_t{INT32_MIN}).toLong(), INT32_MIN);
  EXPECT_EQ(errorOf([] { Variant(-INFINITY).toSingle(); }), err::kOverflow);
  EXPECT_EQ(std::bit_cast<uint32_t>(Variant(std::bit_cast<float>(0xffc12345u)).toSingle()),
            std::bit_cast<uint32_t>(std::numeric_limits<float>::quiet_NaN()));
}

TEST(Collection, PositionsCountFromOneKeysIgnoreCaseAndBadAccessRaises) {
  Collection c;
  auto a = std::make_shared<Counter>(), b = std::make_shared<Counter>();
  c.Add(a, "Obj1");
  c.Add(b);
  EXPECT_EQ(std::vector<ObjectRef>({c.Item(1), c.Item(2), c.Item("obj1")}),
            std::vector<ObjectRef>({a, b, a}));
  EXPECT_EQ(std::vector({errorOf([&] { c.Item(0); }), errorOf([&] { c.Item(3); }),
                         errorOf([&] { c.Remove(0); }), errorOf([&] { c.Remove(3); }),
                         errorOf([&] { c.Item("nope"); }), errorOf([&] { c.Add(b, "OBJ1"); })}),
            std::vector({9, 9, 9, 9, err::kInvalidCall, err::kKeyInUse}));
  c.Remove(1);
  EXPECT_EQ(std::pair(c.Count(), c.Item(1)), std::pair(1, ObjectRef(b)));
}

TEST(ObjectRegistry, ClassesAreCreatedByNameInAnyCaseUntilUnregistered) {
  const auto counter = std::make_shared<Counter>();
  registerClass("Test.Counter", [] { return nullptr; });
  registerClass("Test.Throwing", []() -> ObjectRef { throw std::runtime_error("no"); });
  EXPECT_EQ(errorPartsOf([] { createObject("Test.Throwing"); }),
            ErrorParts(429, "VLMImport", "ActiveX component can't create object"));
  EXPECT_EQ(errorOf([] { createObject("Test.Counter"); }), err::kCantCreateObject);
  registerClass("TEST.COUNTER", [&] { return counter; });  // replaces the first
  EXPECT_EQ(createObject("test.counter"), counter);
  unregisterClass("test.COUNTER");
  EXPECT_EQ(std::pair(isClassRegistered("Test.Counter"), isClassRegistered("test.throwing")),
            std::pair(false, true));
  unregisterClass("Test.Throwing");
}

// Whole numbers round halves to the even neighbour; what does not fit (NaN here) is error 6.
TEST(Convert, NumbersRoundHalfToEvenAndOverflowWithErrorSix) {
  const struct {
    char to;  // 'L'ong, 'I'nteger or 'S'ingle
    double in, out;
  } cases[] = {{'L', 2.5, 2}, {'L', 3.5, 4}, {'L', -2.5, -2}, {'L', -3.5, -4}, {'L', 1.51, 2},
               {'L', 2147483647.4, 2147483647}, {'L', 2147483647.5, NAN},
               {'L', -2147483648.5, -2147483648.0}, {'L', -2147483649.0, NAN}, {'L', NAN, NAN},
               {'I', 32767.4, 32767}, {'I', 32767.5, NAN}, {'I', -32768.4, -32768},
               {'I', -32768.6, NAN}, {'S', FLT_MAX, FLT_MAX}, {'S', -1e39, NAN}};
  for (const auto& [to, in, out] : cases) {
    double got = NAN;
    EXPECT_EQ(errorOf([&] {
                got = to == 'L' ? toLong(in) : to == 'I' ? toInteger(in) : double(toSingle(in));
              }),
              std::isnan(out) ? err::kOverflow : 0)
        << to << ' ' << in;
    EXPECT_TRUE(got == out || std::isnan(out)) << to << ' ' << in << " gave " << got;
  }
}

}  // namespace
}  // namespace vlm
