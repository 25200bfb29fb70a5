// What vlmhost prints: the message boxes (stderr), then the scene as a readable summary
// or as JSON (stdout).
#pragma once

#include <cstdint>
#include <cstdio>
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
  int32_t selectedObject = 0;
};

// One line per message box: message "VLMImport" (exclamation, ok): File not found ...
void printMessages(std::FILE* out, const std::vector<ui::MessageRecord>& messages);

// The plug-in's name and type; per object its key, name, parent, vertices, triangles,
// normal records and material; per material its name and colours; SelectedObject.
void printSummary(std::ostream& out, const refhost::ReferenceScene& scene,
                  const PlugInResult& plugIn);

// One line for benchmarks: load_s=<seconds> verts=<vertices> faces=<triangles>, summed
// over the scene's objects.
void printStats(std::ostream& out, const refhost::ReferenceScene& scene, double seconds);

// The scene's JSON report with "plugin", "selectedObject" and "messages" added.
void printJson(std::ostream& out, const refhost::ReferenceScene& scene, const PlugInResult& plugIn,
               const std::vector<ui::MessageRecord>& messages, bool geometry);

}  // namespace vlm::vlmhost
