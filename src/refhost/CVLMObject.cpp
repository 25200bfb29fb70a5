#include "refhost/CVLMObject.h"

#include <algorithm>
#include <string>

#include "refhost/Members.h"
#include "refhost/PolygonLists.h"

namespace vlm::refhost {

namespace {

bool given(std::span<Variant> args, size_t index) {
  return args.size() > index && !args[index].isMissing();
}

}  // namespace

CVLMObject::CVLMObject() : DispatchObject(members()) {}

const DispatchObject::SharedMembers& CVLMObject::members() {
  static const SharedMembers table = [] {
    SharedMembers t;
    addMembers(t);
    addGeometryMembers(t);
    addSmoothingMembers(t);
    return t;
  }();
  return table;
}

void CVLMObject::addMembers(SharedMembers& t) {
  using Args = std::span<Variant>;
  addShared<CVLMObject>(t, "Name", [](CVLMObject& o, InvokeKind kind, Args args) {
    return property(
        kind, args, [&] { return Variant(o.name_); },
        [&](const Variant& v) { o.name_ = v.toString(); });
  });
  addShared<CVLMObject>(t, "DefaultColor", [](CVLMObject& o, InvokeKind kind, Args args) {
    return property(
        kind, args, [&] { return Variant(o.color_); },
        [&](const Variant& v) { o.color_ = v.toLong(); });
  });
  addShared<CVLMObject>(t, "Visible", [](CVLMObject& o, InvokeKind kind, Args args) {
    return property(
        kind, args, [&] { return Variant(o.visible_); },
        [&](const Variant& v) { o.visible_ = v.toBool(); });
  });
  addShared<CVLMObject>(t, "MaterialKey", [](CVLMObject& o, InvokeKind kind, Args args) {
    return property(
        kind, args, [&] { return Variant(o.materialKey_); },
        [&](const Variant& v) { o.materialKey_ = v.toString(); });
  });
  static constexpr const char* kPositionNames[] = {"PosX", "PosY", "PosZ"};
  for (size_t axis = 0; axis < 3; ++axis) {
    addShared<CVLMObject>(t, kPositionNames[axis],
                          [axis](CVLMObject& o, InvokeKind kind, Args args) {
                            return property(
                                kind, args, [&] { return Variant(o.position_[axis]); },
                                [&](const Variant& v) { o.position_[axis] = v.toSingle(); });
                          });
  }
  addShared<CVLMObject>(t, "Key", [](CVLMObject& o, InvokeKind kind, Args args) {
    return readOnlyProperty(kind, args, [&] { return Variant(o.key_); });
  });
}

void CVLMObject::addGeometryMembers(SharedMembers& t) {
  using Args = std::span<Variant>;
  addShared<CVLMObject>(
      t, "Add_Vertices", [](CVLMObject& o, InvokeKind kind, Args args) -> Variant {
        expectMethod(kind);
        expectArgs(args, 1);
        const std::vector<float>& coords = args[0].singleArray();
        if (coords.size() % 3 != 0) {
          raise(
              err::kInvalidCall,
              "Vertex list of " + std::to_string(coords.size()) + " values is not made of x, y, z",
              kHostSource);
        }
        o.mesh_.appendVertices(coords);
        o.verticesChanged();
        return {};
      });
  addShared<CVLMObject>(t, "Add_Poligons",
                        [](CVLMObject& o, InvokeKind kind, Args args) -> Variant {
                          expectMethod(kind);
                          o.addPolygons(args);
                          return {};
                        });
  addShared<CVLMObject>(t, "Set_PoligonNormals",
                        [](CVLMObject& o, InvokeKind kind, Args args) -> Variant {
                          expectMethod(kind);
                          expectArgs(args, 1);
                          const std::vector<float>& records = args[0].singleArray();
                          o.invalidNormals_ += setNormalRecords(o.mesh_, records);
                          o.normalRecords_ += static_cast<int64_t>(records.size() / 10);
                          return {};
                        });
  addShared<CVLMObject>(t, "Add_Vertex", [](CVLMObject& o, InvokeKind kind, Args args) -> Variant {
    expectMethod(kind);
    expectArgs(args, 3);
    o.mesh_.appendVertex(args[0].toSingle(), args[1].toSingle(), args[2].toSingle());
    o.verticesChanged();
    return {};
  });
  addShared<CVLMObject>(t, "Add_Poligon", [](CVLMObject& o, InvokeKind kind, Args args) -> Variant {
    expectMethod(kind);
    expectArgs(args, 3);
    const int32_t corners[] = {args[0].toLong(), args[1].toLong(), args[2].toLong()};
    o.invalidPolygons_ += o.mesh_.appendTriangleTriples(corners);
    return {};
  });
  addShared<CVLMObject>(t, "Set_PoligonNormal",
                        [](CVLMObject& o, InvokeKind kind, Args args) -> Variant {
                          expectMethod(kind);
                          expectArgs(args, 10);
                          const double polygon = args[0].toDouble();
                          std::array<float, 9> normals;
                          for (size_t i = 0; i < 9; ++i) normals[i] = args[i + 1].toSingle();
                          ++o.normalRecords_;
                          if (!setPolygonNormal(o.mesh_, polygon, normals)) ++o.invalidNormals_;
                          return {};
                        });
}

void CVLMObject::addSmoothingMembers(SharedMembers& t) {
  using Args = std::span<Variant>;
  addShared<CVLMObject>(t, "Get_Surface", [](CVLMObject& o, InvokeKind kind, Args args) -> Variant {
    expectMethod(kind);
    o.makeSurface(args);
    return {};
  });
  addShared<CVLMObject>(t, "Center", [](CVLMObject& o, InvokeKind kind, Args args) -> Variant {
    expectMethod(kind);
    expectArgs(args, 0);
    o.center();
    return {};
  });
  addShared<CVLMObject>(t, "SmoothNormalsAdaptive",
                        [](CVLMObject& o, InvokeKind kind, Args args) -> Variant {
                          expectMethod(kind);
                          expectArgs(args, 1);
                          smoothAdaptive(o.mesh_, std::clamp(args[0].toDouble(), 0.0, 180.0));
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

// This object and every object below it, breadth first: a parent of a million children
// costs a million steps and no deep recursion. The objects form a tree (an object joins
// the scene once, under a parent already in it), so each is met once.
std::vector<CVLMObject*> CVLMObject::family() {
  std::vector<CVLMObject*> members{this};
  for (size_t next = 0; next < members.size(); ++next) {
    for (const std::weak_ptr<CVLMObject>& child : members[next]->children_) {
      if (const std::shared_ptr<CVLMObject> alive = child.lock()) members.push_back(alive.get());
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

void CVLMObject::scale(float factor) {
  mesh_.scale(factor);
  verticesChanged();
  for (size_t axis = 0; axis < 3; ++axis) {
    position_[axis] *= factor;
    centerOffset_[axis] *= factor;
  }
}

}  // namespace vlm::refhost
