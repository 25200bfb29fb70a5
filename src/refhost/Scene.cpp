#include "refhost/Scene.h"

#include "refhost/Members.h"

namespace vlm::refhost {

Scene::Scene()
    : objects_(std::make_shared<ObjectList>(batch_)),
      materials_(std::make_shared<MaterialList>()),
      defaultMaterial_(std::make_shared<CVLMMaterial>()) {
  using Args = std::span<Variant>;
  defaultMaterial_->setName(std::string(kDefaultMaterialName));
  addMember("Prepare_Import", [this](InvokeKind kind, Args args) -> Variant {
    expectMethod(kind);
    expectArgs(args, 0);
    ++batch_;
    return {};
  });
  addMember("ListObjects", [this](InvokeKind kind, Args args) {
    return readOnlyProperty(kind, args, [&] { return Variant(ObjectRef(objects_)); });
  });
  addMember("ListMaterials", [this](InvokeKind kind, Args args) {
    return readOnlyProperty(kind, args, [&] { return Variant(ObjectRef(materials_)); });
  });
  addMember("Assign_MaterialToObject", [this](InvokeKind kind, Args args) -> Variant {
    expectMethod(kind);
    expectArgs(args, 1);
    assignMaterial(args[0]);
    return {};
  });
}

void Scene::assignMaterial(const Variant& object) {
  const std::shared_ptr<CVLMObject>& target = objects_->item(object);
  std::shared_ptr<CVLMMaterial> material;
  if (!target->materialKey().empty()) material = materials_->findByName(target->materialKey());
  target->bindMaterial(material ? material : defaultMaterial_);
}

}  // namespace vlm::refhost
