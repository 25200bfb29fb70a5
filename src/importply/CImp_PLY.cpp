// Load: the steps around the header and body readers, the refusals and the hand-over.
#include "importply/CImp_PLY.h"

#include "platform/Error.h"

namespace vlm {

void CImp_PLY::Load(ImportContext& p_Import, CollectionRef& p_colObject3D) {
  m_Import = &p_Import;
  p_Import.ReadMode = 1;
  // Any failure closes the import file, lets go of the object under construction and
  // reaches the caller unchanged.
  trapAndRaiseAgain([&] { loadFile(p_colObject3D); },
                    [&] {
                      p_Import.Close();
                      m_Cursor.reset();
                      m_Object = host::HostObject();
                    });
}

void CImp_PLY::loadFile(CollectionRef& objects) {
  m_Object = host::HostObject::create();
  resetForLoad();

  m_Import->Open();
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
  m_Import->Close();
  handOver(objects);
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
  m_Import->CharsRead = 0;
}

void CImp_PLY::reject(std::string_view message) {
  m_Import->showMessage(message);
  m_Import->Close();
  m_Object = host::HostObject();
}

void CImp_PLY::handOver(CollectionRef& objects) {
  // An array holding more than its first element has data (its upper bound is above 0).
  // The host keeps its own copy, so each array is let go as soon as it is handed over:
  // the host's smoothing then finds that memory ready instead of faulting in fresh pages.
  if (VertexCoords.size() > 1) m_Object.Add_Vertices(VertexCoords);
  std::vector<float>().swap(VertexCoords);
  if (PolygonData.size() > 1) m_Object.Add_Poligons(PolygonData);
  std::vector<int32_t>().swap(PolygonData);
  m_Object.Get_Surface(int16_t{0});
  m_Object.setName(m_Import->ObjectName);
  if (!objects) raise(err::kObjectVarNotSet);
  objects->Add(m_Object.ref());
  m_Object = host::HostObject();
}

void CImp_PLY::reportLine() { m_Import->showProgressAndYield(m_Import->CharsRead); }

}  // namespace vlm
