// The five file formats of the dialog: list text, extension, options frame and the
// factory of the format's importer, in list order (the list index is the position).
//
// A format's importer is built into the component by giving its row a factory, e.g.
//   {"WaveFront (obj)", "obj", fraWaveFront, &createImporterOf<ObjectImporter<CImp_OBJ>>}
// A row without one cannot create an importer: choosing it fails with error 429, as
// creating a class that is not there does.
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string_view>

#include "shell/Importer.h"
#include "ui/FormLayout.h"

namespace vlm {

using ImporterFactory = std::function<std::unique_ptr<Importer>()>;

struct FormatRow {
  std::string_view listText;   // "WaveFront (obj)"
  std::string_view extension;  // "obj", lower case
  ui::ControlId optionsFrame;  // brought to the front when the format is chosen
  ImporterFactory create;      // empty while the format's importer is not built in
};

using FormatTable = std::span<const FormatRow>;

// The component's formats, in the order of the list.
FormatTable formatTable();

// A new importer for `row`; error 429 when the row has no importer.
std::unique_ptr<Importer> createImporter(const FormatRow& row);

}  // namespace vlm
