// Test helper: reference-host scenes built in code through the same late-bound members
// an import uses, and a few shapes to put in them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/Dispatch.h"
#include "refhost/ReferenceScene.h"

namespace vlm::test {

inline Variant callMember(const ObjectRef& object, std::string_view member,
                          std::vector<Variant> args, InvokeKind kind = InvokeKind::Method) {
  return invokeByName(*object, member, kind, args);
}

inline void putMember(const ObjectRef& object, std::string_view member, Variant value) {
  callMember(object, member, {std::move(value)}, InvokeKind::PropertyPut);
}

struct Shape {
  std::vector<float> coords;       // x, y, z per vertex
  std::vector<int32_t> triangles;  // index triples
};

// An axis-aligned box: 8 shared corners, 12 triangles wound outwards.
inline Shape box(std::array<float, 3> lo, std::array<float, 3> hi) {
  Shape s;
  for (int i = 0; i < 8; ++i) {
    s.coords.push_back(i & 1 ? hi[0] : lo[0]);
    s.coords.push_back(i & 2 ? hi[1] : lo[1]);
    s.coords.push_back(i & 4 ? hi[2] : lo[2]);
  }
  s.triangles = {0, 2, 1, 1, 2, 3, 4, 5, 6, 5, 7, 6, 0, 1, 4, 1, 5, 4,
                 2, 6, 3, 3, 6, 7, 0, 4, 2, 2, 4, 6, 1, 3, 5, 3, 7, 5};
  return s;
}

// A quad from four corners given in order, as two triangles.
inline Shape quad(std::array<float, 3> a, std::array<float, 3> b, std::array<float, 3> c,
                  std::array<float, 3> d) {
  Shape s;
  for (const auto& p : {a, b, c, d}) s.coords.insert(s.coords.end(), p.begin(), p.end());
  s.triangles = {0, 1, 2, 2, 3, 0};
  return s;
}

class SceneBuilder {
 public:
  SceneBuilder() : lists_(get(scene.dispatch(), "ListObjects").toObject()) {}

  // Adds an object with `shape` and `color` to ListObjects, as a child of `parentKey`
  // when one is given; returns it.
  ObjectRef add(const std::string& name, const Shape& shape, int32_t color,
                const std::string& parentKey = "") {
    ObjectRef object = refhost::createReferenceObject();
    putMember(object, "Name", Variant(name));
    putMember(object, "DefaultColor", Variant(color));
    std::vector<float> coords = shape.coords;
    std::vector<int32_t> triangles = shape.triangles;
    if (!coords.empty()) callMember(object, "Add_Vertices", {Variant(&coords).byRef()});
    if (!triangles.empty()) {
      callMember(object, "Add_Poligons", {Variant(&triangles).byRef(), Variant(int16_t{3})});
    }
    if (parentKey.empty()) {
      callMember(lists_, "Add", {Variant(object)});
    } else {
      callMember(lists_, "Add", {Variant(object), Variant::missing(), Variant(parentKey)});
    }
    return object;
  }

  // Nine normal values per triangle from triangle 0 on.
  static void setNormals(const ObjectRef& object, const std::vector<float>& perTriangle) {
    std::vector<float> records;
    for (size_t t = 0; t * 9 < perTriangle.size(); ++t) {
      records.push_back(static_cast<float>(t));
      records.insert(records.end(), perTriangle.begin() + 9 * t, perTriangle.begin() + 9 * t + 9);
    }
    callMember(object, "Set_PoligonNormals", {Variant(&records).byRef()});
  }

  static void setPosition(const ObjectRef& object, float x, float y, float z) {
    putMember(object, "PosX", Variant(x));
    putMember(object, "PosY", Variant(y));
    putMember(object, "PosZ", Variant(z));
  }

  void addMaterial(const std::string& name, int32_t color) {
    ObjectRef material = refhost::createReferenceMaterial();
    putMember(material, "Name", Variant(name));
    putMember(material, "Color", Variant(color));
    callMember(get(scene.dispatch(), "ListMaterials").toObject(), "Add", {Variant(material)});
  }

  // Sets the object's MaterialKey and asks the scene to bind it.
  void bind(const ObjectRef& object, const std::string& materialKey) {
    putMember(object, "MaterialKey", Variant(materialKey));
    const std::string key = get(object, "Key").toString();
    callMember(scene.dispatch(), "Assign_MaterialToObject", {Variant(key)});
  }

  refhost::ReferenceScene scene;

 private:
  static Variant get(const ObjectRef& object, std::string_view member) {
    return callMember(object, member, {}, InvokeKind::PropertyGet);
  }

  ObjectRef lists_;
};

inline constexpr int32_t colorNumber(int r, int g, int b) { return r + 256 * g + 65536 * b; }

}  // namespace vlm::test
