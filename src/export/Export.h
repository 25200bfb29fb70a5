// Writing an imported scene to a file a 3D user can open elsewhere.
//
// OBJ: every object as "o <name>" (preceded by "# Object <name>", so that the OBJ
// importer splits the file into the same objects again), its vertices in world
// coordinates (stored position plus the object's PosX/PosY/PosZ, in the import's scale),
// its unit corner normals once each, its triangles as "f v//vn", and "usemtl" naming a
// material of "<name>.mtl", written beside it: the object's material from the import, or
// a plain one with the object's DefaultColor.
// PLY: binary little endian, all objects in one mesh, vertices with x y z, unit normal
// nx ny nz and the object's colour red green blue, triangles as uchar/int lists.
//
// Both formats multiply positions by `scale`. The format follows the extension (".obj" or
// ".ply", any letter case). Files are
// written under temporary names and renamed when complete, so a failure leaves no
// partial file. Failures throw std::runtime_error: CannotWrite (geometry/OutputFile.h), "cannot
// write '<path>': <reason>", or "cannot export to '<path>': ..." for an extension naming
// no format.
#pragma once

#include <string>
#include <string_view>

#include "refhost/ReferenceScene.h"

namespace vlm::exporter {

struct ExportOptions {
  // Where the scene came from (a file name), noted in a comment of the file.
  std::string source;
  // Every position (vertices and object positions) is multiplied by it.
  float scale = 1.0f;
};

void exportScene(const refhost::ReferenceScene& scene, const std::string& path,
                 const ExportOptions& options = {});

// Whether `path` names a format exportScene writes (ends in .obj or .ply, any case).
bool canExport(std::string_view path) noexcept;

// The two formats, one writer each.
void writeObj(const refhost::ReferenceScene& scene, const std::string& path,
              const ExportOptions& options);
void writePly(const refhost::ReferenceScene& scene, const std::string& path,
              const ExportOptions& options);

}  // namespace vlm::exporter
