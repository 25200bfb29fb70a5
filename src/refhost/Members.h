// Small helpers for the reference host's dispatch members: a property reads with a get
// (or a call without arguments) and writes with a put; a method refuses a put.
#pragma once

#include <span>

#include "platform/Dispatch.h"
#include "refhost/HostErrors.h"

namespace vlm::refhost {

inline constexpr int32_t kReadOnlyProperty = 383;  // "Can't assign to read-only property"

template <class Get, class Put>
Variant property(InvokeKind kind, std::span<Variant> args, Get&& get, Put&& put) {
  if (kind == InvokeKind::PropertyPut) {
    expectArgs(args, 1);
    put(args[0]);
    return {};
  }
  expectArgs(args, 0);
  return get();
}

template <class Get>
Variant readOnlyProperty(InvokeKind kind, std::span<Variant> args, Get&& get) {
  if (kind == InvokeKind::PropertyPut) {
    raise(kReadOnlyProperty, "Can't assign to read-only property", kHostSource);
  }
  expectArgs(args, 0);
  return get();
}

inline void expectMethod(InvokeKind kind) {
  if (kind == InvokeKind::PropertyPut) raise(err::kNoSuchMember, {}, kHostSource);
}

}  // namespace vlm::refhost
