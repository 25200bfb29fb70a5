// What vlmhost keeps of an imported scene besides its report: --preview's PNG picture
// and --export's glTF, OBJ or PLY file, written after the imports when they brought
// triangles.
//
// Output names are taken relative to the folder vlmhost started in, since an import may
// change the current folder (the 3DS importer moves to the plug-in's own folder).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Options.h"
#include "Report.h"
#include "refhost/ReferenceScene.h"

namespace vlm::vlmhost {

// A reason --size, --export or --export-scale is unusable (for the command line's
// check), or "".
std::string checkPreviewSize(const std::string& size);
std::string checkExportName(const std::string& path);
std::string checkExportScale(const std::string& scale);

// The imported files' names ("a.obj + b.3ds"), for the legends and the export's comment.
std::string sourceNames(const std::vector<ImportRecord>& imports);

// The current folder, or "" when it cannot be named.
std::string currentFolder();

// Writes what the options ask for and returns the seconds the export took (none without
// one). Throws geometry::CannotWrite ("cannot write '<name>': <reason>", the name as
// given on the command line) when a file cannot be written.
std::optional<double> writeSceneOutputs(const Options& options,
                                        const refhost::ReferenceScene& scene,
                                        const std::vector<ImportRecord>& imports);

}  // namespace vlm::vlmhost
