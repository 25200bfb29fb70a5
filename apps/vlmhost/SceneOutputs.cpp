#include "SceneOutputs.h"

#include <unistd.h>

#include <charconv>
#include <chrono>
#include <climits>
#include <cmath>
#include <iostream>
#include <stdexcept>

#include "export/Export.h"
#include "export/FileNames.h"
#include "geometry/OutputFile.h"
#include "preview/Preview.h"

namespace vlm::vlmhost {

std::string sourceNames(const std::vector<ImportRecord>& imports) {
  std::string names;
  for (const ImportRecord& record : imports) {
    if (record.file.empty()) continue;
    if (!names.empty()) names += " + ";
    names += exporter::fileNameOf(record.file);
  }
  return names;
}

namespace {

// Runs `write` on `name` resolved against `folder`; a failure names the file as given.
template <class Write>
void writeRelativeTo(const std::string& folder, const std::string& name, Write&& write) {
  const bool relative = !folder.empty() && !name.empty() && name.front() != '/';
  const std::string prefix = relative ? (folder.back() == '/' ? folder : folder + "/") : "";
  try {
    write(prefix + name);
  } catch (const geometry::CannotWrite& e) {
    if (prefix.empty() || e.path().rfind(prefix, 0) != 0) throw;
    throw geometry::CannotWrite(e.path().substr(prefix.size()), e.reason());
  }
}

}  // namespace

std::string currentFolder() {
  char buffer[PATH_MAX];
  return ::getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string();
}

std::string checkPreviewSize(const std::string& size) {
  try {
    preview::parseImageSize(size);
  } catch (const std::invalid_argument& e) {
    return e.what();
  }
  return {};
}

std::string checkExportName(const std::string& path) {
  if (exporter::exportFormat(path) != exporter::ExportFormat::None) return {};
  return "'" + path + "' must end in .gltf, .glb, .obj or .ply";
}

std::string checkExportScale(const std::string& scale) {
  float value = 0;
  const auto [end, error] = std::from_chars(scale.data(), scale.data() + scale.size(), value);
  if (error == std::errc() && end == scale.data() + scale.size() && std::isfinite(value) &&
      value > 0)
    return {};
  return "'" + scale + "' is not a positive number";
}

std::optional<double> writeSceneOutputs(const Options& options,
                                        const refhost::ReferenceScene& scene,
                                        const std::vector<ImportRecord>& imports) {
  if (options.preview.empty() && options.exportFile.empty()) return {};
  int64_t triangles = 0;
  for (const ImportRecord& record : imports) triangles += record.triangles;
  if (triangles == 0) {
    std::cerr << "vlmhost: the scene has no triangles: no picture or export written\n";
    return {};
  }
  const std::string source = sourceNames(imports);
  if (!options.preview.empty()) {
    const preview::ImageSize size = preview::parseImageSize(options.previewSize);
    preview::PreviewOptions view;
    view.width = size.width;
    view.height = size.height;
    view.legendTitle = source;
    const preview::Image image = preview::renderScene(scene, view);
    writeRelativeTo(options.startFolder, options.preview,
                    [&](const std::string& path) { preview::writePng(image, path); });
  }
  if (options.exportFile.empty()) return {};
  const auto start = std::chrono::steady_clock::now();
  writeRelativeTo(options.startFolder, options.exportFile, [&](const std::string& path) {
    exporter::exportScene(scene, path,
                          exporter::ExportOptions{source, options.exportScale, options.embed});
  });
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace vlm::vlmhost
