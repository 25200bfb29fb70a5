// Load: the steps around the header and body readers, the refusals and the hand-over.
#include "importply/CImp_PLY.h"

#include "platform/Error.h"

namespace vlm {

void CImp_PLY::Load(ImportContext& p_Import, CollectionRef& p_colObject3D) {
  import_ = &p_Import;
  p_Import.ReadMode = 1;
  // Any failure closes the import file, lets go of the object under construction and
  // reaches the caller unchanged.
  trapAndRaiseAgain([&] { loadFile(p_colObject3D); },
                    [&] {
                      p_Import.Close();
                      cursor_.reset();
                      object_ = host::HostObject();
                    });
}

void CImp_PLY::loadFile(CollectionRef& objects) {
  object_ = host::HostObject::create();
  resetForLoad();

  import_->Open();
  if (const std::optional<std::string_view> refusal = readHeader()) {
    reject(*refusal);
    return;
  }
  if (DataFormat == 0) {
    Read_AsciiBody();
  } else {
    Read_BinaryBody();
  }
  cursor_.reset();
  import_->Close();
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
  import_->CharsRead = 0;
}

void CImp_PLY::reject(std::string_view message) {
  import_->showMessage(message);
  import_->Close();
  object_ = host::HostObject();
}

void CImp_PLY::handOver(CollectionRef& objects) {
  // An array holding more than its first element has data (its upper bound is above 0).
  // The host keeps its own copy, so each array is let go as soon as it is handed over:
  // the host's smoothing then finds that memory ready instead of faulting in fresh pages.
  if (VertexCoords.size() > 1) object_.Add_Vertices(VertexCoords);
  std::vector<float>().swap(VertexCoords);
  if (PolygonData.size() > 1) object_.Add_Poligons(PolygonData);
  std::vector<int32_t>().swap(PolygonData);
  object_.Get_Surface(int16_t{0});
  object_.setName(import_->ObjectName);
  if (!objects) raise(err::kObjectVarNotSet);
  objects->Add(object_.ref());
  object_ = host::HostObject();
}

void CImp_PLY::reportLine() { import_->showProgressAndYield(import_->CharsRead); }

}  // namespace vlm
