// CImp_DXF: reads the 3D faces of a DXF text file into one host mesh object.
//
// Two entities carry geometry: "3DFACE" (four corners, groups 10-13 / 20-23 / 30-33) and
// "VERTEX" (a polyface vertex, or with groups 71-73 a face record whose corner numbers
// count over the whole vertex list of the file). Everything else is passed over. The
// file is read as pairs of a group code line and a value line, so a value such as the
// layer name "0" is never taken for a code. All vertices and faces go into a single
// object named after the file; coordinates are taken as they stand.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fileio/FileGrowth.h"
#include "host/HostObjects.h"
#include "platform/Collection.h"
#include "textio/ImportContext.h"

namespace vlm {

class CImp_DXF {
 public:
  // Reads the file of `p_Import` and appends one object to `p_colObject3D`. On a failure
  // file 1 is closed, nothing is appended and the failure is raised again unchanged.
  void Load(ImportContext& p_Import, CollectionRef& p_colObject3D);

 private:
  // What the main loop takes its next line for.
  enum class NextLine { GroupCode, EntityName, OtherValue };

  // One group of an entity: its code and the line of its value (valid until the next
  // read of the file).
  struct Group {
    int32_t code = 0;
    std::string_view value;
  };

  void startLoad();
  void readLines();
  NextLine readMainLine(NextLine expected, std::string_view line);
  bool readGroup(Group& group);
  void Read_3DFace();
  void Read_Vertex();
  void appendVertex(float x, float y, float z);
  void appendFace(std::initializer_list<int32_t> record);
  void handOver(CollectionRef& collection);

  // The lists of the one object; each vector's size is its fill count.
  std::vector<float> VertexCoords;   // x, y, z per vertex, in file order
  std::vector<int32_t> PolygonData;  // records: corner count, then vertex indices
  int32_t CoordCount = 0;
  int32_t PolygonFill = 0;
  // How the lists grow: from the file, with no count to go by.
  FileGrowth vertexGrowth_;
  FileGrowth polygonGrowth_;
  int64_t fileLength_ = 0;

  ImportContext* import_ = nullptr;
  host::HostObject object_;
};

}  // namespace vlm
