// CImp_PLY: reads one PLY polygon file (ascii, binary_big_endian or binary_little_endian)
// into one host mesh object.
//
// The header is read line by line through Read_Line; the vertex element gives the vertex
// coordinates (times 10), the "face" element polygons of 3 and 4 corners, the "tristrips"
// element triangles. A file the importer cannot read is refused with a message box of its
// own and Load returns normally; run-time errors close the file and reach the caller.
//
// The pieces live in separate files: CImp_PLY.cpp (Load and the hand-over), PlyHeader.cpp,
// PlyAsciiBody.cpp, PlyBinaryBody.cpp and PlyStrips.cpp. NOTES.md beside them records the
// decisions on files the format's readers leave open.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/HostObjects.h"
#include "importply/BodyCursor.h"
#include "importply/PlyRecords.h"
#include "importply/PlyTypes.h"
#include "platform/Collection.h"
#include "textio/ImportContext.h"

namespace vlm {

class CImp_PLY {
 public:
  // Reads the file of `p_Import` and, when the file is accepted, adds one host object to
  // `p_colObject3D`. The header is read with ReadMode 1: character by character, any
  // line end ends a line.
  void Load(ImportContext& p_Import, CollectionRef& p_colObject3D);

 private:
  enum class ElementKind : uint8_t { Vertex, Face, Strips, Other };

  // An element line of the header, in header order. The vertex and polygon elements keep
  // their properties in VertexProps and FaceProps; other elements keep theirs here, so the
  // body can pass over them.
  struct Element {
    ElementKind kind = ElementKind::Other;
    std::optional<int64_t> count;          // other elements: the declared count, if a number
    std::vector<ply::PLYProperty> props;   // other elements
    bool sized = true;                     // other elements: every type word known
  };

  // --- Load (CImp_PLY.cpp) ---
  void loadFile(CollectionRef& objects);
  void resetForLoad();
  void reject(std::string_view message);
  void handOver(CollectionRef& objects);
  // Sets the bar to CharsRead (no test against its maximum) and yields.
  void reportLine();

  // --- Header (PlyHeader.cpp) ---
  // Reads the header; returns the text of the message that refuses the file, if any.
  std::optional<std::string_view> readHeader();
  // Works on one header line, its first word cut off; true when it declares a range_grid
  // element.
  bool readHeaderLine(std::string_view first, std::string_view rest);
  bool readElementLine(std::string_view rest);
  std::string Read_Properties(int32_t kind);
  void readPropertyLine(std::string_view rest, std::vector<ply::PLYProperty>& props,
                        ply::PLYProperty& codes, bool& unknownWord);
  // The elements the body goes through, in header order: up to the vertex and the polygon
  // element, whichever comes later, or up to a "tristrips" element.
  std::span<const Element> bodyElements() const;
  bool bodyIsReadable() const;

  // --- Ascii body (PlyAsciiBody.cpp) ---
  void Read_AsciiBody();
  void readAsciiVertices();
  void readAsciiFaces();
  void skipAsciiLines(int64_t count);
  // Read_Line for the body: false, with no line, once the end of the file was reached.
  bool nextBodyLine(std::string_view& line);

  // --- Binary body (PlyBinaryBody.cpp, PlyStrips.cpp) ---
  void Read_BinaryBody();
  double Read_BinaryValue(int32_t code);
  void readBinaryVertices();
  // Decodes and reports the whole vertex records in the file buffer; returns how many.
  size_t readVertexBatch(const ply::VertexLayout& layout);
  void readVertexRecord(const ply::VertexLayout& layout);
  void readBinaryFaces();
  // Decodes and reports up to `limit` whole face records in the file buffer.
  size_t readFaceBatch(const ply::FaceLayout& layout, int64_t limit);
  void readFaceRecord();
  void skipBinaryElement(const Element& element);
  void readStrips();
  // Decodes and reports the whole strip items in the file buffer (one list, nothing else).
  size_t readStripBatch(ply::StripState& state);
  void readStripPass(ply::StripState& state);
  // After a record: CharsRead to the cursor's position, to the bar when it is within the
  // bar's maximum, then yield.
  void reportRecord();
  // The same for a record that ends at 0-based `offset`.
  void reportRecordEnd(int64_t offset);
  // Reports a decoded batch record by record as if each had just been read: record i ends
  // `ends[i]` bytes after 0-based `base`, or (i + 1) * `stride` bytes without `ends`.
  // Returns how many records were reported before the user asked to stop (all of them
  // when nobody did).
  size_t reportBatch(int64_t base, size_t count, const uint32_t* ends, uint32_t stride);

  // Header state.
  int32_t DataFormat = -1;   // -1 unknown, 0 ascii, 1 big endian, 2 little endian
  int32_t FaceKind = -1;     // -1 none, 0 "face", 2 "tristrips"
  int32_t VertexUpper = 0;   // declared vertex count minus one
  int32_t FaceUpper = 0;     // declared face count minus one
  std::vector<ply::PLYProperty> VertexProps;  // in header order (no unused element 0)
  std::vector<ply::PLYProperty> FaceProps;
  std::vector<Element> Elements;
  bool UnknownPropertyType = false;  // a vertex or face type word outside the table
  bool VertexList = false;           // a list property in the vertex element
  bool DuplicateElement = false;     // a second vertex or polygon element
  std::string HeldLine;
  bool LineHeld = false;

  // The data arrays; each one's size is its fill (CoordCount, PolygonFill).
  std::vector<float> VertexCoords;
  std::vector<int32_t> PolygonData;
  int32_t VerticesRead = -1;

  // Working state of one Load.
  ImportContext* import_ = nullptr;
  host::HostObject object_;
  std::optional<ply::BodyCursor> cursor_;
  bool swap_ = false;           // binary values need their bytes reversed
  ply::BatchMarks marks_;       // where the records of a decoded batch end
  std::vector<int32_t> batch_;  // a batch's polygon entries, before they are appended
  std::vector<float> coordBatch_;  // a batch's coordinates, before they are appended
};

}  // namespace vlm
