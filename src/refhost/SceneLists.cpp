#include "refhost/SceneLists.h"

#include <string>

#include "refhost/Members.h"

namespace vlm::refhost {

namespace {

using Args = std::span<Variant>;

std::string lowerCase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

// The 0-based index an Item position names (error 9 outside 1..count).
size_t positionIndex(const Variant& index, size_t count) {
  const int32_t position = index.toLong();
  if (position < 1 || static_cast<size_t>(position) > count)
    raise(err::kSubscript, {}, kHostSource);
  return static_cast<size_t>(position - 1);
}

Variant countProperty(InvokeKind kind, Args args, size_t count) {
  return readOnlyProperty(kind, args, [count] { return Variant(static_cast<int32_t>(count)); });
}

}  // namespace

ObjectList::ObjectList(const int32_t& batch) : batch_(batch) {
  addMember("Add", [this](InvokeKind kind, Args args) -> Variant {
    expectMethod(kind);
    add(args);
    return {};
  });
  addMember("Count", [this](InvokeKind kind, Args args) {
    return countProperty(kind, args, objects_.size());
  });
  addMember(kDispIdValue, "Item", [this](InvokeKind kind, Args args) -> Variant {
    expectMethod(kind);
    expectArgs(args, 1);
    return ObjectRef(item(args[0]));
  });
}

void ObjectList::add(Args args) {
  expectArgs(args, 1, 3);
  auto object = std::dynamic_pointer_cast<CVLMObject>(args[0].toObject());
  if (!object) {
    raise(err::kTypeMismatch, "ListObjects holds only objects made from Velmo.CVLMObject",
          kHostSource);
  }
  if (!object->key().empty()) {
    raise(err::kInvalidCall, "The object is already in the scene as " + object->key(), kHostSource);
  }
  std::shared_ptr<CVLMObject> parent;
  if (args.size() == 3 && !args[2].isMissing() && !args[2].isEmpty()) {
    parent = byKey(args[2].toString());
  }
  std::string key = "Obj" + std::to_string(++lastKeyNumber_);
  positionOfKey_.emplace(lowerCase(key), objects_.size());
  objects_.push_back(object);
  object->attach(std::move(key), parent, batch_);
}

const std::shared_ptr<CVLMObject>& ObjectList::byKey(std::string_view key) const {
  auto found = positionOfKey_.find(lowerCase(key));
  if (found == positionOfKey_.end()) {
    raise(err::kInvalidCall, "No object of the scene has the key \"" + std::string(key) + "\"",
          kHostSource);
  }
  return objects_[found->second];
}

const std::shared_ptr<CVLMObject>& ObjectList::item(const Variant& index) const {
  if (index.type() == VarType::String) return byKey(index.get<std::string>());
  return objects_[positionIndex(index, objects_.size())];
}

MaterialList::MaterialList() {
  addMember("Add", [this](InvokeKind kind, Args args) -> Variant {
    expectMethod(kind);
    expectArgs(args, 1);
    auto material = std::dynamic_pointer_cast<CVLMMaterial>(args[0].toObject());
    if (!material) {
      raise(err::kTypeMismatch, "ListMaterials holds only materials made from Velmo.CVLMMaterial",
            kHostSource);
    }
    materials_.push_back(std::move(material));
    return {};
  });
  addMember("Count", [this](InvokeKind kind, Args args) {
    return countProperty(kind, args, materials_.size());
  });
  addMember(kDispIdValue, "Item", [this](InvokeKind kind, Args args) -> Variant {
    expectMethod(kind);
    expectArgs(args, 1);
    return ObjectRef(item(args[0]));
  });
}

const std::shared_ptr<CVLMMaterial>& MaterialList::item(const Variant& index) const {
  if (index.type() == VarType::String) {
    for (const auto& material : materials_) {
      if (equalsIgnoreCase(material->name(), index.get<std::string>())) return material;
    }
    raise(err::kInvalidCall,
          "No material of the scene is named \"" + index.get<std::string>() + "\"", kHostSource);
  }
  return materials_[positionIndex(index, materials_.size())];
}

std::shared_ptr<CVLMMaterial> MaterialList::findByName(std::string_view name) const {
  for (const auto& material : materials_) {
    if (equalsIgnoreCase(material->name(), name)) return material;
  }
  return nullptr;
}

}  // namespace vlm::refhost
