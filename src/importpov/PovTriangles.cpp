// CImp_POV: vectors, triangles and smooth triangles, and the object they go to.
//
// A triangle line is split at its "<" characters; each piece after the first holds one
// vector up to its ">". Every corner goes to the host at once (Add_Vertex), then the
// polygon (Add_Poligon) and, for a smooth triangle, its corner normals
// (Set_PoligonNormal). Corners are never shared: each triangle adds three vertices.
#include <algorithm>
#include <array>
#include <cstddef>
#include <limits>

#include "fileio/Numbers.h"
#include "fileio/ShortDecimal.h"
#include "importpov/CImp_POV.h"
#include "platform/Error.h"
#include "textio/modImport.h"

namespace vlm {

using modImport::Get_Single;

namespace {

// Pieces 1 to N of `line` split at "<" (piece k runs from the k-th "<" to the next one
// or the end); false when the line has fewer than N of them.
template <size_t N>
bool vectorPieces(std::string_view line, std::array<std::string_view, N>& pieces) {
  size_t at = line.find('<');
  for (size_t k = 0; k < N; ++k) {
    if (at == std::string_view::npos) return false;
    const size_t next = line.find('<', at + 1);
    pieces[k] = line.substr(at + 1, next == std::string_view::npos ? next : next - at - 1);
    at = next;
  }
  return true;
}

// Vertex and polygon indices are 32-bit, as the host's.
int32_t checkedSum(int32_t index, int32_t step) {
  if (index > std::numeric_limits<int32_t>::max() - step) raise(err::kOverflow);
  return index + step;
}

// The common vector "x,y,z>", three plain numbers (see plainDecimal) each followed at
// once by its separator, read in one pass and taken off `text`. Its first ">" and its
// two "," are the ones those characters end, so the split below would find the same
// three parts and convert them to the same values. False, `text` untouched, otherwise.
bool plainVector(std::string_view& text, std::array<float, 3>& out) noexcept {
  const char* p = text.data();
  const char* const end = p + text.size();
  for (size_t k = 0; k < 3; ++k) {
    double value = 0;
    const char* stop = plainDecimal(p, end, value);
    if (stop == nullptr || stop == end || *stop != (k < 2 ? ',' : '>')) return false;
    out[k] = static_cast<float>(value);  // at most 15 digits: well inside single range
    p = stop + 1;
  }
  text.remove_prefix(static_cast<size_t>(p - text.data()));
  return true;
}

}  // namespace

// The inside of a vector up to its ">": three numbers separated by ",", each with "."
// or "," as its decimal point. Anything but three parts is the zero vector; a part that
// is not a number is error 13.
CImp_POV::Vector CImp_POV::Get_Vector(std::string_view& text) {
  text = trimBlanks(text);
  if (Vector plain; plainVector(text, plain)) return plain;
  const size_t close = text.find('>');
  if (close == std::string_view::npos) return {0, 0, 0};
  // The parts are trimmed where they are converted.
  const std::string_view inside = text.substr(0, close);
  text.remove_prefix(close + 1);
  const size_t first = inside.find(',');
  const size_t second = first == std::string_view::npos ? first : inside.find(',', first + 1);
  if (second == std::string_view::npos || inside.find(',', second + 1) != std::string_view::npos) {
    return {0, 0, 0};
  }
  return {Get_Single(inside.substr(0, first)),
          Get_Single(inside.substr(first + 1, second - first - 1)),
          Get_Single(inside.substr(second + 1))};
}

void CImp_POV::Read_Triangle(std::string_view& line) {
  std::array<std::string_view, 3> pieces;
  if (vectorPieces(line, pieces)) {
    for (const std::string_view piece : pieces) addCorner(piece);
    addPolygon();
  }
  line = {};
}

// Corner, normal, corner, normal, corner, normal: each corner goes to the host as soon
// as it is read, the normals after the polygon.
void CImp_POV::Read_SmoothTriangle(std::string_view& line) {
  std::array<std::string_view, 6> pieces;
  if (vectorPieces(line, pieces)) {
    std::array<float, 9> normals;
    for (size_t k = 0; k < 3; ++k) {
      addCorner(pieces[2 * k]);
      std::string_view normalText = pieces[2 * k + 1];
      const Vector normal = Get_Vector(normalText);
      std::copy(normal.begin(), normal.end(), normals.begin() + static_cast<ptrdiff_t>(3 * k));
    }
    addPolygon();
    currentObject().Set_PoligonNormal(PolygonIndex, normals);
  }
  line = {};
}

void CImp_POV::addCorner(std::string_view piece) {
  Vector corner = Get_Vector(piece);
  currentObject().Add_Vertex(corner[0], corner[1], corner[2]);
}

// The triangle of the three vertices just added; the counts move on only after the
// host took it.
void CImp_POV::addPolygon() {
  const int32_t last = checkedSum(VertexBase, 3);
  currentObject().Add_Poligon(VertexBase + 1, VertexBase + 2, last);
  PolygonIndex = checkedSum(PolygonIndex, 1);
  VertexBase = last;
}

// The collection's last item, fetched again only when an object was added since; with
// no object at all, the collection's own error (9, subscript out of range).
host::HostObject& CImp_POV::currentObject() {
  const int32_t count = TargetCollection->Count();
  if (count != currentCount_ || !current_) {
    current_ = host::HostObject(TargetCollection->Item(count));
    currentCount_ = count;
  }
  return current_;
}

}  // namespace vlm
