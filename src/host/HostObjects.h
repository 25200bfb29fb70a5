// Typed calls on the host's scene, mesh objects and materials.
//
// The host is reached only by member name. These wrappers pass exactly the Variant
// types the calls are defined with (a 16-bit constant 0 versus a 32-bit computed first
// polygon, arrays and some scalars by reference), cache each member's id per object, and
// turn a failed call into a RuntimeError. Importers and the shell never touch Variants.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Dispatch.h"
#include "platform/Variant.h"

namespace vlm::host {

inline constexpr std::string_view kObjectProgId = "Velmo.CVLMObject";
inline constexpr std::string_view kMaterialProgId = "Velmo.CVLMMaterial";

// Colour number red + 256 * green + 65536 * blue.
constexpr int32_t colorNumber(int red, int green, int blue) {
  return red + 256 * green + 65536 * blue;
}
inline constexpr int32_t kDefaultObjectColor = colorNumber(0, 128, 192);  // 12615680

// A dispatch reference plus one cached member id per member the wrapper uses.
template <size_t N>
class CachedDispatch {
 public:
  CachedDispatch() { ids_.fill(kUnset); }
  explicit CachedDispatch(ObjectRef ref) : ref_(std::move(ref)) { ids_.fill(kUnset); }
  const ObjectRef& ref() const noexcept { return ref_; }
  explicit operator bool() const noexcept { return static_cast<bool>(ref_); }

 protected:
  Variant call(size_t member, std::string_view name, InvokeKind kind, std::span<Variant> args) {
    IDispatch& object = requireObject(ref_);
    if (ids_[member] == kUnset) ids_[member] = object.memberId(name);
    return invokeMember(object, ids_[member], kind, args);
  }

 private:
  static constexpr DispId kUnset = -2;
  ObjectRef ref_;
  std::array<DispId, N> ids_;
};

// A host mesh object ("Velmo.CVLMObject").
class HostObject : public CachedDispatch<17> {
 public:
  using CachedDispatch::CachedDispatch;
  static HostObject create();  // error 429 when the class is not there

  void setName(std::string_view name);
  void setDefaultColor(int32_t color);
  void setVisible(bool visible);
  void setMaterialKey(std::string_view name);
  void setPosX(float x);
  void setPosY(float y);
  void setPosZ(float z);
  std::string key();

  void Add_Vertices(std::vector<float>& coords);     // x, y, z per vertex, by reference
  void Add_Poligons(std::vector<int32_t>& records);  // records: count, then indices
  void Add_Poligons(std::vector<int32_t>& triples, int16_t three);  // plain triples, 16-bit 3
  void Set_PoligonNormals(std::vector<float>& records);             // ten values per record
  void Add_Vertex(float& x, float& y, float& z);                    // each by reference
  void Add_Poligon(int32_t a, int32_t b, int32_t c);
  void Set_PoligonNormal(int32_t& polygon, std::array<float, 9>& normals);  // all by reference
  void Get_Surface(int16_t first);                 // the constant 0, as a 16-bit number
  void Get_Surface(int32_t first);                 // a computed first polygon, 32-bit
  void Get_Surface(int16_t first, int32_t& last);  // the constant 0 with a by-reference last
  void Get_Surface(int32_t first, int32_t& last);  // last as a 32-bit by reference
  void Center();
  void SmoothNormalsAdaptive(int16_t angle);
};

// A host material ("Velmo.CVLMMaterial").
class HostMaterial : public CachedDispatch<8> {
 public:
  using CachedDispatch::CachedDispatch;
  static HostMaterial create();

  void setName(std::string_view name);
  void setMaterialType(int16_t type);
  void setAmbientColor(int32_t color);
  void setColor(int32_t color);
  void setSpecularColor(int32_t color);
  void setSmoothness(float fraction);
  void setSpecCoeff(double coeff);  // at creation: double precision
  void setSpecCoeff(float coeff);   // from a percentage chunk: single precision
  void setOpacityValue(float fraction);
};

// The host scene handed in by ExecutePlugIn. The lists are fetched from the scene on
// every use (scene.ListObjects.Add obj), and items are reached through the list's
// default member with a key text or a 16-bit position.
class HostScene : public CachedDispatch<4> {
 public:
  using CachedDispatch::CachedDispatch;

  void Prepare_Import();
  void listObjectsAdd(const ObjectRef& object);  // Add(object)
  // Add(object, <omitted>, parentKey): a child of the first object of the import.
  void listObjectsAdd(const ObjectRef& object, std::string_view parentKey);
  int32_t listObjectsCount();
  HostObject listObjectsItem(std::string_view key);
  HostObject listObjectsItem(int16_t position);
  void listMaterialsAdd(const ObjectRef& material);
  void Assign_MaterialToObject(std::string_view key);
  void Assign_MaterialToObject(int16_t position);
  void Assign_MaterialToObject(int32_t position);

 private:
  // Member ids of the list object last fetched; looked up again when the scene hands
  // out another list object (held weakly, so a new object at an old address is seen).
  struct ListMembers {
    std::weak_ptr<IDispatch> list;
    DispId add = kDispIdUnknown;
    DispId count = kDispIdUnknown;
    void bind(const ObjectRef& current);
  };

  ObjectRef listObjects();
  ObjectRef listMaterials();
  HostObject itemOfListObjects(Variant index);

  ListMembers objectsMembers_, materialsMembers_;
};

}  // namespace vlm::host
