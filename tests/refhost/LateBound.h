// Test helpers: late-bound calls on a dispatch object by member name.
#pragma once

#include <initializer_list>
#include <string_view>
#include <vector>

#include "platform/Dispatch.h"
#include "support/ErrorOf.h"

namespace vlm::refhost::test {

inline Variant call(const ObjectRef& object, std::string_view member,
                    std::initializer_list<Variant> args = {}) {
  std::vector<Variant> list(args);
  return invokeByName(*object, member, InvokeKind::Method, list);
}

inline Variant get(const ObjectRef& object, std::string_view member,
                   std::initializer_list<Variant> args = {}) {
  std::vector<Variant> list(args);
  return invokeByName(*object, member, InvokeKind::PropertyGet, list);
}

inline void put(const ObjectRef& object, std::string_view member, Variant value) {
  Variant args[] = {std::move(value)};
  invokeByName(*object, member, InvokeKind::PropertyPut, args);
}

using vlm::test::errorOf;

}  // namespace vlm::refhost::test
