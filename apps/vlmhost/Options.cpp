#include "Options.h"

#include <CLI/CLI.hpp>
#include <array>
#include <string_view>

#include "SceneOutputs.h"
#include "export/Export.h"
#include "platform/Dispatch.h"

namespace vlm::vlmhost {

namespace {

// A help text: what the option does, then an example on its own line.
std::string help(std::string_view what, std::string_view example) {
  return std::string(what) + "\n  e.g. " + std::string(example);
}

void defineReportOptions(CLI::App& app, Options& o) {
  app.add_flag("--json", o.json,
               help("Print the scene as JSON instead of the summary",
                    "vlmhost --json model.obj > scene.json"));
  app.add_flag("--geometry", o.geometry,
               help("Add vertices, triangles and normals to the JSON (implies --json)",
                    "vlmhost --geometry model.ply"));
  app.add_flag("--trace", o.trace,
               help("Print every call the plug-in makes on the host (stderr)",
                    "vlmhost --trace model.dxf 2> calls.txt"));
  app.add_flag("--stats", o.stats,
               help("Print only load_s=<seconds of the imports> verts=<n> faces=<n>, and "
                    "export_s=<seconds> with --export",
                    "vlmhost --stats big.obj"));
  app.add_flag("-q,--quiet", o.quiet,
               help("No hints on stderr about why an import brought little or nothing",
                    "vlmhost --quiet model.inc"));
}

void defineDialogOptions(CLI::App& app, Options& o) {
  app.add_option("--format", o.format,
                 help("File format of every FILE (default: each FILE's extension)",
                      "vlmhost --format obj model.txt"))
      ->check(CLI::IsMember({"obj", "dxf", "3ds", "inc", "ply"}, CLI::ignore_case));
  app.add_flag("--no-normals", o.noNormals,
               help("Untick \"Import Normals\" (obj)", "vlmhost --no-normals model.obj"));
  app.add_flag("--no-smooth", o.noSmooth,
               help("Untick \"Smooth all Normal Group\" (obj)", "vlmhost --no-smooth model.obj"));
  app.add_flag(
      "--no-autosmooth", o.noAutoSmooth,
      help("Untick \"Auto Normals Smoothing\" (3ds)", "vlmhost --no-autosmooth model.3ds"));
  app.add_option("--cancel-after", o.cancelAfter,
                 help("Press Cancel and answer Yes at the N-th yield of the import",
                      "vlmhost --cancel-after 1000 big.obj"))
      ->check(CLI::PositiveNumber);
}

// --preview, --size and --export: files written from the scene after the imports.
void defineOutputOptions(CLI::App& app, Options& o) {
  const auto validator = [](std::string (*check)(const std::string&)) {
    return CLI::Validator([check](std::string& value) { return check(value); }, "", "");
  };
  app.add_option(
      "--preview", o.preview,
      help("Draw the imported scene into a PNG picture", "vlmhost --preview house.png house.dxf"));
  app.add_option("--size", o.previewSize,
                 help("Size of the --preview picture, WIDTHxHEIGHT, 16 to 8192 each "
                      "(default 1024x768)",
                      "vlmhost --preview gem.png --size 480x360 gem.inc"))
      ->check(validator(checkPreviewSize));
  CLI::Option* exportFile =
      app.add_option("--export", o.exportFile,
                     help("Write the imported scene as glTF (.glb, or .gltf with a .bin beside "
                          "it), OBJ (with an MTL beside it) or binary PLY",
                          "vlmhost --export house.glb house.dxf"))
          ->check(validator(checkExportName));
  app.add_option("--export-scale", o.exportScale,
                 help("Multiply every exported position by this factor (0.1 undoes the factor "
                      "of 10 of the OBJ and PLY importers)",
                      "vlmhost --export table.glb --export-scale 0.1 table.obj"))
      ->check(validator(checkExportScale))
      ->needs(exportFile);
  app.add_flag("--embed", o.embed,
               help("Put the buffer of a .gltf export inside it (base64) instead of a .bin "
                    "beside it",
                    "vlmhost --export gem.gltf --embed gem.inc"));
}

// --crlf and --file-units: the file as its own program meant it.
void defineFileOptions(CLI::App& app, Options& o) {
  app.add_flag("--crlf", o.crlf,
               help("Hand each DXF and POV-Ray FILE to the plug-in as a copy whose lines end in "
                    "CR LF (their importers read lines ending in CR or CR LF only); the copy is "
                    "removed after the import",
                    "vlmhost --crlf --export house.glb house_from_linux.dxf"));
  app.add_flag("--file-units", o.fileUnits,
               help("Undo the factor of 10 of the OBJ and PLY importers for each such FILE, in "
                    "the report, exports, pictures and the view",
                    "vlmhost --file-units --export bunny.glb bunny.ply"));
}

// --export-each, --to and --jobs: a folder of files converted one by one.
void defineFolderOptions(CLI::App& app, Options& o) {
  CLI::Option* each =
      app.add_option("--export-each", o.exportEach,
                     help("Convert each FILE on its own into this folder (FILE may be a folder: "
                          "searched with its subfolders for the five formats); DXF and POV-Ray "
                          "files with LF line ends are read as with --crlf",
                          "vlmhost --export-each out/ --to glb models/"));
  app.add_option("--to", o.eachType,
                 help("Kind of the --export-each outputs (default glb)",
                      "vlmhost --export-each out/ --to obj models/"))
      ->check(CLI::IsMember({"glb", "gltf", "obj", "ply"}, CLI::ignore_case))
      ->needs(each);
  app.add_option("--jobs", o.jobs,
                 help("Imports run at once by --export-each, each in a process of its own "
                      "(default: the processors this program may use)",
                      "vlmhost --export-each out/ --jobs 1 models/"))
      ->check(CLI::Range(1u, 256u))
      ->needs(each);
}

void defineProgramOptions(CLI::App& app, Options& o) {
  app.add_flag("--gui", o.gui,
               help("Show the real import dialog; a FILE only preselects its format and folder",
                    "vlmhost --gui ~/models/house.dxf"));
  app.add_flag("--view", o.view,
               help("Show the imported scene in a 3D window: drag to turn, wheel to zoom, "
                    "F frames all, W wireframe (--gui opens it too)",
                    "vlmhost --view house.dxf"));
  app.add_option("--plugin", o.plugin,
                 help("The plug-in library (default: beside vlmhost, installed, or registered)",
                      "vlmhost --plugin /opt/vlm/libVLMImport.so model.obj"));
  app.add_flag_callback(
      "--register", [&o] { o.command = Command::Register; },
      help("Register the plug-in (DllRegisterServer) and show what was written where",
           "vlmhost --register"));
  app.add_flag_callback(
      "--unregister", [&o] { o.command = Command::Unregister; },
      help("Remove the plug-in's registration (DllUnregisterServer)", "vlmhost --unregister"));
  app.add_flag_callback(
      "--version", [&o] { o.command = Command::Version; },
      help("Print the plug-in's name and this program's version", "vlmhost --version"));
  app.add_option("FILE", o.files,
                 help("Files to import into one scene, one import each; none: the dialog is "
                      "cancelled",
                      "vlmhost house.dxf table.obj"));
}

// Options that do not go together: --embed without a .gltf export (only a .gltf holds its
// buffer); with --gui, what the person at the window chooses instead of the scripted user.
std::string optionClash(const Options& o) {
  const bool gltf = exporter::exportFormat(o.exportFile) == exporter::ExportFormat::Gltf ||
                    (!o.exportEach.empty() && o.eachType == "gltf");
  if (o.embed && !gltf) return "--embed needs --export FILE.gltf or --to gltf";
  if (!o.exportEach.empty()) {
    if (!o.exportFile.empty() || !o.preview.empty() || o.gui || o.view || o.trace || o.stats)
      return "--export-each writes one output per FILE: --export, --preview, --gui, --view, "
             "--trace and --stats do not go with it";
    if (o.files.empty()) return "--export-each needs a FILE or a folder to convert";
  }
  if (!o.gui) return {};
  if (o.files.size() > 1) return "--gui takes at most one FILE";
  if (o.noNormals || o.noSmooth || o.noAutoSmooth || o.cancelAfter > 0) {
    return "--gui leaves the dialog's options and Cancel to the person at the window";
  }
  return {};
}

}  // namespace

std::string resolveFormat(const Options& options, const std::string& file) {
  return session::resolveFormat(file, options.format);
}

session::ImportChoices importChoices(const Options& options) {
  session::ImportChoices choices;
  choices.normals = !options.noNormals;
  choices.smooth = !options.noSmooth;
  choices.autoSmooth = !options.noAutoSmooth;
  choices.cancelAfter = options.cancelAfter;
  choices.crlf = options.crlf;
  choices.fileUnits = options.fileUnits;
  return choices;
}

ParseResult parseOptions(int argc, char** argv) {
  CLI::App app{
      "Loads the VLMImport plug-in, imports each FILE into one reference scene through a "
      "scripted user and reports the scene.",
      "vlmhost"};
  app.set_help_flag("-h,--help", help("Print this help and exit", "vlmhost --help | less"));
  Options options;
  defineReportOptions(app, options);
  defineDialogOptions(app, options);
  defineOutputOptions(app, options);
  defineFileOptions(app, options);
  defineFolderOptions(app, options);
  defineProgramOptions(app, options);
  app.footer(
      "Exit status: 0 when every import brought triangles, 1 when one did not (or a file or "
      "the plug-in could not be used), 2 for a usage error.");
  ParseResult result;
  if (argc <= 1) {  // nothing asked: the usage, as for any other usage error
    result.exitCode = 2;
    result.output = "Usage: vlmhost [OPTIONS] FILE...  (vlmhost --help lists every option)\n";
    return result;
  }
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
  options.startFolder = currentFolder();
  if (const std::string clash = optionClash(options); !clash.empty()) {
    result.exitCode = 2;
    result.error = clash;
    return result;
  }
  result.options = std::move(options);
  return result;
}

}  // namespace vlm::vlmhost
