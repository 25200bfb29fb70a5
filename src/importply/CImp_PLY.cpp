// Load: the steps around the header and body readers, the refusals and the hand-over.
#include "importply/CImp_PLY.h"

#include "platform/Error.h"
#include "platform/FileTable.h"
#include "textio/modImport.h"
#include "ui/Toolkit.h"

namespace vlm {

using namespace modImport;

namespace {
constexpr int16_t kImportFile = 1;
}  // namespace

CImp_PLY::CImp_PLY() { ReadMode = 1; }

void CImp_PLY::Load(std::string p_FileName, CollectionRef& p_colObject3D) {
  // Any failure closes the import file, lets go of the object under construction and
  // reaches the caller unchanged.
  trapAndRaiseAgain([&] { loadFile(p_FileName, p_colObject3D); },
                    [&] {
                      fileTable().Close(kImportFile);
                      m_Cursor.reset();
                      m_Object = host::HostObject();
                    });
}

void CImp_PLY::loadFile(const std::string& fileName, CollectionRef& objects) {
  m_Object = host::HostObject::create();
  std::string path = fileName;
  std::string name = Get_NameFromPath(path);
  Replace_All(1, " ", "_", name);
  resetForLoad();

  fileTable().Open(kImportFile, fileName);
  if (const std::optional<std::string_view> refusal = readHeader()) {
    reject(*refusal);
    return;
  }
  if (DataFormat == 0) {
    Read_AsciiBody();
  } else {
    Read_BinaryBody();
  }
  m_Cursor.reset();
  fileTable().Close(kImportFile);
  handOver(name, objects);
}

void CImp_PLY::resetForLoad() {
  DataFormat = -1;
  FaceKind = -1;
  LineHeld = false;
  HeldLine.clear();
  VertexProps.clear();
  FaceProps.clear();
  Elements.clear();
  UnknownPropertyType = VertexList = DuplicateElement = false;
  // A file that yields no vertices or polygons must not hand over the previous file's.
  VertexCoords.clear();
  PolygonData.clear();
  VerticesRead = -1;
  CharsRead = 0;
  m_Progress = {};
}

void CImp_PLY::reject(std::string_view message) {
  ui::messageBox(message, ui::MsgIcon::None, ui::MsgButtons::Ok, {});
  fileTable().CloseAll();
  m_Object = host::HostObject();
}

void CImp_PLY::handOver(const std::string& name, CollectionRef& objects) {
  // An array holding more than its first element has data (its upper bound is above 0).
  // The host keeps its own copy, so each array is let go as soon as it is handed over:
  // the host's smoothing then finds that memory ready instead of faulting in fresh pages.
  if (VertexCoords.size() > 1) m_Object.Add_Vertices(VertexCoords);
  std::vector<float>().swap(VertexCoords);
  if (PolygonData.size() > 1) m_Object.Add_Poligons(PolygonData);
  std::vector<int32_t>().swap(PolygonData);
  m_Object.Get_Surface(int16_t{0});
  m_Object.setName(name);
  if (!objects) raise(err::kObjectVarNotSet);
  objects->Add(m_Object.ref());
  m_Object = host::HostObject();
}

void CImp_PLY::reportLine() {
  m_Progress.show(CharsRead);
  ui::DoEvents();
}

}  // namespace vlm
