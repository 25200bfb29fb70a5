// The scene report as JSON: a document for tests and small scenes, and a streaming
// writer that never holds the geometry arrays as JSON values.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <ostream>
#include <span>
#include <string>
#include <type_traits>

#include "refhost/ReferenceScene.h"
#include "refhost/Scene.h"
#include "refhost/ValidUtf8.h"

namespace vlm::refhost {

namespace {

using Json = nlohmann::ordered_json;

// A float as the double that prints as the float's shortest decimal form, so the report
// shows 0.1 rather than 0.100000001490116.
Json number(float value) {
  if (!std::isfinite(value)) return nullptr;
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  double widened = 0;
  std::from_chars(text, end, widened);
  return widened;
}

Json triple(const std::array<float, 3>& v) {
  return Json::array({number(v[0]), number(v[1]), number(v[2])});
}

Json text(const std::string& bytes) { return validUtf8(bytes); }

Json surfaces(const CVLMObject& object) {
  Json runs = Json::array();
  for (const auto& [first, last] : object.surfaces()) runs.push_back(Json::array({first, last}));
  return runs;
}

Json boundingBox(const Mesh& mesh) {
  const Bounds box = mesh.bounds();
  if (box.empty) return nullptr;
  return Json::array({triple(box.min), triple(box.max)});
}

Json objectSummary(const CVLMObject& object) {
  const auto parent = object.parent();
  const auto& material = object.material();
  return Json{
      {"key", text(object.key())},
      {"name", text(object.name())},
      {"parent", parent ? Json(text(parent->key())) : Json(nullptr)},
      {"color", object.color()},
      {"visible", object.visible()},
      {"materialKey", text(object.materialKey())},
      {"material", material ? Json(text(material->name())) : Json(nullptr)},
      {"position", triple(object.position())},
      {"centerOffset", triple(object.centerOffset())},
      {"vertexCount", object.mesh().vertexCount()},
      {"triangleCount", object.mesh().triangleCount()},
      {"invalidPolygons", object.invalidPolygons()},
      {"normalRecords", object.normalRecords()},
      {"invalidNormals", object.invalidNormals()},
      {"surfaces", surfaces(object)},
      {"bbox", boundingBox(object.mesh())},
  };
}

Json floats(std::span<const float> values) {
  Json list = Json::array();
  for (float v : values) list.push_back(number(v));
  return list;
}

Json materialReport(const CVLMMaterial& material) {
  return Json{
      {"name", text(material.name())},        {"type", material.materialType()},
      {"ambient", material.ambientColor()},   {"color", material.color()},
      {"specular", material.specularColor()}, {"smoothness", number(material.smoothness())},
      {"specCoeff", material.specCoeff()},    {"opacity", number(material.opacity())},
  };
}

// Writes `count` values, the i-th being `valueAt(i)`, as a JSON array member.
template <class ValueAt>
void writeArray(std::ostream& out, const char* key, size_t count, ValueAt valueAt) {
  out << ",\"" << key << "\":[";
  char buffer[64 * 1024];
  char* at = buffer;
  for (size_t i = 0; i < count; ++i) {
    if (buffer + sizeof buffer - at < 48) {
      out.write(buffer, at - buffer);
      at = buffer;
    }
    if (i > 0) *at++ = ',';
    const auto value = valueAt(i);
    if constexpr (std::is_floating_point_v<decltype(value)>) {
      if (!std::isfinite(value)) {
        at = std::copy_n("null", 4, at);
        continue;
      }
    }
    at = std::to_chars(at, buffer + sizeof buffer, value).ptr;
  }
  out.write(buffer, at - buffer);
  out << ']';
}

template <class T>
void writeArray(std::ostream& out, const char* key, std::span<const T> values) {
  writeArray(out, key, values.size(), [values](size_t i) { return values[i]; });
}

// Nine values per triangle, zero where none were set; none when no triangle has normals.
void writeCornerNormals(std::ostream& out, const Mesh& mesh) {
  const size_t count = mesh.hasCornerNormals() ? 9 * static_cast<size_t>(mesh.triangleCount()) : 0;
  std::array<float, 9> triangle{};
  writeArray(out, "cornerNormals", count, [&](size_t i) {
    if (i % 9 == 0) triangle = mesh.normalsOf(static_cast<int32_t>(i / 9));
    return triangle[i % 9];
  });
}

Json cornerNormals(const Mesh& mesh) {
  Json list = Json::array();
  if (!mesh.hasCornerNormals()) return list;
  for (int32_t t = 0; t < mesh.triangleCount(); ++t) {
    for (float v : mesh.normalsOf(t)) list.push_back(number(v));
  }
  return list;
}

}  // namespace

Json ReferenceScene::toJson(bool geometry) const {
  Json objects = Json::array();
  for (const auto& object : scene_->objects().objects()) {
    Json report = objectSummary(*object);
    if (geometry) {
      report["vertices"] = floats(object->mesh().vertices());
      report["triangles"] = object->mesh().triangles();
      report["cornerNormals"] = cornerNormals(object->mesh());
    }
    objects.push_back(std::move(report));
  }
  Json materials = Json::array();
  for (const auto& material : scene_->materials().materials()) {
    materials.push_back(materialReport(*material));
  }
  return Json{{"objects", std::move(objects)}, {"materials", std::move(materials)}};
}

void ReferenceScene::writeJson(std::ostream& out, bool geometry, const Json& extra) const {
  out << "{\"objects\":[";
  bool first = true;
  for (const auto& object : scene_->objects().objects()) {
    if (!first) out << ',';
    first = false;
    std::string summary = objectSummary(*object).dump();
    summary.pop_back();  // the closing brace: the arrays follow inside the object
    out << summary;
    if (geometry) {
      writeArray<float>(out, "vertices", object->mesh().vertices());
      writeArray<int32_t>(out, "triangles", object->mesh().triangles());
      writeCornerNormals(out, object->mesh());
    }
    out << '}';
  }
  out << "],\"materials\":[";
  first = true;
  for (const auto& material : scene_->materials().materials()) {
    if (!first) out << ',';
    first = false;
    out << materialReport(*material).dump();
  }
  out << ']';
  if (extra.is_object()) {
    for (const auto& [key, value] : extra.items()) {
      out << ',' << Json(validUtf8(key)).dump() << ':'
          << value.dump(-1, ' ', false, Json::error_handler_t::replace);
    }
  }
  out << '}';
}

}  // namespace vlm::refhost
