// Writing an imported scene to a file a 3D user can open elsewhere.
//
// glTF 2.0: one node per object (named as the object, its position as the translation
// from its parent), one mesh per object with triangles, its vertices shared wherever a
// position keeps one normal, and the materials as metallic-roughness materials; ".glb"
// is one binary file, ".gltf" JSON with the buffer in a ".bin" beside it, or inside it
// (base64) when `embed` is set.
// OBJ: every object as "o <name>" (preceded by "# Object <name>", so that the OBJ
// importer splits the file into the same objects again), its vertices in world
// coordinates (stored position plus the object's PosX/PosY/PosZ, in the import's scale),
// its unit corner normals once each, its triangles as "f v//vn", and "usemtl" naming a
// material of "<name>.mtl", written beside it: the object's material from the import, or
// a plain one with the object's DefaultColor.
// PLY: binary little endian, all objects in one mesh, vertices with x y z, unit normal
// nx ny nz and the object's colour red green blue, triangles as uchar/int lists.
//
// Every format multiplies positions by `scale`. The format follows the extension (any
// letter case). Files are written under temporary names and renamed when complete, so a
// failure leaves no partial file. Failures throw std::runtime_error: CannotWrite
// (geometry/OutputFile.h), "cannot write '<path>': <reason>", or "cannot export to
// '<path>': ..." for an extension naming no format.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "refhost/ReferenceScene.h"

namespace vlm::exporter {

struct ExportOptions {
  // Where the scene came from (a file name), noted in a comment of the file.
  std::string source;
  // Every position (vertices and object positions) is multiplied by it.
  float scale = 1.0f;
  // A .gltf holds its buffer itself instead of naming a .bin beside it.
  bool embed = false;
};

enum class ExportFormat : uint8_t { None, Gltf, Glb, Obj, Ply };

// The format `path`'s extension names (.gltf, .glb, .obj or .ply, any letter case).
ExportFormat exportFormat(std::string_view path) noexcept;

void exportScene(const refhost::ReferenceScene& scene, const std::string& path,
                 const ExportOptions& options = {});

// One writer per format; writeGltf writes .glb when `binary` is set.
void writeGltf(const refhost::ReferenceScene& scene, const std::string& path,
               const ExportOptions& options, bool binary);
void writeObj(const refhost::ReferenceScene& scene, const std::string& path,
              const ExportOptions& options);
void writePly(const refhost::ReferenceScene& scene, const std::string& path,
              const ExportOptions& options);

}  // namespace vlm::exporter
