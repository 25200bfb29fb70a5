// Test helpers: late-bound calls by member name, and mesh objects made from lists.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "platform/Dispatch.h"
#include "refhost/CVLMObject.h"
#include "support/ErrorOf.h"

namespace vlm::refhost::test {

inline Variant call(const ObjectRef& object, std::string_view member,
                    std::vector<Variant> args = {}, InvokeKind kind = InvokeKind::Method) {
  return invokeByName(*object, member, kind, args);
}
inline Variant get(const ObjectRef& object, std::string_view member,
                   std::vector<Variant> args = {}) {
  return call(object, member, std::move(args), InvokeKind::PropertyGet);
}
inline void put(const ObjectRef& object, std::string_view member, const Variant& value) {
  call(object, member, {value}, InvokeKind::PropertyPut);
}

// A mesh object given these vertices (x, y, z) and polygon records (count, corners).
inline std::shared_ptr<CVLMObject> meshObject(std::vector<float> coords,
                                              std::vector<int32_t> records = {}) {
  auto object = std::make_shared<CVLMObject>();
  call(object, "Add_Vertices", {Variant(&coords).byRef()});
  if (!records.empty()) call(object, "Add_Poligons", {Variant(&records).byRef()});
  return object;
}

using vlm::test::errorOf;

}  // namespace vlm::refhost::test
