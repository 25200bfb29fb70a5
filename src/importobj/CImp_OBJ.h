// CImp_OBJ: reads a WaveFront OBJ text file into host mesh objects.
//
// "v", "vn", "f"/"fo", "g" and "s" lines are read; a comment "# Object <name>" splits the
// file into objects. Coordinates and normals are multiplied by 10. Faces keep the index
// rules of the format (absolute, relative to the end, and block-relative after two
// blank lines) and reach the host as computed; the host counts any that do not fit.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "fileio/FileGrowth.h"
#include "host/HostObjects.h"
#include "platform/Collection.h"
#include "textio/ImportContext.h"

namespace vlm {

class CImp_OBJ {
 public:
  CImp_OBJ();

  // Reads the file of `p_Import` and appends its objects to `p_colObject3D`.
  void Load(ImportContext& p_Import, CollectionRef& p_colObject3D);

 private:
  using Vector3 = std::array<float, 3>;
  struct SmoothGroup {
    int32_t LastBefore;  // PolygonIndex when the record was made
    bool Smooth;
  };

  void startLoad();
  void Detect_LineEnding();
  void readLines();
  void dispatchLine(std::string_view line);
  void readVertex(std::string_view rest);
  void readNormal(std::string_view rest);
  void readFace(std::string_view rest);
  void readGroup();
  void readSmoothing(std::string_view rest);
  void readComment(std::string_view rest);
  void splitAtObjectMark(std::string_view rest);
  void appendNormalRecord(int32_t polygon, int32_t a, int32_t b, int32_t c);
  template <class T, size_t N>
  void append(FileGrowth& growth, std::vector<T>& list, const T (&values)[N]);
  const Vector3& fileNormal(int64_t slot) const;

  // Hand-over of the current object to the host and the collection.
  // `last`: no object follows, so the lists need not keep their room for the next one.
  void handOverLists(bool last);
  void handOverSplit(bool last);
  void handOverPlain();
  void requestSurfaces();
  void resetObjectLists();
  Collection& objects();

  std::array<int32_t, 11> ObjectColors{};  // entries 1 to 10

  // The current object's lists; each vector's size is its fill count.
  std::vector<float> VertexCoords;
  std::vector<int32_t> PolygonData;
  std::vector<float> NormalData;
  int32_t VerticesRead = -1;
  int32_t PolygonIndex = -1;
  // How each list grows: from the file, with no count to go by.
  FileGrowth vertexGrowth_;
  FileGrowth polygonGrowth_;
  FileGrowth normalGrowth_;
  FileGrowth fileNormalGrowth_;
  int64_t fileLength_ = 0;

  // Working state of one Load.
  ImportContext* import_ = nullptr;
  CollectionRef* m_colObject3D = nullptr;
  host::HostObject object_;
  std::string name_;
  bool ImportNormals = false;
  bool SmoothAll = false;
  std::vector<Vector3> FileNormals;
  bool HasNormals = false;
  std::vector<SmoothGroup> SmoothGroups;
  bool AfterGroupLine = false;
  bool ObjectMarkSeen = false;
  bool SplitActive = false;
  int32_t SplitBase = 0;
  bool BlockRelative = false;
  int32_t BlankRun = 0;
  bool InVertexBlock = false;
  int32_t BlockBase = -1;
};

}  // namespace vlm
