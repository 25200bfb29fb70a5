#include "Options.h"

#include <CLI/CLI.hpp>
#include <array>
#include <string_view>

#include "platform/Dispatch.h"

namespace vlm::vlmhost {

namespace {

// The dialog's list, in order.
constexpr std::array<std::string_view, 5> kFormats{"obj", "dxf", "3ds", "inc", "ply"};

std::string extensionOf(const std::string& file) {
  const size_t slash = file.find_last_of('/');
  const size_t dot = file.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return file.substr(dot + 1);
}

void defineOptions(CLI::App& app, Options& o) {
  app.add_option("--format", o.format, "File format (default: from FILE's extension)")
      ->check(CLI::IsMember({"obj", "dxf", "3ds", "inc", "ply"}, CLI::ignore_case));
  app.add_flag("--json", o.json, "Print the scene as JSON instead of the summary");
  app.add_flag("--geometry", o.geometry,
               "Add vertices, triangles and normals to the JSON (implies --json)");
  app.add_flag("--trace", o.trace, "Print every call the plug-in makes on the host (stderr)");
  app.add_flag("--stats", o.stats,
               "Print only load_s=<seconds of ExecutePlugIn> verts=<n> faces=<n>, for timing");
  app.add_flag("--no-normals", o.noNormals, "Untick \"Import Normals\" (obj)");
  app.add_flag("--no-smooth", o.noSmooth, "Untick \"Smooth all Normal Group\" (obj)");
  app.add_flag("--no-autosmooth", o.noAutoSmooth, "Untick \"Auto Normals Smoothing\" (3ds)");
  app.add_option("--cancel-after", o.cancelAfter,
                 "Press Cancel and answer Yes at the N-th yield of the import")
      ->check(CLI::PositiveNumber);
  app.add_option("--plugin", o.plugin, "The plug-in library (default: beside vlmhost)");
  app.add_option("FILE", o.file, "The file to import; without it the dialog is cancelled");
}

}  // namespace

int formatIndex(std::string_view extension) {
  for (size_t i = 0; i < kFormats.size(); ++i) {
    if (equalsIgnoreCase(kFormats[i], extension)) return static_cast<int>(i);
  }
  return -1;
}

std::string resolveFormat(const Options& options) {
  std::string format = options.format;
  if (format.empty() && options.file) format = extensionOf(*options.file);
  if (formatIndex(format) < 0) return {};
  for (char& c : format) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return format;
}

ParseResult parseOptions(int argc, char** argv) {
  CLI::App app{
      "Loads the VLMImport plug-in, imports FILE into a reference scene through a "
      "scripted user and reports the scene.",
      "vlmhost"};
  Options options;
  defineOptions(app, options);
  ParseResult result;
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    result.output = app.help();
    return result;
  } catch (const CLI::ParseError& e) {
    std::string reason = e.what();
    for (char& c : reason) c = (c == '\n') ? ' ' : c;
    result.exitCode = 2;
    result.error = reason;
    return result;
  }
  if (options.geometry) options.json = true;
  result.options = std::move(options);
  return result;
}

}  // namespace vlm::vlmhost
