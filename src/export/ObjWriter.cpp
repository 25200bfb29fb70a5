// The OBJ export: the .obj file and its .mtl beside it.
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "export/BitsIndex.h"
#include "export/ColorName.h"
#include "export/Export.h"
#include "export/FileNames.h"
#include "export/NumberText.h"
#include "export/TextLines.h"
#include "export/UniqueNames.h"
#include "geometry/CornerNormals.h"
#include "geometry/OutputFile.h"
#include "geometry/SceneColors.h"

namespace vlm::exporter {

namespace {

using geometry::OutputFile;
using geometry::Rgb;
using refhost::CVLMMaterial;
using refhost::CVLMObject;
using refhost::ReferenceScene;

// The materials the objects use, each written once: the import's materials by their
// names, plain ones named after the DefaultColor for the objects without.
class MaterialTable {
 public:
  const std::string& nameFor(const ReferenceScene& scene, const CVLMObject& object) {
    const CVLMMaterial* material = geometry::colorMaterial(scene, object);
    if (material != nullptr) {
      auto [it, added] = byMaterial_.try_emplace(material, entries_.size());
      if (added) entries_.push_back({names_.take(material->name(), "material"), material, 0});
      return entries_[it->second].name;
    }
    auto [it, added] = byColor_.try_emplace(object.color(), entries_.size());
    if (added)
      entries_.push_back({names_.take(colorName(object.color()), ""), nullptr, object.color()});
    return entries_[it->second].name;
  }

  void write(OutputFile& out) const {
    for (const Entry& e : entries_) {
      out.write("newmtl ");
      out.write(e.name);
      out.write("\n");
      if (e.material != nullptr) {
        writeColor(out, "Ka", e.material->ambientColor());
        writeColor(out, "Kd", e.material->color());
        writeValue(out, "d", e.material->opacity());
      } else {
        writeColor(out, "Kd", e.color);
      }
      out.write("illum 1\n\n");
    }
  }

 private:
  struct Entry {
    std::string name;
    const CVLMMaterial* material;
    int32_t color;
  };

  static void writeColor(OutputFile& out, std::string_view key, int32_t colorNumber) {
    const Rgb c = geometry::rgbOf(colorNumber);
    char* start = out.room(OutputFile::kMaxRoom);
    char* p = start;
    std::memcpy(p, key.data(), key.size());
    p += key.size();
    for (uint8_t byte : {c.r, c.g, c.b}) {
      *p++ = ' ';
      p = appendNumber(p, static_cast<float>(byte) / 255.0f);
    }
    *p++ = '\n';
    out.advance(static_cast<size_t>(p - start));
  }

  static void writeValue(OutputFile& out, std::string_view key, float value) {
    char* start = out.room(OutputFile::kMaxRoom);
    char* p = start;
    std::memcpy(p, key.data(), key.size());
    p += key.size();
    *p++ = ' ';
    p = appendNumber(p, value);
    *p++ = '\n';
    out.advance(static_cast<size_t>(p - start));
  }

  UniqueNames names_;
  std::vector<Entry> entries_;
  std::unordered_map<const CVLMMaterial*, size_t> byMaterial_;
  std::unordered_map<int32_t, size_t> byColor_;
};

// A "<keyword> a b c" line of three floats.
void writeTriple(OutputFile& out, std::string_view keyword, float a, float b, float c) {
  char* start = out.room(4 + 3 * kMaxNumberText + 3);
  char* p = start;
  std::memcpy(p, keyword.data(), keyword.size());
  p += keyword.size();
  *p++ = ' ';
  p = appendNumber(p, a);
  *p++ = ' ';
  p = appendNumber(p, b);
  *p++ = ' ';
  p = appendNumber(p, c);
  *p++ = '\n';
  out.advance(static_cast<size_t>(p - start));
}

// Writes one object: its marks, world vertices (times `scale`), distinct normals and
// faces. `vertexBase` and `normalBase` count the vertices and normals of the objects
// before it.
class ObjectWriter {
 public:
  ObjectWriter(OutputFile& out, float scale) : out_(out), scale_(scale) {}

  void write(const CVLMObject& object, std::string_view name, std::string_view material) {
    writeMarks(name, material);
    writeVertices(object);
    numberNormals(object.mesh());
    for (const auto& key : normals_.keys()) {
      const Vec3f n = normalOf(key);
      writeTriple(out_, "vn", n[0], n[1], n[2]);
    }
    writeFaces(object.mesh());
    vertexBase_ += object.mesh().vertexCount();
    normalBase_ += static_cast<int64_t>(normals_.keys().size());
  }

 private:
  void writeMarks(std::string_view name, std::string_view material) {
    for (std::string_view part : {std::string_view("# Object "), name, std::string_view("\no "),
                                  name, std::string_view("\nusemtl "), material}) {
      out_.write(part);
    }
    out_.write("\n");
  }

  void writeVertices(const CVLMObject& object) {
    const auto& v = object.mesh().vertices();
    const auto& pos = object.position();
    for (size_t i = 0; i + 2 < v.size(); i += 3) {
      writeTriple(out_, "v", (v[i] + pos[0]) * scale_, (v[i + 1] + pos[1]) * scale_,
                  (v[i + 2] + pos[2]) * scale_);
    }
  }

  void numberNormals(const refhost::Mesh& mesh) {
    normals_.clear();
    cornerNormal_.resize(mesh.triangles().size());
    for (int32_t t = 0; t < mesh.triangleCount(); ++t) {
      const std::array<Vec3f, 3> corners = geometry::cornerNormals(mesh, t);
      for (size_t k = 0; k < 3; ++k) {
        cornerNormal_[3 * static_cast<size_t>(t) + k] = normals_.numberOf(normalKey(corners[k]));
      }
    }
  }

  void writeFaces(const refhost::Mesh& mesh) {
    const auto& corners = mesh.triangles();
    for (size_t i = 0; i < corners.size(); i += 3) {
      char* start = out_.room(3 + 3 * (2 * kMaxNumberText + 3));
      char* p = start;
      *p++ = 'f';
      for (size_t k = i; k < i + 3; ++k) {
        *p++ = ' ';
        p = appendNumber(p, vertexBase_ + corners[k] + 1);
        *p++ = '/';
        *p++ = '/';
        p = appendNumber(p, normalBase_ + cornerNormal_[k] + 1);
      }
      *p++ = '\n';
      out_.advance(static_cast<size_t>(p - start));
    }
  }

  OutputFile& out_;
  float scale_;
  BitsIndex<3> normals_;
  std::vector<int32_t> cornerNormal_;
  int64_t vertexBase_ = 0;
  int64_t normalBase_ = 0;
};

}  // namespace

void writeObj(const ReferenceScene& scene, const std::string& path, const ExportOptions& options) {
  const std::string mtlPath = withExtension(path, ".mtl");
  OutputFile obj(path);
  OutputFile mtl(mtlPath);
  obj.write("# Exported from ");
  obj.write(commentText(options.source));
  obj.write("\nmtllib ");
  obj.write(fileNameOf(mtlPath));
  obj.write("\n");

  MaterialTable materials;
  UniqueNames objectNames;
  ObjectWriter writer(obj, options.scale);
  for (size_t i = 0; i < scene.objectCount(); ++i) {
    const CVLMObject& object = scene.object(i);
    const std::string name = objectNames.take(object.name(), "object" + std::to_string(i + 1));
    writer.write(object, name, materials.nameFor(scene, object));
  }
  mtl.write("# Materials of ");
  mtl.write(fileNameOf(path));
  mtl.write("\n\n");
  materials.write(mtl);
  mtl.commit();
  obj.commit();
}

}  // namespace vlm::exporter
