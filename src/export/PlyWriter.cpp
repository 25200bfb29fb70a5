// The PLY export: one binary little-endian mesh of all objects.
//
// A vertex carries one normal, an OBJ-style corner does not: each vertex takes the
// normal of the first corner that uses it, and each other normal its corners have gets
// one copy of the vertex. Smooth surfaces keep their shared vertices; only creases and
// flat faces add any.
#include <bit>
#include <cstring>
#include <limits>
#include <vector>

#include "export/BitsIndex.h"
#include "export/Export.h"
#include "export/TextLines.h"
#include "geometry/CornerNormals.h"
#include "geometry/OutputFile.h"
#include "geometry/SceneColors.h"

namespace vlm::exporter {

namespace {

static_assert(std::endian::native == std::endian::little, "the PLY body is written as it lies");

using geometry::OutputFile;
using geometry::Rgb;
using refhost::CVLMObject;
using refhost::Mesh;

constexpr size_t kVertexRecord = 6 * sizeof(float) + 3;
constexpr size_t kFaceRecord = 1 + 3 * sizeof(int32_t);

// Which normal each vertex and each corner gets, and the vertex copies creases need.
struct ObjectPlan {
  std::vector<Vec3f> vertexNormals;  // per vertex: its first corner's, else zero
  std::vector<int32_t> copyOf;       // per copy: the vertex it copies
  std::vector<Vec3f> copyNormals;
  std::vector<int32_t> cornerVertex;  // per corner: vertex, or vertexCount + copy

  size_t vertexCount() const noexcept { return vertexNormals.size() + copyOf.size(); }
};

bool sameBits(const Vec3f& a, const Vec3f& b) noexcept {
  return std::memcmp(a.data(), b.data(), sizeof(Vec3f)) == 0;
}

ObjectPlan planObject(const Mesh& mesh) {
  ObjectPlan plan;
  const auto vertices = static_cast<size_t>(mesh.vertexCount());
  plan.vertexNormals.assign(vertices, Vec3f{0, 0, 0});
  std::vector<bool> taken(vertices, false);
  BitsIndex<4> copies;  // (vertex, normal) of each copy
  plan.cornerVertex.resize(mesh.triangles().size());
  for (int32_t t = 0; t < mesh.triangleCount(); ++t) {
    const std::array<Vec3f, 3> normals = geometry::cornerNormals(mesh, t);
    for (size_t k = 0; k < 3; ++k) {
      const size_t corner = 3 * static_cast<size_t>(t) + k;
      const int32_t v = mesh.triangles()[corner];
      const auto slot = static_cast<size_t>(v);
      if (!taken[slot]) {
        taken[slot] = true;
        plan.vertexNormals[slot] = normals[k];
      }
      if (sameBits(plan.vertexNormals[slot], normals[k])) {
        plan.cornerVertex[corner] = v;
        continue;
      }
      const auto n = normalKey(normals[k]);
      const int32_t copy = copies.numberOf({static_cast<uint32_t>(v), n[0], n[1], n[2]});
      if (static_cast<size_t>(copy) == plan.copyOf.size()) {
        plan.copyOf.push_back(v);
        plan.copyNormals.push_back(normals[k]);
      }
      plan.cornerVertex[corner] = static_cast<int32_t>(vertices + static_cast<size_t>(copy));
    }
  }
  return plan;
}

void writeHeader(OutputFile& out, const ExportOptions& options, size_t vertices, size_t faces) {
  out.write("ply\nformat binary_little_endian 1.0\ncomment Exported from ");
  out.write(commentText(options.source));
  out.write("\nelement vertex " + std::to_string(vertices) +
            "\nproperty float x\nproperty float y\nproperty float z"
            "\nproperty float nx\nproperty float ny\nproperty float nz"
            "\nproperty uchar red\nproperty uchar green\nproperty uchar blue"
            "\nelement face " +
            std::to_string(faces) + "\nproperty list uchar int vertex_indices\nend_header\n");
}

void writeVertex(OutputFile& out, const float* xyz, const std::array<float, 3>& position,
                 float scale, const Vec3f& normal, const Rgb& color) {
  const float values[6] = {(xyz[0] + position[0]) * scale,
                           (xyz[1] + position[1]) * scale,
                           (xyz[2] + position[2]) * scale,
                           normal[0],
                           normal[1],
                           normal[2]};
  char* p = out.room(kVertexRecord);
  std::memcpy(p, values, sizeof values);
  p[24] = static_cast<char>(color.r);
  p[25] = static_cast<char>(color.g);
  p[26] = static_cast<char>(color.b);
  out.advance(kVertexRecord);
}

void writeVertices(OutputFile& out, const CVLMObject& object, float scale, const ObjectPlan& plan,
                   const Rgb& color) {
  const float* xyz = object.mesh().vertices().data();
  for (size_t v = 0; v < plan.vertexNormals.size(); ++v) {
    writeVertex(out, xyz + 3 * v, object.position(), scale, plan.vertexNormals[v], color);
  }
  for (size_t c = 0; c < plan.copyOf.size(); ++c) {
    writeVertex(out, xyz + 3 * static_cast<size_t>(plan.copyOf[c]), object.position(), scale,
                plan.copyNormals[c], color);
  }
}

void writeFaces(OutputFile& out, const ObjectPlan& plan, int32_t base) {
  for (size_t i = 0; i < plan.cornerVertex.size(); i += 3) {
    const int32_t corners[3] = {base + plan.cornerVertex[i], base + plan.cornerVertex[i + 1],
                                base + plan.cornerVertex[i + 2]};
    char* p = out.room(kFaceRecord);
    p[0] = 3;
    std::memcpy(p + 1, corners, sizeof corners);
    out.advance(kFaceRecord);
  }
}

}  // namespace

void writePly(const refhost::ReferenceScene& scene, const std::string& path,
              const ExportOptions& options) {
  OutputFile out(path);
  std::vector<ObjectPlan> plans;
  plans.reserve(scene.objectCount());
  size_t vertices = 0;
  size_t faces = 0;
  for (size_t i = 0; i < scene.objectCount(); ++i) {
    plans.push_back(planObject(scene.object(i).mesh()));
    vertices += plans.back().vertexCount();
    faces += static_cast<size_t>(scene.object(i).mesh().triangleCount());
  }
  if (vertices > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    geometry::throwCannotWrite(path, "more vertices than a PLY int index can number");
  }
  writeHeader(out, options, vertices, faces);
  for (size_t i = 0; i < plans.size(); ++i) {
    writeVertices(out, scene.object(i), options.scale, plans[i],
                  geometry::rgbOf(geometry::displayColor(scene, scene.object(i))));
  }
  int32_t base = 0;
  for (const ObjectPlan& plan : plans) {
    writeFaces(out, plan, base);
    base += static_cast<int32_t>(plan.vertexCount());
  }
  out.commit();
}

}  // namespace vlm::exporter
