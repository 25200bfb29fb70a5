#include "LeftOutFaces.h"

#include "FileBlocks.h"

namespace vlm::vlmhost {

namespace {

bool moreWordsThan(std::string_view rest, int limit) {
  for (int words = 0; !cutWord(rest).empty();) {
    if (++words > limit) return true;
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
    const std::string_view keyword = cutWord(line);
    if ((keyword == "f" || keyword == "fo") && moreWordsThan(line, 4)) ++cut;
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
