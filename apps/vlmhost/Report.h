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
#include "session/ImportRecord.h"
#include "ui/HeadlessToolkit.h"

namespace vlm::vlmhost {

using session::ImportRecord;
using session::PlugInResult;

// The line on stderr for a file that did not convert or brought no triangles:
// "vlmhost: FILE: REASON", or "vlmhost: no triangles in FILE" when that is all there is.
std::string shortfallLine(const std::string& file, const std::string& reason);

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
