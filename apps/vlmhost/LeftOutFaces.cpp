#include "LeftOutFaces.h"

#include <algorithm>

#include "FileBlocks.h"

namespace vlm::vlmhost {

namespace {

// Words are apart by spaces, as the OBJ importer cuts its corners.
bool moreWordsThan(std::string_view rest, int limit) {
  int words = 0;
  bool inWord = false;
  for (const char c : rest) {
    if (c == ' ') {
      inWord = false;
    } else if (!inWord) {
      inWord = true;
      if (++words > limit) return true;
    }
  }
  return false;
}

}  // namespace

int64_t objFacesCut(BlockFile& file) {
  // The OBJ importer ends lines by the rule of the file's first line end and reads the
  // first four words after "f" or "fo" as the corners.
  LineReader lines(file, LineEnds::firstFound);
  int64_t cut = 0;
  for (std::string_view line; lines.next(line);) {
    // The first word is "f" or "fo"; a line of no more words has no corners to cut.
    const std::string_view rest = line.substr(std::min(line.find_first_not_of(' '), line.size()));
    const size_t keyword = rest.starts_with("f ") ? 2 : rest.starts_with("fo ") ? 3 : 0;
    if (keyword > 0 && moreWordsThan(rest.substr(keyword), 4)) ++cut;
  }
  // A file without any line end ends the import with an error before its first line.
  return lines.ends() == LineEnds::firstFound ? 0 : cut;
}

LeftOutFaces countLeftOutFaces(const std::string& path, const std::string& format) {
  if (format == "obj") {
    BlockFile file(path);
    return {objFacesCut(file), 0};
  }
  if (format == "ply") {
    BlockFile file(path);
    return {0, plyFacesSkipped(file)};
  }
  return {};
}

}  // namespace vlm::vlmhost
