// Test helpers: late-bound calls on a dispatch object by member name.
#pragma once

#include <initializer_list>
#include <string_view>
#include <vector>

#include "platform/Dispatch.h"

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

// The error number a call fails with, or 0.
template <class Call>
int32_t errorOf(Call&& body) {
  try {
    body();
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

}  // namespace vlm::refhost::test
