// CImp_DXF: the two entity readers and the lists they fill.
//
// An entity is read group by group up to the code 0 that starts the next entity (or the
// end of the file). Codes are taken by their number wherever they stand in the entity,
// so the layer, colour or handle groups that real files put in between change nothing.
#include <array>
#include <limits>

#include "importdxf/CImp_DXF.h"
#include "importdxf/DxfValues.h"
#include "platform/Error.h"
#include "textio/modImport.h"

namespace vlm {

using namespace modImport;

namespace {

// Corner coordinates of a 3DFACE: codes 10-13 (x), 20-23 (y), 30-33 (z) for corners 1-4.
bool isCornerCode(int32_t code) { return code >= 10 && code <= 33 && code % 10 <= 3; }
size_t cornerSlot(int32_t code) { return static_cast<size_t>((code % 10) * 3 + code / 10 - 1); }

// The fill counts are 32-bit, as the lists they count.
void checkRoom(int32_t count, int32_t more) {
  if (count > std::numeric_limits<int32_t>::max() - more) raise(err::kOverflow);
}

}  // namespace

// The next group of the current entity; false at the code 0 that ends it (consumed)
// or at the end of the file.
bool CImp_DXF::readGroup(Group& group) {
  if (import_->Eof()) return false;
  group.code = dxf::groupCode(import_->Read_Line());
  if (group.code == 0) return false;
  group.value = import_->Read_Line();
  return true;
}

// Always four corners, also for a triangle (its fourth corner repeats the third). A
// face without a first corner (code 10), as at a file cut off after "3DFACE", adds
// nothing; any other corner group that is missing leaves its coordinate at 0.
void CImp_DXF::Read_3DFace() {
  std::array<float, 12> corners{};
  bool hasFirstCorner = false;
  Group group;
  while (readGroup(group)) {
    if (!isCornerCode(group.code)) continue;
    corners[cornerSlot(group.code)] = Get_Number(group.value);
    hasFirstCorner = hasFirstCorner || group.code == 10;
  }
  if (!hasFirstCorner) return;
  const int32_t first = CoordCount / 3;
  for (size_t k = 0; k < corners.size(); k += 3) {
    appendVertex(corners[k], corners[k + 1], corners[k + 2]);
  }
  appendFace({4, first, first + 1, first + 2, first + 3});
}

// A polyface vertex, or a face record when it has any of the codes 71, 72, 73. Corner
// numbers count from 1 over the whole vertex list of the file; a corner code that is
// missing counts as 0 (no vertex), as in the format. A fourth corner (74) is dropped.
void CImp_DXF::Read_Vertex() {
  std::array<float, 3> position{};
  std::array<int32_t, 3> corners = {-1, -1, -1};
  bool faceRecord = false;
  Group group;
  while (readGroup(group)) {
    switch (group.code) {
      case 10:
      case 20:
      case 30:
        position[static_cast<size_t>(group.code / 10 - 1)] = Get_Number(group.value);
        break;
      case 71:
      case 72:
      case 73:
        corners[static_cast<size_t>(group.code - 71)] = dxf::faceIndex(group.value);
        faceRecord = true;
        break;
      default: break;
    }
  }
  if (faceRecord) {
    appendFace({3, corners[0], corners[1], corners[2]});
  } else {
    appendVertex(position[0], position[1], position[2]);
  }
}

void CImp_DXF::appendVertex(float x, float y, float z) {
  checkRoom(CoordCount, 3);
  vertexGrowth_.reserve(VertexCoords, 3, import_->CharsRead, fileLength_);
  VertexCoords.insert(VertexCoords.end(), {x, y, z});
  CoordCount += 3;
}

void CImp_DXF::appendFace(std::initializer_list<int32_t> record) {
  const auto size = static_cast<int32_t>(record.size());
  checkRoom(PolygonFill, size);
  polygonGrowth_.reserve(PolygonData, record.size(), import_->CharsRead, fileLength_);
  PolygonData.insert(PolygonData.end(), record);
  PolygonFill += size;
}

}  // namespace vlm
