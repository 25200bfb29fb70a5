// The reference host's scene as a dispatch object.
//
// Members: Prepare_Import (opens the next import batch: objects added afterwards note
// its number), the properties ListObjects and ListMaterials (the two lists), and
// Assign_MaterialToObject(key or position), which binds that object to the material of
// ListMaterials whose Name equals the object's MaterialKey without regard to case, or
// else to the scene's default material (named "Default", not in ListMaterials).
#pragma once

#include <cstdint>
#include <memory>

#include "platform/Dispatch.h"
#include "refhost/CVLMMaterial.h"
#include "refhost/SceneLists.h"

namespace vlm::refhost {

inline constexpr std::string_view kDefaultMaterialName = "Default";

class Scene : public DispatchObject {
 public:
  Scene();
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  const ObjectList& objects() const noexcept { return *objects_; }
  const MaterialList& materials() const noexcept { return *materials_; }
  const CVLMMaterial& defaultMaterial() const noexcept { return *defaultMaterial_; }
  int32_t importBatches() const noexcept { return batch_; }  // Prepare_Import calls

 private:
  void assignMaterial(const Variant& object);

  int32_t batch_ = 0;
  std::shared_ptr<ObjectList> objects_;
  std::shared_ptr<MaterialList> materials_;
  std::shared_ptr<CVLMMaterial> defaultMaterial_;
};

}  // namespace vlm::refhost
