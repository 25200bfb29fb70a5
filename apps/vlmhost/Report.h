// What vlmhost prints: the message boxes (stderr), then the scene as a readable summary
// or as JSON (stdout).
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "refhost/ReferenceScene.h"
#include "refhost/ValidUtf8.h"
#include "ui/HeadlessToolkit.h"

namespace vlm::vlmhost {

// What the host read from CPlugIn.
struct PlugInResult {
  std::string name;
  int32_t type = 0;
};

// One ExecutePlugIn call.
struct ImportRecord {
  std::string file;    // as given; empty when the user cancelled the dialog at once
  std::string path;    // the file's full path, fixed before the first import
  std::string format;  // the list entry chosen: "obj", "dxf", "3ds", "inc" or "ply"
  int32_t selectedObject = 0;
  double seconds = 0;  // inside ExecutePlugIn
  size_t firstObject = 0;  // the scene objects it added: [firstObject, endObject)
  size_t endObject = 0;
  int64_t triangles = 0;  // of those objects
  bool crlf = false;      // the plug-in read a copy with CR LF line ends
  std::vector<ui::MessageRecord> messages;
  std::vector<std::string> hints;  // why it brought less than expected, where looked for
};

// One line per message box: message "VLMImport" (exclamation, ok): File not found ...
void printMessages(std::FILE* out, const std::vector<ui::MessageRecord>& messages);

// The plug-in's name and type; per object its key, name, parent, vertices, triangles,
// normal records and material; per material its name and colours; then SelectedObject,
// one line per import when there were several.
void printSummary(std::ostream& out, const refhost::ReferenceScene& scene,
                  const PlugInResult& plugIn, const std::vector<ImportRecord>& imports);

// One line for benchmarks: load_s=<seconds of all imports> verts=<vertices>
// faces=<triangles>, summed over the scene's objects, and export_s=<seconds> after an
// export.
void printStats(std::ostream& out, const refhost::ReferenceScene& scene,
                const std::vector<ImportRecord>& imports, std::optional<double> exportSeconds);

// The scene's JSON report with "plugin", "selectedObject" (the last import's), "messages"
// (of every import) and "imports" (file, format, selectedObject, objects' keys and
// messages of each) added.
void printJson(std::ostream& out, const refhost::ReferenceScene& scene, const PlugInResult& plugIn,
               const std::vector<ImportRecord>& imports, bool geometry);

}  // namespace vlm::vlmhost
