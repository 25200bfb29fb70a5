// vlmhost's command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "session/ImportSession.h"

namespace vlm::vlmhost {

// What vlmhost does besides importing.
enum class Command : uint8_t { Import, Register, Unregister, Version };

struct Options {
  Command command = Command::Import;
  std::string format;  // obj, dxf, 3ds, inc or ply; empty: from each FILE's extension
  bool json = false;
  bool geometry = false;
  bool trace = false;
  bool stats = false;  // one line of timing and counts instead of the report
  bool quiet = false;  // no hints on stderr
  bool gui = false;    // the real dialog window instead of the scripted user
  bool view = false;   // the scene in a 3D window after the imports (also after --gui)
  bool noNormals = false;
  bool noSmooth = false;
  bool noAutoSmooth = false;
  uint64_t cancelAfter = 0;        // 0: never
  std::string plugin;              // empty: found beside the program, installed, or registered
  std::vector<std::string> files;  // imported one after another into one scene
  std::string preview;             // --preview: a PNG picture of the scene, or ""
  std::string previewSize = "1024x768";  // --size of that picture, WIDTHxHEIGHT
  std::string exportFile;                // --export: the scene as .gltf, .glb, .obj or .ply, or ""
  float exportScale = 1.0f;              // --export-scale: every exported position times this
  bool embed = false;                    // --embed: a .gltf export holds its buffer itself
  bool crlf = false;       // --crlf: DXF and POV-Ray files reach the plug-in with CR LF line ends
  bool fileUnits = false;  // --file-units: OBJ and PLY objects scaled back to the file's units
  std::string exportEach;  // --export-each: one output per FILE in this folder, or ""
  std::string eachType = "glb";  // --to: the kind of those outputs, glb, gltf, obj or ply
  unsigned jobs = 0;             // --jobs: imports at once in --export-each; 0: processors
  std::string startFolder;       // where vlmhost started; output names start there
};

// What parsing decided: run with the options, or leave at once with `exitCode` after
// printing `output` (help on stdout) or `error` (a one-line reason on stderr).
struct ParseResult {
  std::optional<Options> options;
  int exitCode = 0;
  std::string output;
  std::string error;
};

ParseResult parseOptions(int argc, char** argv);

// The format used for `file`: --format, else the file's extension in lower case; ""
// when neither names one.
std::string resolveFormat(const Options& options, const std::string& file);

// The dialog's choices and the import's handling as the options set them.
session::ImportChoices importChoices(const Options& options);

}  // namespace vlm::vlmhost
