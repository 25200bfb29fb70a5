// CImp_POV: reads the meshes declared in a POV-Ray include file into host mesh objects.
//
// Each "mesh" (named by the "#declare" before it) and each "object" block starts a host
// object; "triangle" and "smooth_triangle" lines add to the object started last, one
// host call per vertex, per polygon and per corner-normal record. Keywords are matched
// without regard to case and only at the brace depth they belong to; other shapes and
// transformations are recognised and passed over. Coordinates are taken as they stand.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "host/HostObjects.h"
#include "importpov/PovKeywords.h"
#include "platform/Collection.h"
#include "textio/ImportContext.h"

namespace vlm {

class CImp_POV {
 public:
  // Puts a new collection into `p_colObject3D` and fills it with the objects of the file
  // of `p_Import`. On a failure file 1 is closed and the failure raised again unchanged;
  // the objects added before it stay in the collection.
  void Load(ImportContext& p_Import, CollectionRef& p_colObject3D);

 private:
  using Vector = std::array<float, 3>;

  void readLines();
  std::string_view withBlanksForTabs(std::string_view line);
  void readWords(std::string_view line);
  bool readWord(pov::Keyword keyword, std::string_view& line);
  std::string_view Get_Token(std::string_view& line);
  void Read_DeclareName(std::string_view& line);
  void Add_Object(bool needsName);
  void addNamedObject();
  Vector Get_Vector(std::string_view& text);
  void Read_Triangle(std::string_view& line);
  void Read_SmoothTriangle(std::string_view& line);
  void addCorner(std::string_view piece);
  void addPolygon();
  host::HostObject& currentObject();

  ImportContext* import_ = nullptr;
  CollectionRef TargetCollection;
  int32_t BraceDepth = 0;
  std::string PendingName;
  int32_t VertexBase = -1;
  int32_t PolygonIndex = -1;

  // The current object (the collection's last item) with its cached member ids, and
  // the collection's count when it was fetched; fetched again when the count changes.
  host::HostObject current_;
  int32_t currentCount_ = 0;
  // A line whose tabs were replaced by blanks (lines without tabs are read in place).
  std::string line_;
  // Whether the rest of the line may still hold a blank or a ">": once a search finds none,
  // the later words of that line do not search again, so a line of braces or of "<" stays
  // linear in its length.
  bool blankLeft_ = true;
  bool closeLeft_ = true;
};

}  // namespace vlm
