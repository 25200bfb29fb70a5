// One-line hints on why an import brought less than the file seems to hold.
//
// The importers keep every rule they were made with, including the ones that surprise
// people (DXF and POV-Ray lines end at CR only, a binary PLY body starts right after the
// character that ended "end_header", an OBJ face keeps four corners, a PLY face of five or
// more is skipped). The host program is where a person learns why an import came back
// short, so after each import vlmhost looks at the file's first bytes, at the faces the
// rules leave out and at what arrived, and names the cause and the cure when it can.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "LeftOutFaces.h"
#include "refhost/ReferenceScene.h"
#include "session/ImportRecord.h"
#include "ui/HeadlessToolkit.h"

namespace vlm::vlmhost {

// What vlmhost reads of a file to explain an import: its first bytes and whether it
// holds a line end at all.
struct FileSample {
  std::string head;  // up to the first 64 KiB
  uint64_t size = 0;
  bool hasCR = false;  // anywhere in the file
  bool hasLF = false;  // anywhere in the file
};

// Reads the sample; an unreadable file gives an empty one.
FileSample sampleFile(const std::string& path);

// An object an import added to the scene.
struct ArrivedObject {
  std::string key;
  std::string name;
  int64_t triangles = 0;
  int64_t invalidPolygons = 0;
};

// One import: the file, the format it was read as, the message boxes it showed, the
// objects it added and the faces the file holds that the importer's rules leave out.
struct ImportFacts {
  std::string file;
  std::string format;  // "obj", "dxf", "3ds", "inc" or "ply"
  std::vector<ui::MessageRecord> messages;
  std::vector<ArrivedObject> objects;
  LeftOutFaces leftOut;
};

// The format the first bytes suggest ("obj", "dxf", "3ds", "inc", "ply"), or "" when
// they suggest none.
std::string sniffFormat(const FileSample& sample);

// Whether a file read as `format` needs --crlf: a DXF or POV-Ray file, whose importers end
// lines at CR only, with LF line ends and no CR.
bool needsCrLf(const std::string& format, const FileSample& sample);

// The hints for one import, each one line without a line end; none when the import went
// as expected.
std::vector<std::string> hintsFor(const ImportFacts& facts, const FileSample& sample);

// The hints for an import that added its objects to `scene`, from the file and what
// arrived.
std::vector<std::string> hintsOf(const session::ImportRecord& record,
                                 const refhost::ReferenceScene& scene);

}  // namespace vlm::vlmhost
