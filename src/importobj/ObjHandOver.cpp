// Handing a finished OBJ object to the host: its lists, the smoothing surfaces it asks
// for, its name and colour.
#include "importobj/CImp_OBJ.h"
#include "platform/Error.h"

namespace vlm {

Collection& CImp_OBJ::objects() {
  if (!*m_colObject3D) raise(err::kObjectVarNotSet);
  return **m_colObject3D;
}

// The host keeps its own copy of each list. After the last object each list is let go as
// soon as it is handed over, so the host's next arrays find that memory ready instead of
// fresh pages; between objects the lists keep their room for the next object.
void CImp_OBJ::handOverLists(bool last) {
  if (!VertexCoords.empty()) object_.Add_Vertices(VertexCoords);
  if (last) std::vector<float>().swap(VertexCoords);
  if (!PolygonData.empty()) object_.Add_Poligons(PolygonData);
  if (last) std::vector<int32_t>().swap(PolygonData);
  if (!NormalData.empty()) object_.Set_PoligonNormals(NormalData);
  if (last) std::vector<float>().swap(NormalData);
}

// Used at every object mark after the first and at the end of a file with marks.
void CImp_OBJ::handOverSplit(bool last) {
  handOverLists(last);
  if (!HasNormals && SmoothAll) object_.Get_Surface(int16_t{0});
  object_.setName(name_);
  object_.setDefaultColor(ObjectColors[static_cast<size_t>(objects().Count() % 10) + 1]);
}

// Used at the end of a file without object marks.
void CImp_OBJ::handOverPlain() {
  handOverLists(true);
  if (!HasNormals) requestSurfaces();
  object_.setName(name_);
  object_.setDefaultColor(host::kDefaultObjectColor);
}

// One surface per smoothing record that asks for it; the polygons before the first
// record belong to none.
void CImp_OBJ::requestSurfaces() {
  const size_t count = SmoothGroups.size();
  if (count == 0) {
    if (SmoothAll) object_.Get_Surface(int16_t{0});
    return;
  }
  if (count == 1) {
    int32_t last = SmoothGroups[0].LastBefore;
    object_.Get_Surface(int16_t{0}, last);
    object_.Get_Surface(int32_t{SmoothGroups[0].LastBefore + 1});
    return;
  }
  for (size_t i = 0; i + 1 < count; ++i) {
    if (!SmoothGroups[i].Smooth && !SmoothAll) continue;
    int32_t last = SmoothGroups[i + 1].LastBefore;
    object_.Get_Surface(SmoothGroups[i].LastBefore + 1, last);
  }
  if (SmoothGroups.back().Smooth || SmoothAll) {
    object_.Get_Surface(int32_t{SmoothGroups.back().LastBefore + 1});
  }
}

}  // namespace vlm
