#include "refhost/SceneLists.h"

#include <string>

#include "refhost/Members.h"

namespace vlm::refhost {

namespace {

using Args = std::span<Variant>;

// The 0-based index a key "Obj<n>" names (any case, n from 1 without leading zeros), or
// `count` when it names none of `count` objects.
size_t keyIndex(std::string_view key, size_t count) noexcept {
  if (key.size() < 4 || !equalsIgnoreCase(key.substr(0, 3), "obj") || key[3] == '0') return count;
  size_t number = 0;
  for (const char c : key.substr(3)) {
    if (c < '0' || c > '9' || number > count) return count;
    number = number * 10 + static_cast<size_t>(c - '0');
  }
  return number >= 1 && number <= count ? number - 1 : count;
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
  // Objects are only ever appended, so the key numbers their positions from 1.
  std::string key = "Obj" + std::to_string(objects_.size() + 1);
  objects_.push_back(object);
  object->attach(std::move(key), parent, batch_);
}

const std::shared_ptr<CVLMObject>& ObjectList::byKey(std::string_view key) const {
  const size_t index = keyIndex(key, objects_.size());
  if (index == objects_.size()) {
    raise(err::kInvalidCall, "No object of the scene has the key \"" + std::string(key) + "\"",
          kHostSource);
  }
  return objects_[index];
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
