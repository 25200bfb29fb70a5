#include "export/Export.h"

#include <stdexcept>

namespace vlm::exporter {

namespace {

bool endsWithIgnoreCase(std::string_view text, std::string_view suffix) noexcept {
  if (text.size() < suffix.size()) return false;
  text.remove_prefix(text.size() - suffix.size());
  for (size_t i = 0; i < suffix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != suffix[i]) return false;
  }
  return true;
}

}  // namespace

ExportFormat exportFormat(std::string_view path) noexcept {
  if (endsWithIgnoreCase(path, ".gltf")) return ExportFormat::Gltf;
  if (endsWithIgnoreCase(path, ".glb")) return ExportFormat::Glb;
  if (endsWithIgnoreCase(path, ".obj")) return ExportFormat::Obj;
  if (endsWithIgnoreCase(path, ".ply")) return ExportFormat::Ply;
  return ExportFormat::None;
}

void exportScene(const refhost::ReferenceScene& scene, const std::string& path,
                 const ExportOptions& options) {
  switch (exportFormat(path)) {
    case ExportFormat::Gltf: return writeGltf(scene, path, options, false);
    case ExportFormat::Glb: return writeGltf(scene, path, options, true);
    case ExportFormat::Obj: return writeObj(scene, path, options);
    case ExportFormat::Ply: return writePly(scene, path, options);
    case ExportFormat::None: break;
  }
  throw std::runtime_error("cannot export to '" + path +
                           "': the file name must end in .gltf, .glb, .obj or .ply");
}

}  // namespace vlm::exporter
