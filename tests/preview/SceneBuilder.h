// Reference-host scenes built in code through the late-bound members an import uses.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "platform/Dispatch.h"
#include "refhost/ReferenceScene.h"

namespace vlm::test {

inline Variant call(const ObjectRef& object, std::string_view member, std::vector<Variant> args,
                    InvokeKind kind = InvokeKind::Method) {
  return invokeByName(*object, member, kind, args);
}
inline Variant get(const ObjectRef& object, std::string_view member) {
  return call(object, member, {}, InvokeKind::PropertyGet);
}
inline void put(const ObjectRef& object, std::string_view member, Variant value) {
  call(object, member, {std::move(value)}, InvokeKind::PropertyPut);
}

struct Shape {
  std::vector<float> coords;  // x, y, z per vertex
  std::vector<int32_t> triangles;
};

// An axis-aligned box: 8 shared corners, 12 triangles wound outwards.
inline Shape box(std::array<float, 3> lo, std::array<float, 3> hi) {
  Shape s{{}, {0, 2, 1, 1, 2, 3, 4, 5, 6, 5, 7, 6, 0, 1, 4, 1, 5, 4,
               2, 6, 3, 3, 6, 7, 0, 4, 2, 2, 4, 6, 1, 3, 5, 3, 7, 5}};
  for (int i = 0; i < 24; ++i) s.coords.push_back((i / 3 >> i % 3) & 1 ? hi[i % 3] : lo[i % 3]);
  return s;
}

// A quad from four corners given in order, as the triangles 0 1 2 and 2 3 0.
inline Shape quad(std::array<float, 3> a, std::array<float, 3> b, std::array<float, 3> c,
                  std::array<float, 3> d) {
  Shape s{{}, {0, 1, 2, 2, 3, 0}};
  for (const auto& p : {a, b, c, d}) s.coords.insert(s.coords.end(), p.begin(), p.end());
  return s;
}

inline constexpr int32_t colorNumber(int r, int g, int b) { return r + 256 * g + 65536 * b; }

struct SceneBuilder {
  refhost::ReferenceScene scene;

  // Adds an object to ListObjects (as a child of `parentKey` when given); returns it.
  ObjectRef add(const std::string& name, Shape shape, int32_t color,
                const std::string& parentKey = "") {
    ObjectRef object = refhost::createReferenceObject();
    put(object, "Name", Variant(name));
    put(object, "DefaultColor", Variant(color));
    if (!shape.coords.empty()) call(object, "Add_Vertices", {Variant(&shape.coords).byRef()});
    if (!shape.triangles.empty())
      call(object, "Add_Poligons", {Variant(&shape.triangles).byRef(), Variant(int16_t{3})});
    std::vector<Variant> args{Variant(object)};
    if (!parentKey.empty()) args.insert(args.end(), {Variant::missing(), Variant(parentKey)});
    call(get(scene.dispatch(), "ListObjects").toObject(), "Add", args);
    return object;
  }

  ObjectRef addMaterial(const std::string& name, int32_t color) {
    ObjectRef material = refhost::createReferenceMaterial();
    put(material, "Name", Variant(name));
    put(material, "Color", Variant(color));
    call(get(scene.dispatch(), "ListMaterials").toObject(), "Add", {Variant(material)});
    return material;
  }

  // Sets the object's MaterialKey and asks the scene to bind it.
  void bind(const ObjectRef& object, const std::string& materialKey) {
    put(object, "MaterialKey", Variant(materialKey));
    call(scene.dispatch(), "Assign_MaterialToObject", {get(object, "Key")});
  }

  // Nine normal values per triangle from triangle 0 on.
  static void setNormals(const ObjectRef& object, const std::vector<float>& perTriangle) {
    std::vector<float> records;
    for (size_t t = 0; t < perTriangle.size(); t += 9) {
      records.push_back(static_cast<float>(t / 9));
      records.insert(records.end(), perTriangle.begin() + t, perTriangle.begin() + t + 9);
    }
    call(object, "Set_PoligonNormals", {Variant(&records).byRef()});
  }

  static void setPosition(const ObjectRef& object, float x, float y, float z) {
    for (const auto& [member, value] : {std::pair{"PosX", x}, {"PosY", y}, {"PosZ", z}})
      put(object, member, Variant(value));
  }
};

}  // namespace vlm::test
