#include "Hints.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace vlm::vlmhost {

namespace {

constexpr size_t kHeadBytes = 64 * 1024;
constexpr size_t kScanBlock = 1 << 20;

// Whether CR and LF occur in the rest of the file, read in large blocks; stops as soon
// as both have been seen.
void scanLineEnds(int fd, FileSample& sample) {
  std::string block(kScanBlock, '\0');
  while (!(sample.hasCR && sample.hasLF)) {
    const ssize_t n = ::read(fd, block.data(), block.size());
    if (n <= 0) return;
    const auto* bytes = block.data();
    sample.hasCR = sample.hasCR || std::memchr(bytes, '\r', static_cast<size_t>(n)) != nullptr;
    sample.hasLF = sample.hasLF || std::memchr(bytes, '\n', static_cast<size_t>(n)) != nullptr;
  }
}

// The lines of `text` split at CR, LF or CR LF, empty lines left out; at most `limit`.
std::vector<std::string_view> linesOf(std::string_view text, size_t limit) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < text.size() && lines.size() < limit) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    if (end > start) lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::string_view firstWord(std::string_view line) {
  line = trimmed(line);
  return line.substr(0, line.find_first_of(" \t"));
}

std::string upper(std::string_view s) {
  std::string u(s);
  for (char& c : u) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  return u;
}

bool looksLikeDxf(const std::vector<std::string_view>& lines) {
  size_t i = 0;
  while (i + 1 < lines.size() && trimmed(lines[i]) == "999") i += 2;  // comments
  return i + 1 < lines.size() && trimmed(lines[i]) == "0" && trimmed(lines[i + 1]) == "SECTION";
}

bool looksLikeObj(const std::vector<std::string_view>& lines) {
  static constexpr std::array<std::string_view, 9> kStatements{"v", "vt", "vn",     "f",     "o",
                                                               "g", "s",  "mtllib", "usemtl"};
  for (const std::string_view line : lines) {
    const std::string_view word = firstWord(line);
    if (word.empty() || word.front() == '#') continue;
    return std::find(kStatements.begin(), kStatements.end(), word) != kStatements.end();
  }
  return false;
}

bool looksLikePov(std::string_view head) {
  const size_t mesh = head.find("mesh");
  if (mesh == std::string_view::npos) return false;
  const size_t brace = head.find_first_not_of(" \t\r\n", mesh + 4);
  return brace != std::string_view::npos && head[brace] == '{' &&
         head.find("triangle", mesh) != std::string_view::npos;
}

// What a PLY header holds, as far as the three refusals and the binary body care.
struct PlyHeader {
  std::string_view magic;      // the first line
  bool endHeader = false;      // an "end_header" line was found
  bool endHeaderCrLf = false;  // and it ended in CR LF
  bool formatLine = false;
  std::string_view formatWord;
  bool knownFormat = false;
  bool binary = false;
  bool polygons = false;  // a "face" or "tristrips" element
  bool rangeGrid = false;
};

void readPlyLine(std::string_view line, PlyHeader& h) {
  const std::string_view word = firstWord(line);
  std::string_view rest = trimmed(trimmed(line).substr(word.size()));
  const std::string_view second = firstWord(rest);
  if (word == "format") {
    h.formatLine = true;
    h.formatWord = second;
    h.binary = second == "binary_little_endian" || second == "binary_big_endian";
    h.knownFormat = h.binary || second == "ascii";
  } else if (word == "element") {
    h.polygons = h.polygons || second == "face" || second == "tristrips";
    h.rangeGrid = h.rangeGrid || second == "range_grid";
  }
}

PlyHeader readPlyHeader(std::string_view head) {
  PlyHeader h;
  size_t start = 0;
  bool first = true;
  while (start < head.size()) {
    size_t end = head.find_first_of("\r\n", start);
    if (end == std::string_view::npos) break;  // a header line must end
    const std::string_view line = head.substr(start, end - start);
    const bool crLf = head[end] == '\r' && end + 1 < head.size() && head[end + 1] == '\n';
    start = end + (crLf ? 2 : 1);
    if (line.empty()) continue;
    if (first) {
      h.magic = line;
      first = false;
      continue;
    }
    if (firstWord(line) == "end_header") {
      h.endHeader = true;
      h.endHeaderCrLf = crLf;
      break;
    }
    readPlyLine(line, h);
  }
  return h;
}

bool shown(const ImportFacts& facts, std::string_view text) {
  return std::any_of(facts.messages.begin(), facts.messages.end(),
                     [&](const ui::MessageRecord& m) { return m.text == text; });
}

// A PLY refused with one of its three messages: which rule refused it.
void plyRefusalHints(const ImportFacts& facts, const PlyHeader& h, std::vector<std::string>& out) {
  if (shown(facts, "File format error!")) {
    if (h.magic != "ply") {
      out.push_back("the first line is \"" + std::string(h.magic.substr(0, 40)) +
                    "\", but a PLY file must begin with the line \"ply\" exactly (lower case, "
                    "nothing else on it)");
    } else if (!h.endHeader) {
      out.push_back("the header has no \"end_header\" line: the file ends inside the header");
    }
  }
  if (shown(facts, "File format not supported!")) {
    if (!h.formatLine) {
      out.push_back(
          "the header has no \"format\" line; add \"format ascii 1.0\" (or "
          "binary_little_endian / binary_big_endian) after \"ply\"");
    } else if (!h.knownFormat) {
      out.push_back("the header's format \"" + std::string(h.formatWord) +
                    "\" is not one of ascii, binary_little_endian, binary_big_endian");
    } else if (!h.polygons) {
      out.push_back(
          "the header declares no \"face\" or \"tristrips\" element: points "
          "without polygons make no mesh");
    }
  }
  if (shown(facts, "Range Grid not supported!")) {
    out.push_back(
        "the header declares a \"range_grid\" element (a range image), which the PLY "
        "importer refuses; triangulate the range image into faces and import again");
  }
}

void plyHints(const ImportFacts& facts, const FileSample& sample, std::vector<std::string>& out) {
  const PlyHeader h = readPlyHeader(sample.head);
  plyRefusalHints(facts, h, out);
  if (h.binary && h.endHeaderCrLf) {
    out.push_back(
        "the header's lines end in CR LF, so the binary body is read from the LF "
        "after \"end_header\", one byte early, and the geometry comes out garbled; "
        "give the header LF line ends (perl -pi -e 's/\\r$// if 1../^end_header/' "
        "FILE) and import again");
  }
}

bool broughtGeometry(const ImportFacts& facts) {
  return std::any_of(facts.objects.begin(), facts.objects.end(),
                     [](const ArrivedObject& o) { return o.triangles > 0; });
}

void lineEndHints(const ImportFacts& facts, const FileSample& sample,
                  std::vector<std::string>& out) {
  if (needsCrLf(facts.format, sample) && !broughtGeometry(facts)) {
    out.push_back("the file's lines end in LF only; the " + upper(facts.format) +
                  " importer reads lines ending in CR or CR LF, so the whole file was one "
                  "line; import it with --crlf");
  }
  if (facts.format == "obj" && sample.size > 0 && !sample.hasCR && !sample.hasLF) {
    out.push_back(
        "the file has no line end at all, so the OBJ importer read it as one line; "
        "put each statement on a line of its own and import again");
  }
}

void otherFormatHint(const ImportFacts& facts, const FileSample& sample,
                     std::vector<std::string>& out) {
  if (broughtGeometry(facts)) return;
  const std::string sniffed = sniffFormat(sample);
  if (sniffed.empty() || sniffed == facts.format) return;
  out.push_back("by its first bytes the file is a " + upper(sniffed) + " file, not " +
                upper(facts.format) + " as it was imported; import it with --format " + sniffed);
}

void invalidPolygonHints(const ImportFacts& facts, const FileSample& sample,
                         std::vector<std::string>& out) {
  const bool polyfaces = facts.format == "dxf" && [&] {
    const size_t first = sample.head.find("POLYLINE");
    return first != std::string::npos &&
           sample.head.find("POLYLINE", first + 1) != std::string::npos;
  }();
  for (const ArrivedObject& o : facts.objects) {
    if (o.invalidPolygons <= 0) continue;
    std::string hint = "object \"" + o.name + "\" (" + o.key + ") arrived with " +
                       std::to_string(o.invalidPolygons) +
                       " polygons whose corners are not among its vertices; the host left "
                       "them out";
    if (polyfaces) {
      hint +=
          " (every polyface mesh of a DXF file numbers its corners from the first "
          "vertex of the file)";
    }
    out.push_back(std::move(hint));
  }
}

// "1 face ... keeps its" or "N faces ... keep their": `one` and `many` are the two forms.
std::string facesHint(int64_t count, std::string_view one, std::string_view many) {
  return std::to_string(count) + (count == 1 ? " face " : " faces ") +
         std::string(count == 1 ? one : many);
}

void leftOutFaceHints(const ImportFacts& facts, std::vector<std::string>& out) {
  if (facts.leftOut.cut > 0) {
    out.push_back(facesHint(facts.leftOut.cut, "of more than four corners keeps its first four",
                            "of more than four corners keep their first four"));
  }
  if (facts.leftOut.skipped > 0) {
    out.push_back(facesHint(facts.leftOut.skipped, "of five or more corners was skipped",
                            "of five or more corners were skipped"));
  }
}

}  // namespace

FileSample sampleFile(const std::string& path) {
  FileSample sample;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return sample;
  sample.head.resize(kHeadBytes);
  size_t got = 0;
  while (got < kHeadBytes) {
    const ssize_t n = ::read(fd, sample.head.data() + got, kHeadBytes - got);
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  sample.head.resize(got);
  sample.hasCR = sample.head.find('\r') != std::string::npos;
  sample.hasLF = sample.head.find('\n') != std::string::npos;
  if (got == kHeadBytes) scanLineEnds(fd, sample);
  const off_t end = ::lseek(fd, 0, SEEK_END);
  sample.size = end > 0 ? static_cast<uint64_t>(end) : got;
  ::close(fd);
  return sample;
}

std::string sniffFormat(const FileSample& sample) {
  const std::string_view head = sample.head;
  if (head.size() >= 6 && head[0] == 0x4D && head[1] == 0x4D) {
    // The main chunk: id 0x4D4D, then its length, which a real file does not exceed.
    uint32_t length = 0;
    std::memcpy(&length, head.data() + 2, sizeof length);
    if (length >= 6 && length <= sample.size) return "3ds";
  }
  if (head.size() > 3 && upper(head.substr(0, 3)) == "PLY" &&
      (head[3] == '\r' || head[3] == '\n' || head[3] == ' ')) {
    return "ply";
  }
  const std::vector<std::string_view> lines = linesOf(head, 64);
  if (looksLikeDxf(lines)) return "dxf";
  if (looksLikePov(head)) return "inc";
  if (looksLikeObj(lines)) return "obj";
  return {};
}

bool needsCrLf(const std::string& format, const FileSample& sample) {
  return (format == "dxf" || format == "inc") && sample.hasLF && !sample.hasCR;
}

std::vector<std::string> hintsFor(const ImportFacts& facts, const FileSample& sample) {
  std::vector<std::string> hints;
  if (facts.format == "ply") plyHints(facts, sample, hints);
  lineEndHints(facts, sample, hints);
  otherFormatHint(facts, sample, hints);
  invalidPolygonHints(facts, sample, hints);
  leftOutFaceHints(facts, hints);
  return hints;
}

std::vector<std::string> hintsOf(const session::ImportRecord& record,
                                 const refhost::ReferenceScene& scene) {
  if (record.file.empty() || record.format.empty()) return {};
  ImportFacts facts{record.file,
                    record.format,
                    record.messages,
                    {},
                    countLeftOutFaces(record.path, record.format)};
  for (size_t i = record.firstObject; i < record.endObject; ++i) {
    const refhost::CVLMObject& o = scene.object(i);
    facts.objects.push_back(ArrivedObject{
        o.key(), o.name(), static_cast<int64_t>(o.mesh().triangleCount()), o.invalidPolygons()});
  }
  return hintsFor(facts, sampleFile(record.path));
}

}  // namespace vlm::vlmhost
