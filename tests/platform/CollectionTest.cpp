#include "platform/Collection.h"

#include <gtest/gtest.h>

#include "platform/Dispatch.h"
#include "platform/Error.h"
#include "support/ErrorOf.h"

namespace vlm {
namespace {

class Thing : public DispatchObject {};

using test::errorOf;

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
