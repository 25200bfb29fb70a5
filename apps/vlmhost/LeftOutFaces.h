// Faces the importers leave out by their rules, counted from the file itself: an OBJ face
// line keeps its first four corners, a PLY face of five or more corners is skipped whole.
//
// vlmhost does not link the importers, so the counts read the file again on their own,
// once from start to end in 1 MiB blocks with bounded memory, cutting lines and walking
// records exactly as the importers do. Every count in a PLY header is a claim: a file that
// ends early ends the count there.
#pragma once

#include <cstdint>
#include <string>

namespace vlm::vlmhost {

class BlockFile;

struct LeftOutFaces {
  int64_t cut = 0;      // OBJ face lines of more than four corners
  int64_t skipped = 0;  // PLY faces of five or more corners
};

// The faces an import of `path` as `format` ("obj", "ply"; any other counts nothing)
// leaves out; none for a file the importer refuses or cannot read.
LeftOutFaces countLeftOutFaces(const std::string& path, const std::string& format);

// The two counts, each on a file opened for it.
int64_t objFacesCut(BlockFile& file);
int64_t plyFacesSkipped(BlockFile& file);

}  // namespace vlm::vlmhost
