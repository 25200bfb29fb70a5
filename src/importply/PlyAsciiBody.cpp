// The ascii body: one vertex per line (the first three words are x, y and z, whatever the
// header names), one face per line (a corner count, then the indices).
#include <algorithm>
#include <cmath>

#include "importply/CImp_PLY.h"
#include "platform/Error.h"
#include "textio/modImport.h"

namespace vlm {

using namespace modImport;

namespace {

// The shortest vertex line ("0 0 0" and a line end) and face line ("3 0 1 2" and a line
// end): declared counts are claims, so room is made for no more lines than the rest of the
// file could hold.
constexpr int64_t kShortestVertexLine = 6;
constexpr int64_t kShortestFaceLine = 8;

// A coordinate word: "." and "," both decimal separators, times 10.
float scaledCoordinate(std::string_view& line) {
  const float value = Get_FirstSingle(line);
  const float scaled = value * 10.0f;
  if (std::isinf(scaled) && !std::isinf(value)) raise(err::kOverflow);
  return scaled;
}

// Lines the rest of a file of `fileLength` bytes could hold after `charsRead` of them, at
// most `declared`.
size_t linesToExpect(int64_t declared, int64_t shortestLine, int64_t fileLength,
                     int64_t charsRead) {
  const int64_t left = std::max<int64_t>(0, fileLength - charsRead);
  return static_cast<size_t>(std::clamp<int64_t>(declared, 0, left / shortestLine + 1));
}

}  // namespace

void CImp_PLY::Read_AsciiBody() {
  for (const Element& element : bodyElements()) {
    if (import_->StopImport) return;
    switch (element.kind) {
      case ElementKind::Vertex: readAsciiVertices(); break;
      case ElementKind::Face: readAsciiFaces(); break;
      case ElementKind::Strips: return;  // an ascii strip body yields no polygons
      case ElementKind::Other: skipAsciiLines(*element.count); break;
    }
  }
}

bool CImp_PLY::nextBodyLine(std::string_view& line) {
  line = import_->Read_Line();
  // The empty text comes back once the end is noticed: the file holds fewer lines than
  // its header declares, and what was read is kept.
  return !line.empty() || !import_->Eof();
}

void CImp_PLY::readAsciiVertices() {
  const ImportContext& file = *import_;
  VertexCoords.reserve(VertexCoords.size() +
                       3 * linesToExpect(int64_t{VertexUpper} - VerticesRead,
                                         kShortestVertexLine, file.Lof(), file.CharsRead));
  std::string_view line;
  while (!file.Eof() && !file.StopImport && VerticesRead < VertexUpper) {
    if (!nextBodyLine(line)) break;
    ++VerticesRead;
    const float x = scaledCoordinate(line);
    const float y = scaledCoordinate(line);
    const float z = scaledCoordinate(line);
    VertexCoords.insert(VertexCoords.end(), {x, y, z});
    reportLine();
  }
}

void CImp_PLY::readAsciiFaces() {
  const ImportContext& file = *import_;
  const int64_t declared = int64_t{FaceUpper} + 1;
  // Five entries for a quadrilateral's line, so the array never moves while it fills.
  PolygonData.reserve(PolygonData.size() +
                      5 * linesToExpect(declared, kShortestFaceLine, file.Lof(), file.CharsRead));
  std::string_view line;
  for (int64_t read = 0; !file.Eof() && !file.StopImport && read < declared; ++read) {
    if (!nextBodyLine(line)) break;
    const int32_t corners = Get_FirstLong(line);
    if (corners == 3 || corners == 4) {
      int32_t record[5] = {corners};
      for (int32_t k = 1; k <= corners; ++k) record[k] = Get_FirstLong(line);
      PolygonData.insert(PolygonData.end(), record, record + corners + 1);
    }
    reportLine();
  }
}

void CImp_PLY::skipAsciiLines(int64_t count) {
  const ImportContext& file = *import_;
  std::string_view line;
  for (int64_t read = 0; !file.Eof() && !file.StopImport && read < count; ++read) {
    if (!nextBodyLine(line)) break;
    reportLine();
  }
}

}  // namespace vlm
