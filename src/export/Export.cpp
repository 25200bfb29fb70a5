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

bool canExport(std::string_view path) noexcept {
  return endsWithIgnoreCase(path, ".obj") || endsWithIgnoreCase(path, ".ply");
}

void exportScene(const refhost::ReferenceScene& scene, const std::string& path,
                 const ExportOptions& options) {
  if (endsWithIgnoreCase(path, ".obj")) {
    writeObj(scene, path, options);
  } else if (endsWithIgnoreCase(path, ".ply")) {
    writePly(scene, path, options);
  } else {
    throw std::runtime_error("cannot export to '" + path +
                             "': the file name must end in .obj or .ply");
  }
}

}  // namespace vlm::exporter
