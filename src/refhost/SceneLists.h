// The scene's two lists, ListObjects and ListMaterials, as dispatch objects.
//
// ListObjects: Add(object) adds a top-level object and gives it the next unique key
// ("Obj1", "Obj2", ..., never reused); Add(object, <any>, parentKey) adds it as a child
// of the object with that key. Count; the default member (DispId 0, also named Item)
// takes a key text (case-insensitive; error 5 when unknown) or a position from 1
// (error 9 out of range). ListMaterials: Add(material), Count, and the default member by
// position or by the material's Name (case-insensitive, the first match).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Dispatch.h"
#include "refhost/CVLMMaterial.h"
#include "refhost/CVLMObject.h"

namespace vlm::refhost {

class ObjectList : public DispatchObject {
 public:
  // `batch` is the scene's current import batch, given to each object added.
  explicit ObjectList(const int32_t& batch);
  ObjectList(const ObjectList&) = delete;
  ObjectList& operator=(const ObjectList&) = delete;

  const std::vector<std::shared_ptr<CVLMObject>>& objects() const noexcept { return objects_; }
  // The object an Item argument names: key text or position from 1.
  const std::shared_ptr<CVLMObject>& item(const Variant& index) const;

 private:
  void add(std::span<Variant> args);
  const std::shared_ptr<CVLMObject>& byKey(std::string_view key) const;

  const int32_t& batch_;
  std::vector<std::shared_ptr<CVLMObject>> objects_;
};

class MaterialList : public DispatchObject {
 public:
  MaterialList();
  MaterialList(const MaterialList&) = delete;
  MaterialList& operator=(const MaterialList&) = delete;

  const std::vector<std::shared_ptr<CVLMMaterial>>& materials() const noexcept {
    return materials_;
  }
  const std::shared_ptr<CVLMMaterial>& item(const Variant& index) const;
  // The first material whose Name equals `name` without regard to case, or null.
  std::shared_ptr<CVLMMaterial> findByName(std::string_view name) const;

 private:
  std::vector<std::shared_ptr<CVLMMaterial>> materials_;
};

}  // namespace vlm::refhost
