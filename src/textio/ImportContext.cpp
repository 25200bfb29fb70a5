// The import context's construction.
#include "textio/ImportContext.h"

#include <utility>

#include "textio/modImport.h"

namespace vlm {

namespace {

// The file's base name, blanks replaced by "_".
std::string objectNameOf(std::string path) {
  std::string name = modImport::Get_NameFromPath(path);
  modImport::Replace_All(1, " ", "_", name);
  return name;
}

}  // namespace

ImportContext::ImportContext(std::string fileName, ImportOptions options,
                             ui::IImportDialog& dialog, const bool& stopImport)
    : FileName(std::move(fileName)),
      Options(options),
      ObjectName(objectNameOf(FileName)),
      StopImport(stopImport),
      files_(fileTable()),
      dialog_(dialog),
      progress_(dialog) {}

}  // namespace vlm
