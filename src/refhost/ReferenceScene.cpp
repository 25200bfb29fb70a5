#include "refhost/ReferenceScene.h"

#include <string>

#include "platform/ObjectRegistry.h"
#include "refhost/Scene.h"

namespace vlm::refhost {

void registerReferenceHostClasses() {
  registerClass("Velmo.CVLMObject", createReferenceObject);
  registerClass("Velmo.CVLMMaterial", createReferenceMaterial);
}

ObjectRef createReferenceObject() { return std::make_shared<CVLMObject>(); }
ObjectRef createReferenceMaterial() { return std::make_shared<CVLMMaterial>(); }

ReferenceScene::ReferenceScene() : scene_(std::make_shared<Scene>()) {}
ReferenceScene::~ReferenceScene() = default;

ObjectRef ReferenceScene::dispatch() const { return scene_; }

size_t ReferenceScene::objectCount() const noexcept { return scene_->objects().objects().size(); }

const CVLMObject& ReferenceScene::object(size_t index) const {
  return *scene_->objects().objects().at(index);
}

size_t ReferenceScene::materialCount() const noexcept {
  return scene_->materials().materials().size();
}

const CVLMMaterial& ReferenceScene::material(size_t index) const {
  return *scene_->materials().materials().at(index);
}

const CVLMMaterial& ReferenceScene::defaultMaterial() const noexcept {
  return scene_->defaultMaterial();
}

int32_t ReferenceScene::importBatches() const noexcept { return scene_->importBatches(); }

void ReferenceScene::scaleObjects(size_t first, size_t end, float factor) {
  for (size_t i = first; i < end; ++i) scene_->objects().objects().at(i)->scale(factor);
}

}  // namespace vlm::refhost
