// CImp_DXF: Load, the main loop over the file's groups and the hand-over of the object.
#include "importdxf/CImp_DXF.h"

#include "importdxf/DxfValues.h"
#include "platform/Error.h"
#include "platform/FileTable.h"
#include "textio/modImport.h"
#include "ui/ImportDialog.h"

namespace vlm {

using namespace modImport;

namespace {
constexpr int16_t kImportFile = 1;
}  // namespace

CImp_DXF::CImp_DXF() { ReadMode = 0; }

void CImp_DXF::Load(std::string p_FileName, CollectionRef& p_colObject3D) {
  trapAndRaiseAgain(
      [&] {
        startLoad(p_FileName);
        readLines();
        handOver(p_colObject3D);
      },
      [&] {
        fileTable().Close(kImportFile);
        m_Object = host::HostObject();
      });
}

void CImp_DXF::startLoad(const std::string& fileName) {
  m_Object = host::HostObject::create();
  std::string path = fileName;
  m_Name = Get_NameFromPath(path);
  Replace_All(1, " ", "_", m_Name);
  VertexCoords.clear();
  PolygonData.clear();
  CoordCount = 0;
  PolygonFill = 0;
  CharsRead = 0;
  m_Progress = {};
  fileTable().Open(kImportFile, fileName);
}

// One line per pass, as code and value lines alternate; the entity readers take the
// lines of the entities they read and stop after the code 0 that starts the next one,
// so the main loop's next line is that entity's name.
void CImp_DXF::readLines() {
  FileTable& files = fileTable();
  NextLine next = NextLine::GroupCode;
  while (!files.Eof(kImportFile) && !StopImport) {
    next = readMainLine(next, Read_Line());
    showProgress();
    ui::DoEvents();
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

void CImp_DXF::showProgress() { m_Progress.showWithin(CharsRead); }

// Also after a stop request: what was read so far becomes the object.
void CImp_DXF::handOver(CollectionRef& collection) {
  fileTable().Close(kImportFile);
  if (CoordCount > 0) {
    m_Object.Add_Vertices(VertexCoords);
    // Without faces the host still gets a polygon list: the list as it was created,
    // one element holding 0.
    if (PolygonFill == 0) PolygonData.assign(1, 0);
    m_Object.Add_Poligons(PolygonData);
  }
  m_Object.setName(m_Name);
  m_Object.setDefaultColor(host::kDefaultObjectColor);
  if (!collection) raise(err::kObjectVarNotSet);
  collection->Add(m_Object.ref());
  m_Object = host::HostObject();
}

}  // namespace vlm
