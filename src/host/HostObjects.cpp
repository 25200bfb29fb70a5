#include "host/HostObjects.h"

#include "platform/ObjectRegistry.h"

namespace vlm::host {

namespace {

constexpr InvokeKind kCall = InvokeKind::Method;
constexpr InvokeKind kGet = InvokeKind::PropertyGet;
constexpr InvokeKind kPut = InvokeKind::PropertyPut;

// Slots of the cached member ids, one per member a wrapper uses.
enum ObjectMember : size_t {
  kName,
  kDefaultColor,
  kVisible,
  kMaterialKey,
  kPosX,
  kPosY,
  kPosZ,
  kKey,
  kAddVertices,
  kAddPoligons,
  kSetPoligonNormals,
  kAddVertex,
  kAddPoligon,
  kSetPoligonNormal,
  kGetSurface,
  kCenter,
  kSmoothNormalsAdaptive,
  kObjectMembers
};
static_assert(kObjectMembers == 17, "HostObject's id cache holds one slot per member");

enum MaterialMember : size_t {
  kMatName,
  kMaterialType,
  kAmbientColor,
  kColor,
  kSpecularColor,
  kSmoothness,
  kSpecCoeff,
  kOpacityValue,
  kMaterialMembers
};
static_assert(kMaterialMembers == 8, "HostMaterial's id cache holds one slot per member");

enum SceneMember : size_t {
  kPrepareImport,
  kListObjects,
  kListMaterials,
  kAssignMaterial,
  kSceneMembers
};
static_assert(kSceneMembers == 4, "HostScene's id cache holds one slot per member");

// By-reference arguments: the callee may have written a new value into the slot; the
// caller's variable takes it when it is of the variable's own type.
void writeBack(const Variant& slot, float& variable) {
  if (slot.type() == VarType::Single) variable = slot.get<float>();
}
void writeBack(const Variant& slot, int32_t& variable) {
  if (slot.type() == VarType::Long) variable = slot.get<int32_t>();
}

Variant text(std::string_view value) { return Variant(std::string(value)); }

}  // namespace

// --- HostObject ------------------------------------------------------------------------

HostObject HostObject::create() { return HostObject(createObject(kObjectProgId)); }

void HostObject::setName(std::string_view name) {
  Variant args[] = {text(name)};
  call(kName, "Name", kPut, args);
}

void HostObject::setDefaultColor(int32_t color) {
  Variant args[] = {Variant(color)};
  call(kDefaultColor, "DefaultColor", kPut, args);
}

void HostObject::setVisible(bool visible) {
  Variant args[] = {Variant(visible)};
  call(kVisible, "Visible", kPut, args);
}

void HostObject::setMaterialKey(std::string_view name) {
  Variant args[] = {text(name)};
  call(kMaterialKey, "MaterialKey", kPut, args);
}

void HostObject::setPosX(float x) {
  Variant args[] = {Variant(x)};
  call(kPosX, "PosX", kPut, args);
}

void HostObject::setPosY(float y) {
  Variant args[] = {Variant(y)};
  call(kPosY, "PosY", kPut, args);
}

void HostObject::setPosZ(float z) {
  Variant args[] = {Variant(z)};
  call(kPosZ, "PosZ", kPut, args);
}

std::string HostObject::key() { return call(kKey, "Key", kGet, {}).toString(); }

void HostObject::Add_Vertices(std::vector<float>& coords) {
  Variant args[] = {Variant(&coords).byRef()};
  call(kAddVertices, "Add_Vertices", kCall, args);
}

void HostObject::Add_Poligons(std::vector<int32_t>& records) {
  Variant args[] = {Variant(&records).byRef()};
  call(kAddPoligons, "Add_Poligons", kCall, args);
}

void HostObject::Add_Poligons(std::vector<int32_t>& triples, int16_t three) {
  Variant args[] = {Variant(&triples).byRef(), Variant(three)};
  call(kAddPoligons, "Add_Poligons", kCall, args);
}

void HostObject::Set_PoligonNormals(std::vector<float>& records) {
  Variant args[] = {Variant(&records).byRef()};
  call(kSetPoligonNormals, "Set_PoligonNormals", kCall, args);
}

void HostObject::Add_Vertex(float& x, float& y, float& z) {
  Variant args[] = {Variant(x).byRef(), Variant(y).byRef(), Variant(z).byRef()};
  call(kAddVertex, "Add_Vertex", kCall, args);
  writeBack(args[0], x);
  writeBack(args[1], y);
  writeBack(args[2], z);
}

void HostObject::Add_Poligon(int32_t a, int32_t b, int32_t c) {
  Variant args[] = {Variant(a), Variant(b), Variant(c)};
  call(kAddPoligon, "Add_Poligon", kCall, args);
}

void HostObject::Set_PoligonNormal(int32_t& polygon, std::array<float, 9>& normals) {
  Variant args[10] = {Variant(polygon).byRef()};
  for (size_t i = 0; i < 9; ++i) args[i + 1] = Variant(normals[i]).byRef();
  call(kSetPoligonNormal, "Set_PoligonNormal", kCall, args);
  writeBack(args[0], polygon);
  for (size_t i = 0; i < 9; ++i) writeBack(args[i + 1], normals[i]);
}

void HostObject::Get_Surface(int16_t first) {
  Variant args[] = {Variant(first)};
  call(kGetSurface, "Get_Surface", kCall, args);
}

void HostObject::Get_Surface(int32_t first) {
  Variant args[] = {Variant(first)};
  call(kGetSurface, "Get_Surface", kCall, args);
}

void HostObject::Get_Surface(int16_t first, int32_t& last) {
  Variant args[] = {Variant(first), Variant(last).byRef()};
  call(kGetSurface, "Get_Surface", kCall, args);
  writeBack(args[1], last);
}

void HostObject::Get_Surface(int32_t first, int32_t& last) {
  Variant args[] = {Variant(first), Variant(last).byRef()};
  call(kGetSurface, "Get_Surface", kCall, args);
  writeBack(args[1], last);
}

void HostObject::Center() { call(kCenter, "Center", kCall, {}); }

void HostObject::SmoothNormalsAdaptive(int16_t angle) {
  Variant args[] = {Variant(angle)};
  call(kSmoothNormalsAdaptive, "SmoothNormalsAdaptive", kCall, args);
}

// --- HostMaterial ----------------------------------------------------------------------

HostMaterial HostMaterial::create() { return HostMaterial(createObject(kMaterialProgId)); }

void HostMaterial::setName(std::string_view name) {
  Variant args[] = {text(name)};
  call(kMatName, "Name", kPut, args);
}

void HostMaterial::setMaterialType(int16_t type) {
  Variant args[] = {Variant(type)};
  call(kMaterialType, "MaterialType", kPut, args);
}

void HostMaterial::setAmbientColor(int32_t color) {
  Variant args[] = {Variant(color)};
  call(kAmbientColor, "AmbientColor", kPut, args);
}

void HostMaterial::setColor(int32_t color) {
  Variant args[] = {Variant(color)};
  call(kColor, "Color", kPut, args);
}

void HostMaterial::setSpecularColor(int32_t color) {
  Variant args[] = {Variant(color)};
  call(kSpecularColor, "SpecularColor", kPut, args);
}

void HostMaterial::setSmoothness(float fraction) {
  Variant args[] = {Variant(fraction)};
  call(kSmoothness, "Smoothness", kPut, args);
}

void HostMaterial::setSpecCoeff(double coeff) {
  Variant args[] = {Variant(coeff)};
  call(kSpecCoeff, "SpecCoeff", kPut, args);
}

void HostMaterial::setSpecCoeff(float coeff) {
  Variant args[] = {Variant(coeff)};
  call(kSpecCoeff, "SpecCoeff", kPut, args);
}

void HostMaterial::setOpacityValue(float fraction) {
  Variant args[] = {Variant(fraction)};
  call(kOpacityValue, "OpacityValue", kPut, args);
}

// --- HostScene -------------------------------------------------------------------------

void HostScene::ListMembers::bind(const ObjectRef& current) {
  const bool same = !list.expired() && !list.owner_before(current) && !current.owner_before(list);
  if (same) return;
  list = current;
  add = current->memberId("Add");
  count = current->memberId("Count");
}

ObjectRef HostScene::listObjects() {
  ObjectRef list = call(kListObjects, "ListObjects", kGet, {}).toObject();
  requireObject(list);
  objectsMembers_.bind(list);
  return list;
}

ObjectRef HostScene::listMaterials() {
  ObjectRef list = call(kListMaterials, "ListMaterials", kGet, {}).toObject();
  requireObject(list);
  materialsMembers_.bind(list);
  return list;
}

void HostScene::Prepare_Import() { call(kPrepareImport, "Prepare_Import", kCall, {}); }

void HostScene::listObjectsAdd(const ObjectRef& object) {
  ObjectRef list = listObjects();
  Variant args[] = {Variant(object)};
  invokeMember(*list, objectsMembers_.add, kCall, args);
}

void HostScene::listObjectsAdd(const ObjectRef& object, std::string_view parentKey) {
  ObjectRef list = listObjects();
  Variant args[] = {Variant(object), Variant::missing(), text(parentKey)};
  invokeMember(*list, objectsMembers_.add, kCall, args);
}

int32_t HostScene::listObjectsCount() {
  ObjectRef list = listObjects();
  return invokeMember(*list, objectsMembers_.count, kGet, {}).toLong();
}

HostObject HostScene::itemOfListObjects(Variant index) {
  ObjectRef list = listObjects();
  Variant args[] = {std::move(index)};
  return HostObject(invokeMember(*list, kDispIdValue, kGet, args).toObject());
}

HostObject HostScene::listObjectsItem(std::string_view key) { return itemOfListObjects(text(key)); }

HostObject HostScene::listObjectsItem(int16_t position) {
  return itemOfListObjects(Variant(position));
}

void HostScene::listMaterialsAdd(const ObjectRef& material) {
  ObjectRef list = listMaterials();
  Variant args[] = {Variant(material)};
  invokeMember(*list, materialsMembers_.add, kCall, args);
}

void HostScene::Assign_MaterialToObject(std::string_view key) {
  Variant args[] = {text(key)};
  call(kAssignMaterial, "Assign_MaterialToObject", kCall, args);
}

void HostScene::Assign_MaterialToObject(int16_t position) {
  Variant args[] = {Variant(position)};
  call(kAssignMaterial, "Assign_MaterialToObject", kCall, args);
}

void HostScene::Assign_MaterialToObject(int32_t position) {
  Variant args[] = {Variant(position)};
  call(kAssignMaterial, "Assign_MaterialToObject", kCall, args);
}

}  // namespace vlm::host
