// The PLY header: the magic line, the element and property lines up to "end_header", and
// the checks that decide whether the body can be read.
#include <charconv>

#include "importply/CImp_PLY.h"
#include "fileio/Numbers.h"
#include "platform/Convert.h"
#include "platform/Error.h"
#include "textio/modImport.h"

namespace vlm {

using namespace modImport;

namespace {

constexpr std::string_view kFormatError = "File format error!";
constexpr std::string_view kRangeGrid = "Range Grid not supported!";
constexpr std::string_view kNotSupported = "File format not supported!";

// The declared count of a vertex or face element, minus one; the count word must be a
// number (error 13 otherwise).
int32_t upperFrom(std::string_view countWord) {
  const int64_t upper = int64_t{textToLong(countWord)} - 1;
  if (upper < INT32_MIN) raise(err::kOverflow);
  return static_cast<int32_t>(upper);
}

// The count of an element the body passes over: a whole number of 32 bits, or none.
std::optional<int64_t> otherCountFrom(std::string_view word) {
  int32_t count = 0;
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), count);
  if (ec != std::errc() || end != word.data() + word.size() || count < 0) return std::nullopt;
  return count;
}

}  // namespace

namespace ply {

int32_t typeCode(std::string_view word) noexcept {
  if (word == "char" || word == "uchar" || word == "int8" || word == "uint8") return kUInt8;
  if (word == "short" || word == "ushort" || word == "int16" || word == "uint16") return kInt16;
  if (word == "int" || word == "uint" || word == "int32" || word == "uint32") return kInt32;
  if (word == "float" || word == "float32") return kFloat32;
  if (word == "double" || word == "float64") return kFloat64;
  if (word == "list") return kList;
  return kUnknownType;
}

int32_t countTypeCode(std::string_view word) noexcept {
  const int32_t code = typeCode(word);
  return code >= kUInt8 && code <= kInt32 ? code : kUnknownType;
}

}  // namespace ply

std::optional<std::string_view> CImp_PLY::readHeader() {
  ImportContext& file = *import_;
  if (!file.Eof() && file.Read_Line() != "ply") return kFormatError;

  std::string current;
  std::string firstWord;  // of the previous pass
  while (!file.Eof() && !file.StopImport && firstWord != "end_header") {
    if (LineHeld) {
      LineHeld = false;
      current.swap(HeldLine);
    } else {
      current.assign(file.Read_Line());
    }
    std::string_view rest = current;
    firstWord.assign(Get_FirstToken(rest));
    if (readHeaderLine(firstWord, rest)) return kRangeGrid;
    reportLine();
  }
  if (firstWord != "end_header") return kFormatError;
  if (DataFormat == -1 || FaceKind == -1 || !bodyIsReadable()) return kNotSupported;
  return std::nullopt;
}

bool CImp_PLY::readHeaderLine(std::string_view first, std::string_view rest) {
  if (first == "format") {
    const std::string_view word = Get_FirstToken(rest);
    if (word == "ascii") {
      DataFormat = 0;
    } else if (word == "binary_big_endian") {
      DataFormat = 1;
    } else if (word == "binary_little_endian") {
      DataFormat = 2;
    }
  } else if (first == "element") {
    return readElementLine(rest);
  } else if (first == "property" && !Elements.empty() &&
             Elements.back().kind == ElementKind::Other) {
    // A property of an element the body passes over: only its size matters.
    Element& other = Elements.back();
    ply::PLYProperty codes;
    bool unknownWord = false;
    readPropertyLine(rest, other.props, codes, unknownWord);
    if (unknownWord) other.sized = false;
  }
  return false;
}

bool CImp_PLY::readElementLine(std::string_view rest) {
  const std::string_view name = Get_FirstToken(rest);
  const auto polygonDeclared = [this] {
    for (const Element& e : Elements) {
      if (e.kind == ElementKind::Face || e.kind == ElementKind::Strips) return true;
    }
    return false;
  };
  if (name == "vertex") {
    VertexUpper = upperFrom(Get_FirstToken(rest));
    for (const Element& e : Elements) DuplicateElement |= e.kind == ElementKind::Vertex;
    Elements.push_back({ElementKind::Vertex, {}, {}, true});
    HeldLine = Read_Properties(0);
    LineHeld = true;
  } else if (name == "face") {
    FaceKind = 0;
    FaceUpper = upperFrom(Get_FirstToken(rest));
    DuplicateElement |= polygonDeclared();
    Elements.push_back({ElementKind::Face, {}, {}, true});
    HeldLine = Read_Properties(1);
    LineHeld = true;
  } else if (name == "range_grid") {
    return true;
  } else if (name == "tristrips") {
    FaceKind = 2;
    DuplicateElement |= polygonDeclared();
    Elements.push_back({ElementKind::Strips, {}, {}, true});
    HeldLine = Read_Properties(1);
    LineHeld = true;
  } else {
    Elements.push_back({ElementKind::Other, otherCountFrom(Get_FirstToken(rest)), {}, true});
  }
  return false;
}

std::string CImp_PLY::Read_Properties(int32_t kind) {
  ImportContext& file = *import_;
  std::vector<ply::PLYProperty>& props = kind == 0 ? VertexProps : FaceProps;
  ply::PLYProperty codes;  // the type codes carry over from one property line to the next
  std::string kept;
  bool ended = false;
  while (!file.Eof() && !file.StopImport && !ended) {
    std::string_view rest = file.Read_Line();
    kept.assign(rest);
    const std::string_view first = Get_FirstToken(rest);
    if (first == "property") {
      readPropertyLine(rest, props, codes, UnknownPropertyType);
      if (kind == 0 && props.back().isList()) VertexList = true;
    }
    ended = first == "end_header" || first == "element";
    reportLine();
  }
  return kept;
}

void CImp_PLY::readPropertyLine(std::string_view rest, std::vector<ply::PLYProperty>& props,
                                ply::PLYProperty& codes, bool& unknownWord) {
  // A word outside the table leaves the previous line's code in place and marks the file.
  const auto take = [&](int32_t code, int32_t& field) {
    if (code == ply::kUnknownType) {
      unknownWord = true;
    } else {
      field = code;
    }
  };
  take(ply::typeCode(Get_FirstToken(rest)), codes.PropType);
  if (codes.isList()) {
    codes.Axis = -1;
    take(ply::countTypeCode(Get_FirstToken(rest)), codes.CountType);
    const int32_t item = ply::typeCode(Get_FirstToken(rest));
    take(item == ply::kList ? ply::kUnknownType : item, codes.ItemType);
  } else {
    codes.Axis = ply::axisOf(Get_FirstToken(rest));
  }
  props.push_back(codes);
}

std::span<const CImp_PLY::Element> CImp_PLY::bodyElements() const {
  bool vertex = false, polygon = false;
  for (size_t i = 0; i < Elements.size(); ++i) {
    const ElementKind kind = Elements[i].kind;
    vertex |= kind == ElementKind::Vertex;
    polygon |= kind == ElementKind::Face || kind == ElementKind::Strips;
    // Strips run to the end of the file: nothing after them is read.
    if ((vertex && polygon) || kind == ElementKind::Strips) return {Elements.data(), i + 1};
  }
  return Elements;
}

bool CImp_PLY::bodyIsReadable() const {
  if (UnknownPropertyType || VertexList || DuplicateElement) return false;
  for (const Element& e : bodyElements()) {
    if (e.kind != ElementKind::Other) continue;
    // An element to pass over needs its count, and in a binary body its sizes.
    if (!e.count || (DataFormat != 0 && !e.sized)) return false;
  }
  return true;
}

}  // namespace vlm
