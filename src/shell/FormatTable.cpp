#include "shell/FormatTable.h"

#include <array>

#include "import3ds/CImp_3DS.h"
#include "importdxf/CImp_DXF.h"
#include "importobj/CImp_OBJ.h"
#include "importply/CImp_PLY.h"
#include "importpov/CImp_POV.h"
#include "platform/Error.h"
#include "shell/frmImportLayout.h"

namespace vlm {

using namespace frmImportControls;

FormatTable formatTable() {
  static const std::array<FormatRow, 5> rows{{
      {"WaveFront (obj)", "obj", fraWaveFront, &createImporterOf<ObjectImporter<CImp_OBJ>>},
      {"AutoCad (dxf)", "dxf", fraNoOptions, &createImporterOf<ObjectImporter<CImp_DXF>>},
      {"3DStudio (3ds)", "3ds", fra3DStudio,
       &createImporterOf<ObjectAndMaterialImporter<CImp_3DS>>},
      {"PovRay (inc)", "inc", fraNoOptions, &createImporterOf<ObjectImporter<CImp_POV>>},
      {"PLY (ply)", "ply", fraNoOptions, &createImporterOf<ObjectImporter<CImp_PLY>>},
  }};
  return rows;
}

std::unique_ptr<Importer> createImporter(const FormatRow& row) {
  if (!row.create) raise(err::kCantCreateObject);
  std::unique_ptr<Importer> importer = row.create();
  if (!importer) raise(err::kCantCreateObject);
  return importer;
}

}  // namespace vlm
