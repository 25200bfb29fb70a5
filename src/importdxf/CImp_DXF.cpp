// CImp_DXF: Load, the main loop over the file's groups and the hand-over of the object.
#include "importdxf/CImp_DXF.h"

#include "importdxf/DxfValues.h"
#include "platform/Error.h"
#include "textio/modImport.h"

namespace vlm {

using namespace modImport;

void CImp_DXF::Load(ImportContext& p_Import, CollectionRef& p_colObject3D) {
  import_ = &p_Import;
  p_Import.ReadMode = 0;
  trapAndRaiseAgain(
      [&] {
        startLoad();
        readLines();
        handOver(p_colObject3D);
      },
      [&] {
        p_Import.Close();
        object_ = host::HostObject();
      });
}

void CImp_DXF::startLoad() {
  object_ = host::HostObject::create();
  VertexCoords.clear();
  PolygonData.clear();
  CoordCount = 0;
  PolygonFill = 0;
  import_->CharsRead = 0;
  import_->Open();
  vertexGrowth_ = {};
  polygonGrowth_ = {};
  fileLength_ = import_->Lof();
}

// One line per pass, as code and value lines alternate; the entity readers take the
// lines of the entities they read and stop after the code 0 that starts the next one,
// so the main loop's next line is that entity's name.
void CImp_DXF::readLines() {
  ImportContext& file = *import_;
  NextLine next = NextLine::GroupCode;
  while (!file.Eof() && !file.StopImport) {
    next = readMainLine(next, file.Read_Line());
    file.showProgressWithinAndYield(file.CharsRead);
  }
}

CImp_DXF::NextLine CImp_DXF::readMainLine(NextLine expected, std::string_view line) {
  switch (expected) {
    case NextLine::GroupCode:
      return dxf::groupCode(line) == 0 ? NextLine::EntityName : NextLine::OtherValue;
    case NextLine::OtherValue: return NextLine::GroupCode;
    case NextLine::EntityName: {
      const std::string_view name = Get_FirstToken(line);
      if (name == "3DFACE") {
        Read_3DFace();
        return NextLine::EntityName;
      }
      if (name == "VERTEX") {
        Read_Vertex();
        return NextLine::EntityName;
      }
      return NextLine::GroupCode;
    }
  }
  return NextLine::GroupCode;
}

// Also after a stop request: what was read so far becomes the object.
void CImp_DXF::handOver(CollectionRef& collection) {
  import_->Close();
  if (CoordCount > 0) {
    object_.Add_Vertices(VertexCoords);
    // Without faces the host still gets a polygon list: the list as it was created,
    // one element holding 0.
    if (PolygonFill == 0) PolygonData.assign(1, 0);
    object_.Add_Poligons(PolygonData);
  }
  object_.setName(import_->ObjectName);
  object_.setDefaultColor(host::kDefaultObjectColor);
  if (!collection) raise(err::kObjectVarNotSet);
  collection->Add(object_.ref());
  object_ = host::HostObject();
}

}  // namespace vlm
