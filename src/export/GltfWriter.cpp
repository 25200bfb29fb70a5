// The glTF export: one buffer with every object's vertices and triangles, and the JSON
// document of nodes, meshes, materials and where in the buffer each mesh lies; written as
// one .glb, or as a .gltf with the buffer in a .bin beside it or inside it as base64.
//
// Per object with triangles the buffer holds its vertices (position and unit normal, 24
// bytes, interleaved), then its indices in the smallest type whose largest value is not
// reserved (255 and 65535 mark primitive restarts), each part starting on 4 bytes.
// Objects without triangles are nodes without a mesh.
#include <algorithm>
#include <array>
#include <bit>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <limits>
#include <unordered_map>
#include <vector>

#include "export/Base64.h"
#include "export/Export.h"
#include "export/FileNames.h"
#include "export/GltfJson.h"
#include "export/GltfMaterials.h"
#include "export/SharedVertices.h"
#include "geometry/OutputFile.h"

namespace vlm::exporter {

namespace {

static_assert(std::endian::native == std::endian::little, "the buffer is written as it lies");

using geometry::OutputFile;
using refhost::CVLMObject;
using refhost::ReferenceScene;

constexpr int kFloat = 5126;
constexpr int kUnsignedByte = 5121;
constexpr int kUnsignedShort = 5123;
constexpr int kUnsignedInt = 5125;
constexpr int kArrayBuffer = 34962;
constexpr int kElementArrayBuffer = 34963;
constexpr size_t kVertexBytes = 6 * sizeof(float);

size_t padded(size_t bytes) { return (bytes + 3) & ~size_t{3}; }

// Characters outside the unreserved ones as %XX, so a file name is a valid URI.
std::string uriOf(std::string_view fileName) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri;
  for (char c : fileName) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isalnum(byte) || c == '-' || c == '.' || c == '_' || c == '~') {
      uri += c;
    } else {
      uri += {'%', kHex[byte >> 4], kHex[byte & 15]};
    }
  }
  return uri;
}

struct StringSink {
  std::string& bytes;
  void write(std::string_view more) { bytes.append(more); }
};

// `indices` as values of type T, in blocks.
template <class T, class Sink>
void writeIndices(Sink& out, const std::vector<uint32_t>& indices) {
  std::array<T, 4096> block;
  for (size_t i = 0; i < indices.size(); i += block.size()) {
    const size_t n = std::min(block.size(), indices.size() - i);
    for (size_t k = 0; k < n; ++k) block[k] = static_cast<T>(indices[i + k]);
    out.write({reinterpret_cast<const char*>(block.data()), n * sizeof(T)});
  }
}

// One object's triangles and where they lie in the buffer.
struct Part {
  size_t node;
  SharedVertices mesh;
  size_t material;
  std::array<float, 3> min;  // of the scaled positions
  std::array<float, 3> max;
  int indexType = kUnsignedInt;
  size_t indexSize = 4;
  size_t vertexOffset = 0;
  size_t indexOffset = 0;
};

class GltfScene {
 public:
  GltfScene(const ReferenceScene& scene, const ExportOptions& options, const std::string& path)
      : scene_(scene), options_(options), path_(path), materials_(scene) {
    for (size_t i = 0; i < scene.objectCount(); ++i) {
      if (scene.object(i).mesh().triangleCount() > 0) addPart(i);
    }
  }

  size_t bufferLength() const noexcept { return length_; }

  GltfJson document(const std::string& bufferUri) const {
    GltfJson doc{{"asset", {{"generator", "VLMImport " VLM_VERSION}, {"version", "2.0"}}},
                 {"scene", 0}};
    GltfJson sceneJson = GltfJson::object();
    if (!options_.source.empty()) sceneJson["name"] = options_.source;
    GltfJson nodes = nodesJson(sceneJson);
    doc["scenes"] = GltfJson::array({sceneJson});
    if (!nodes.empty()) doc["nodes"] = std::move(nodes);
    if (!parts_.empty()) {
      doc["meshes"] = GltfJson::array();
      for (const Part& part : parts_) doc["meshes"].push_back(meshJson(part));
      doc["materials"] = materials_.json();
      for (const Part& part : parts_) addAccessors(doc, part);
      GltfJson buffer{{"byteLength", length_}};
      if (!bufferUri.empty()) buffer["uri"] = bufferUri;
      doc["buffers"] = GltfJson::array({std::move(buffer)});
    }
    return doc;
  }

  template <class Sink>
  void writeBuffer(Sink& out) const {
    static constexpr char kZeros[4] = {};
    for (const Part& part : parts_) {
      for (size_t v = 0; v < part.mesh.vertexCount(); ++v) {
        const auto& bits = part.mesh.vertex(v);
        float values[6];
        for (size_t k = 0; k < 6; ++k)
          values[k] = std::bit_cast<float>(bits[k]) * (k < 3 ? options_.scale : 1.0f);
        out.write({reinterpret_cast<const char*>(values), sizeof values});
      }
      const std::vector<uint32_t>& indices = part.mesh.indices();
      if (part.indexSize == 1) writeIndices<uint8_t>(out, indices);
      if (part.indexSize == 2) writeIndices<uint16_t>(out, indices);
      if (part.indexSize == 4) writeIndices<uint32_t>(out, indices);
      const size_t bytes = indices.size() * part.indexSize;
      out.write({kZeros, padded(bytes) - bytes});
    }
  }

 private:
  void addPart(size_t node) {
    const CVLMObject& object = scene_.object(node);
    Part part{node, SharedVertices(object.mesh()), materials_.numberFor(object), {}, {}};
    const size_t count = part.mesh.vertexCount();
    part.min.fill(std::numeric_limits<float>::infinity());
    part.max.fill(-std::numeric_limits<float>::infinity());
    for (size_t v = 0; v < count; ++v) {
      for (size_t k = 0; k < 3; ++k) {
        const float x = std::bit_cast<float>(part.mesh.vertex(v)[k]) * options_.scale;
        if (!std::isfinite(x)) notFinite(node);
        part.min[k] = std::min(part.min[k], x);
        part.max[k] = std::max(part.max[k], x);
      }
    }
    if (count <= 255) {
      part.indexType = kUnsignedByte;
      part.indexSize = 1;
    } else if (count <= 65535) {
      part.indexType = kUnsignedShort;
      part.indexSize = 2;
    }
    part.vertexOffset = length_;
    part.indexOffset = length_ + count * kVertexBytes;
    length_ = part.indexOffset + padded(part.mesh.indices().size() * part.indexSize);
    parts_.push_back(std::move(part));
  }

  [[noreturn]] void notFinite(size_t node) const {
    geometry::throwCannotWrite(path_, "object '" + scene_.object(node).name() +
                                          "' has a position that is not a finite number");
  }

  // Every object's node, its children by number and the roots in `sceneJson`.
  GltfJson nodesJson(GltfJson& sceneJson) const {
    GltfJson nodes = GltfJson::array();
    std::unordered_map<const CVLMObject*, size_t> nodeOf;
    std::vector<size_t> meshOf(scene_.objectCount(), SIZE_MAX);
    for (size_t m = 0; m < parts_.size(); ++m) meshOf[parts_[m].node] = m;
    for (size_t i = 0; i < scene_.objectCount(); ++i) {
      const CVLMObject& object = scene_.object(i);
      nodeOf.emplace(&object, i);
      const auto parent = object.parent();
      const auto found = parent ? nodeOf.find(parent.get()) : nodeOf.end();
      std::array<float, 3> origin{};
      if (found != nodeOf.end()) {
        origin = parent->position();
        nodes[found->second]["children"].push_back(i);
      } else {
        sceneJson["nodes"].push_back(i);
      }
      GltfJson node{{"name", object.name()}};
      std::array<float, 3> move{};
      for (size_t k = 0; k < 3; ++k) {
        move[k] = (object.position()[k] - origin[k]) * options_.scale;
        if (!std::isfinite(move[k])) notFinite(i);
      }
      if (move != std::array<float, 3>{}) node["translation"] = move;
      if (meshOf[i] != SIZE_MAX) node["mesh"] = meshOf[i];
      nodes.push_back(std::move(node));
    }
    return nodes;
  }

  GltfJson meshJson(const Part& part) const {
    const size_t a = 3 * static_cast<size_t>(&part - parts_.data());
    GltfJson primitive{{"attributes", {{"POSITION", a}, {"NORMAL", a + 1}}},
                       {"indices", a + 2},
                       {"material", part.material}};
    return {{"name", scene_.object(part.node).name()},
            {"primitives", GltfJson::array({std::move(primitive)})}};
  }

  // The part's two buffer views and three accessors.
  static void addAccessors(GltfJson& doc, const Part& part) {
    const size_t view = doc["bufferViews"].size();
    const size_t count = part.mesh.vertexCount();
    const size_t indices = part.mesh.indices().size();
    doc["bufferViews"].push_back({{"buffer", 0},
                                  {"byteOffset", part.vertexOffset},
                                  {"byteLength", count * kVertexBytes},
                                  {"byteStride", kVertexBytes},
                                  {"target", kArrayBuffer}});
    doc["bufferViews"].push_back({{"buffer", 0},
                                  {"byteOffset", part.indexOffset},
                                  {"byteLength", indices * part.indexSize},
                                  {"target", kElementArrayBuffer}});
    doc["accessors"].push_back({{"bufferView", view},
                                {"componentType", kFloat},
                                {"count", count},
                                {"type", "VEC3"},
                                {"min", part.min},
                                {"max", part.max}});
    doc["accessors"].push_back({{"bufferView", view},
                                {"byteOffset", 3 * sizeof(float)},
                                {"componentType", kFloat},
                                {"count", count},
                                {"type", "VEC3"}});
    doc["accessors"].push_back({{"bufferView", view + 1},
                                {"componentType", part.indexType},
                                {"count", indices},
                                {"type", "SCALAR"}});
  }

  const ReferenceScene& scene_;
  const ExportOptions& options_;
  const std::string& path_;
  GltfMaterials materials_;
  std::vector<Part> parts_;
  size_t length_ = 0;
};

std::string jsonText(const GltfJson& doc, int indent) {
  return doc.dump(indent, ' ', false, nlohmann::detail::error_handler_t::replace);
}

void writeGlb(const GltfScene& gltf, const std::string& path) {
  std::string json = jsonText(gltf.document(""), -1);
  json.resize(padded(json.size()), ' ');
  const size_t length = gltf.bufferLength();
  const uint64_t total = 12 + 8 + json.size() + (length > 0 ? 8 + length : 0);
  if (total > std::numeric_limits<uint32_t>::max()) {
    geometry::throwCannotWrite(path, "a .glb holds at most 4 GiB; export to .gltf instead");
  }
  OutputFile out(path);
  const auto words = [&out](std::initializer_list<uint32_t> values) {
    for (uint32_t v : values) out.write({reinterpret_cast<const char*>(&v), sizeof v});
  };
  words({0x46546C67, 2, static_cast<uint32_t>(total)});     // "glTF", version 2
  words({static_cast<uint32_t>(json.size()), 0x4E4F534A});  // "JSON"
  out.write(json);
  if (length > 0) {
    words({static_cast<uint32_t>(length), 0x004E4942});  // "BIN"
    gltf.writeBuffer(out);
  }
  out.commit();
}

}  // namespace

void writeGltf(const ReferenceScene& scene, const std::string& path, const ExportOptions& options,
               bool binary) {
  const GltfScene gltf(scene, options, path);
  if (binary) return writeGlb(gltf, path);
  OutputFile out(path);
  if (options.embed || gltf.bufferLength() == 0) {
    std::string bytes;
    StringSink sink{bytes};
    gltf.writeBuffer(sink);
    const std::string uri =
        bytes.empty() ? "" : "data:application/octet-stream;base64," + base64(bytes);
    out.write(jsonText(gltf.document(uri), 2));
  } else {
    const std::string binPath = withExtension(path, ".bin");
    OutputFile bin(binPath);
    gltf.writeBuffer(bin);
    out.write(jsonText(gltf.document(uriOf(fileNameOf(binPath))), 2));
    bin.commit();
  }
  out.commit();
}

}  // namespace vlm::exporter
