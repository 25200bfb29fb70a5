#include "refhost/CVLMObject.h"

#include <algorithm>
#include <string>
#include <unordered_set>

#include "refhost/Members.h"
#include "refhost/PolygonLists.h"

namespace vlm::refhost {

namespace {

bool given(std::span<Variant> args, size_t index) {
  return args.size() > index && !args[index].isMissing();
}

}  // namespace

CVLMObject::CVLMObject() {
  addMembers();
  addGeometryMembers();
  addSmoothingMembers();
}

void CVLMObject::addMembers() {
  using Args = std::span<Variant>;
  addMember("Name", [this](InvokeKind kind, Args args) {
    return property(
        kind, args, [&] { return Variant(name_); },
        [&](const Variant& v) { name_ = v.toString(); });
  });
  addMember("DefaultColor", [this](InvokeKind kind, Args args) {
    return property(
        kind, args, [&] { return Variant(color_); },
        [&](const Variant& v) { color_ = v.toLong(); });
  });
  addMember("Visible", [this](InvokeKind kind, Args args) {
    return property(
        kind, args, [&] { return Variant(visible_); },
        [&](const Variant& v) { visible_ = v.toBool(); });
  });
  addMember("MaterialKey", [this](InvokeKind kind, Args args) {
    return property(
        kind, args, [&] { return Variant(materialKey_); },
        [&](const Variant& v) { materialKey_ = v.toString(); });
  });
  static constexpr const char* kPositionNames[] = {"PosX", "PosY", "PosZ"};
  for (size_t axis = 0; axis < 3; ++axis) {
    addMember(kPositionNames[axis], [this, axis](InvokeKind kind, Args args) {
      return property(
          kind, args, [&] { return Variant(position_[axis]); },
          [&](const Variant& v) { position_[axis] = v.toSingle(); });
    });
  }
  addMember("Key", [this](InvokeKind kind, Args args) {
    return readOnlyProperty(kind, args, [&] { return Variant(key_); });
  });
}

void CVLMObject::addGeometryMembers() {
  using Args = std::span<Variant>;
  addMember("Add_Vertices", [this](InvokeKind kind, Args args) -> Variant {
    expectMethod(kind);
    expectArgs(args, 1);
    const std::vector<float>& coords = args[0].singleArray();
    if (coords.size() % 3 != 0) {
      raise(err::kInvalidCall,
            "Vertex list of " + std::to_string(coords.size()) + " values is not made of x, y, z",
            kHostSource);
    }
    mesh_.appendVertices(coords);
    verticesChanged();
    return {};
  });
  addMember("Add_Poligons", [this](InvokeKind kind, Args args) -> Variant {
    expectMethod(kind);
    addPolygons(args);
    return {};
  });
  addMember("Set_PoligonNormals", [this](InvokeKind kind, Args args) -> Variant {
    expectMethod(kind);
    expectArgs(args, 1);
    const std::vector<float>& records = args[0].singleArray();
    invalidNormals_ += setNormalRecords(mesh_, records);
    normalRecords_ += static_cast<int64_t>(records.size() / 10);
    return {};
  });
  addMember("Add_Vertex", [this](InvokeKind kind, Args args) -> Variant {
    expectMethod(kind);
    expectArgs(args, 3);
    mesh_.appendVertex(args[0].toSingle(), args[1].toSingle(), args[2].toSingle());
    verticesChanged();
    return {};
  });
  addMember("Add_Poligon", [this](InvokeKind kind, Args args) -> Variant {
    expectMethod(kind);
    expectArgs(args, 3);
    const int32_t corners[] = {args[0].toLong(), args[1].toLong(), args[2].toLong()};
    if (!mesh_.appendPolygon(corners)) ++invalidPolygons_;
    return {};
  });
  addMember("Set_PoligonNormal", [this](InvokeKind kind, Args args) -> Variant {
    expectMethod(kind);
    expectArgs(args, 10);
    const double polygon = args[0].toDouble();
    std::array<float, 9> normals;
    for (size_t i = 0; i < 9; ++i) normals[i] = args[i + 1].toSingle();
    ++normalRecords_;
    if (!setPolygonNormal(mesh_, polygon, normals)) ++invalidNormals_;
    return {};
  });
}

void CVLMObject::addSmoothingMembers() {
  using Args = std::span<Variant>;
  addMember("Get_Surface", [this](InvokeKind kind, Args args) -> Variant {
    expectMethod(kind);
    makeSurface(args);
    return {};
  });
  addMember("Center", [this](InvokeKind kind, Args args) -> Variant {
    expectMethod(kind);
    expectArgs(args, 0);
    center();
    return {};
  });
  addMember("SmoothNormalsAdaptive", [this](InvokeKind kind, Args args) -> Variant {
    expectMethod(kind);
    expectArgs(args, 1);
    smoothAdaptive(mesh_, std::clamp(args[0].toDouble(), 0.0, 180.0));
    return {};
  });
}

void CVLMObject::addPolygons(std::span<Variant> args) {
  expectArgs(args, 1, 2);
  const std::vector<int32_t>& list = args[0].longArray();
  if (!given(args, 1)) {
    invalidPolygons_ += addPolygonRecords(mesh_, list);
    return;
  }
  const int16_t form = args[1].toInteger();
  if (form != 3) {
    raise(err::kInvalidCall,
          "Polygon list form " + std::to_string(form) + " is unknown; 3 means plain triples",
          kHostSource);
  }
  invalidPolygons_ += addTriangleTriples(mesh_, list);
}

void CVLMObject::makeSurface(std::span<Variant> args) {
  expectArgs(args, 1, 2);
  const int64_t first = args[0].toLong();
  const int64_t last = given(args, 1) ? args[1].toLong() : mesh_.polygonNumbers() - 1;
  surfaces_.emplace_back(first, last);
  const auto [begin, end] = mesh_.triangleRange(first, last);
  if (begin >= end) return;
  if (!smoother_) smoother_ = std::make_unique<SurfaceSmoother>(mesh_);
  smoother_->smooth(mesh_, begin, end);
}

void CVLMObject::attach(std::string key, const std::shared_ptr<CVLMObject>& parent, int32_t batch) {
  key_ = std::move(key);
  importBatch_ = batch;
  parent_ = parent;
  if (parent) parent->children_.push_back(weak_from_this());
  smoother_.reset();  // the import is done with this object's surfaces
}

// This object and every object below it, each once (children may be shared or linked
// into a cycle): breadth first, with a set of those met, so a parent of a million
// children costs a million steps and no deep recursion.
std::vector<CVLMObject*> CVLMObject::family() {
  std::vector<CVLMObject*> members{this};
  std::unordered_set<const CVLMObject*> met{this};
  for (size_t next = 0; next < members.size(); ++next) {
    for (const std::weak_ptr<CVLMObject>& child : members[next]->children_) {
      const std::shared_ptr<CVLMObject> alive = child.lock();
      if (alive && met.insert(alive.get()).second) members.push_back(alive.get());
    }
  }
  return members;
}

void CVLMObject::center() {
  const std::vector<CVLMObject*> family = this->family();
  Bounds box;
  for (const CVLMObject* member : family) box.include(member->mesh_.bounds());
  if (box.empty) return;
  const std::array<float, 3> middle = box.center();
  const std::array<float, 3> back{-middle[0], -middle[1], -middle[2]};
  for (CVLMObject* member : family) {
    member->mesh_.translate(back);
    member->verticesChanged();
    for (size_t axis = 0; axis < 3; ++axis) {
      member->position_[axis] += middle[axis];
      member->centerOffset_[axis] += middle[axis];
    }
  }
}

}  // namespace vlm::refhost
