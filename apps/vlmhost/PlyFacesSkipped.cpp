// The PLY faces the importer skips: in the "face" element, every list of five or more
// items (ascii: every line whose first word, the corner count, is five or more). The header
// is read as the importer reads it, lines ending at CR or LF; the body is walked up to the
// face element by the elements' declared counts and property sizes.
#include <charconv>
#include <cmath>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "FileBlocks.h"
#include "LeftOutFaces.h"

namespace vlm::vlmhost {

namespace {

// Type codes as the importer numbers them: 0 one byte (unsigned), 1 two bytes (signed),
// 2 four bytes (signed), 3 float, 4 double, 5 list.
constexpr int kList = 5;
constexpr int kUnknownType = -1;
// Beyond this many element and property lines the header is taken as damaged.
constexpr size_t kMostHeaderEntries = 1 << 16;
constexpr int32_t kFewestSkippedCorners = 5;

int typeCode(std::string_view word) noexcept {
  if (word == "char" || word == "uchar" || word == "int8" || word == "uint8") return 0;
  if (word == "short" || word == "ushort" || word == "int16" || word == "uint16") return 1;
  if (word == "int" || word == "uint" || word == "int32" || word == "uint32") return 2;
  if (word == "float" || word == "float32") return 3;
  if (word == "double" || word == "float64") return 4;
  if (word == "list") return kList;
  return kUnknownType;
}

uint64_t sizeOf(int code) noexcept {
  static constexpr uint64_t kSizes[] = {1, 2, 4, 4, 8};
  return code >= 0 && code < kList ? kSizes[code] : 0;
}

// A word read as the importer reads a whole number: "." or "," (whichever comes first) as
// the point, rounded half to even. None for any other text and beyond 32 bits, where the
// importer stops with an error.
std::optional<int32_t> wholeNumber(std::string_view word) {
  const bool negative = !word.empty() && word[0] == '-';
  if (!word.empty() && (word[0] == '-' || word[0] == '+')) word.remove_prefix(1);
  const char point = word.find(',') < word.find('.') ? ',' : '.';
  if (word.empty() || !((word[0] >= '0' && word[0] <= '9') || word[0] == point)) return {};
  std::string text(word);
  if (point == ',') text[text.find(',')] = '.';
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return {};
  const double rounded = std::nearbyint(negative ? -value : value);
  if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) return {};
  return static_cast<int32_t>(rounded);
}

// The count of an element the body passes over: a whole number of 32 bits, not negative.
std::optional<int32_t> otherCount(std::string_view word) {
  int32_t n = 0;
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), n);
  if (ec != std::errc() || end != word.data() + word.size() || n < 0) return {};
  return n;
}

struct Property {
  int code = 0;       // kList for a list
  int countCode = 0;  // lists
  int itemCode = 0;   // lists
};

enum class Kind { vertex, face, strips, other };

struct Element {
  Kind kind = Kind::other;
  std::optional<int32_t> count;  // none: not a whole number (other elements only)
  std::vector<Property> props;
  bool sized = true;  // every type word known (other elements only)
};

struct Header {
  int format = -1;  // 0 ascii, 1 big endian, 2 little endian
  std::vector<Element> elements;
  size_t entries = 0;
};

// Element and property lines; false where the importer refuses the file or stops.
bool readElementLine(std::string_view rest, Header& h) {
  const std::string_view name = cutWord(rest);
  const std::string_view count = cutWord(rest);
  const auto polygons = [](Kind k) { return k == Kind::face || k == Kind::strips; };
  Element e;
  if (name == "vertex" || name == "face" || name == "tristrips") {
    e.kind = name == "vertex" ? Kind::vertex : name == "face" ? Kind::face : Kind::strips;
    e.count = wholeNumber(count);
    if (!e.count) return false;
    for (const Element& before : h.elements) {
      const bool twice =
          e.kind == Kind::vertex ? before.kind == Kind::vertex : polygons(before.kind);
      if (twice) return false;
    }
  } else if (name == "range_grid") {
    return false;
  } else {
    e.count = otherCount(count);
  }
  h.elements.push_back(std::move(e));
  return true;
}

bool readPropertyLine(std::string_view rest, Element& e) {
  Property p;
  p.code = typeCode(cutWord(rest));
  bool known = p.code != kUnknownType;
  if (p.code == kList) {
    p.countCode = typeCode(cutWord(rest));
    p.itemCode = typeCode(cutWord(rest));
    known = known && p.countCode >= 0 && p.countCode <= 2 && p.itemCode >= 0 && p.itemCode < kList;
    if (e.kind == Kind::vertex) return false;
  }
  e.props.push_back(p);
  e.sized = e.sized && known;
  return known || e.kind == Kind::other;
}

// The header up to "end_header"; none where the importer refuses the file.
std::optional<Header> readHeader(LineReader& lines) {
  Header h;
  std::string_view line;
  if (!lines.next(line) || line != "ply") return {};
  while (lines.next(line)) {
    const std::string_view first = cutWord(line);
    if (first == "end_header") return h;
    const bool entry = first == "element" || (first == "property" && !h.elements.empty());
    if (entry && ++h.entries > kMostHeaderEntries) return {};
    if (first == "format") {
      const std::string_view word = cutWord(line);
      if (word == "ascii") h.format = 0;
      if (word == "binary_big_endian") h.format = 1;
      if (word == "binary_little_endian") h.format = 2;
    } else if (first == "element") {
      if (!readElementLine(line, h)) return {};
    } else if (entry && !readPropertyLine(line, h.elements.back())) {
      return {};
    }
  }
  return {};
}

// The elements the body goes through, up to the vertex and the face element, whichever
// comes later; none when the importer refuses the file or it holds no face element.
std::span<const Element> bodyElements(const Header& h) {
  bool vertex = false, face = false;
  size_t end = 0;
  while (end < h.elements.size() && !(vertex && face)) {
    const Element& e = h.elements[end++];
    vertex = vertex || e.kind == Kind::vertex;
    face = face || e.kind == Kind::face;
    if (e.kind == Kind::strips) return {};  // triangle strips: no corner counts
    if (e.kind == Kind::other && (!e.count || (h.format != 0 && !e.sized))) return {};
  }
  if (h.format == -1 || !face) return {};
  return {h.elements.data(), end};
}

int64_t asciiSkipped(LineReader& lines, std::span<const Element> body) {
  int64_t skipped = 0;
  std::string_view line;
  for (const Element& e : body) {
    for (int32_t read = 0; read < *e.count; ++read) {
      if (!lines.next(line)) return skipped;
      if (e.kind != Kind::face) continue;
      const std::optional<int32_t> corners = wholeNumber(cutWord(line));
      if (!corners) return skipped;
      skipped += *corners >= kFewestSkippedCorners;
    }
  }
  return skipped;
}

// A list's count from its bytes: one byte unsigned, two and four bytes signed, whatever
// the type word says, as the importer reads them.
int64_t countAt(const char* p, int code, bool bigEndian) noexcept {
  const auto byte = [p](int k) { return uint32_t{static_cast<unsigned char>(p[k])}; };
  switch (code) {
    case 0: return byte(0);
    case 1:
      return static_cast<int16_t>(bigEndian ? byte(0) << 8 | byte(1) : byte(1) << 8 | byte(0));
    default:
      return static_cast<int32_t>(bigEndian
                                      ? byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3)
                                      : byte(3) << 24 | byte(2) << 16 | byte(1) << 8 | byte(0));
  }
}

// The bytes of the record at `p` when it lies whole in the `avail` bytes there, else 0;
// adds its lists of five or more items to `longLists`.
uint64_t wholeRecord(const char* p, uint64_t avail, std::span<const Property> props, bool bigEndian,
                     int64_t& longLists) noexcept {
  uint64_t used = 0;
  int64_t found = 0;
  for (const Property& prop : props) {
    const bool list = prop.code == kList;
    const uint64_t size = sizeOf(list ? prop.countCode : prop.code);
    if (avail - used < size) return 0;
    const int64_t n = list ? countAt(p + used, prop.countCode, bigEndian) : 0;
    used += size;
    const uint64_t items = n > 0 ? static_cast<uint64_t>(n) * sizeOf(prop.itemCode) : 0;
    if (avail - used < items) return 0;
    used += items;
    found += n >= kFewestSkippedCorners;
  }
  longLists += found;
  return used;
}

// The record at the position value by value, for one that crosses the end of the block;
// false when the file ends first.
bool walkRecord(BlockFile& file, std::span<const Property> props, bool bigEndian,
                int64_t& longLists) {
  for (const Property& prop : props) {
    const bool list = prop.code == kList;
    char bytes[8];
    if (!file.read(bytes, sizeOf(list ? prop.countCode : prop.code))) return false;
    const int64_t n = list ? countAt(bytes, prop.countCode, bigEndian) : 0;
    if (n > 0 && !file.seek(file.offset() + static_cast<uint64_t>(n) * sizeOf(prop.itemCode)))
      return false;
    longLists += n >= kFewestSkippedCorners;
  }
  return true;
}

// Moves over the records of `e`, adding its lists of five or more items that the file
// holds whole to `longLists`; false when the file ends first.
bool walkRecords(BlockFile& file, const Element& e, bool bigEndian, int64_t& longLists) {
  const uint64_t records = *e.count > 0 ? static_cast<uint64_t>(*e.count) : 0;
  if (e.props.empty()) return true;  // records of no bytes are not read
  uint64_t scalarSize = 0;
  bool lists = false;
  for (const Property& p : e.props) {
    scalarSize += sizeOf(p.code);
    lists = lists || p.code == kList;
  }
  if (!lists) return file.seek(file.offset() + records * scalarSize);
  for (uint64_t r = 0; r < records;) {
    const std::string_view w = file.window();
    uint64_t used = 0;
    for (uint64_t size = 0; r < records; ++r, used += size) {
      size = wholeRecord(w.data() + used, w.size() - used, e.props, bigEndian, longLists);
      if (size == 0) break;
    }
    file.advance(used);
    if (r < records) {
      if (!walkRecord(file, e.props, bigEndian, longLists)) return false;
      ++r;
    }
  }
  return true;
}

}  // namespace

int64_t plyFacesSkipped(BlockFile& file) {
  LineReader lines(file, LineEnds::crOrLf);
  const std::optional<Header> header = readHeader(lines);
  if (!header) return 0;
  const std::span<const Element> body = bodyElements(*header);
  if (header->format == 0) return asciiSkipped(lines, body);
  // The binary body begins right after the character that ended the "end_header" line.
  int64_t skipped = 0, elsewhere = 0;
  for (const Element& e : body) {
    if (!walkRecords(file, e, header->format == 1, e.kind == Kind::face ? skipped : elsewhere))
      break;
  }
  return skipped;
}

}  // namespace vlm::vlmhost
