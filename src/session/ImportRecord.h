// What a host learns from the plug-in: its identity, and what each import did.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ui/DialogRecords.h"

namespace vlm::session {

// What the host read from CPlugIn.
struct PlugInResult {
  std::string name;
  int32_t type = 0;
};

// One ExecutePlugIn call.
struct ImportRecord {
  std::string file;    // as given; empty when the user cancelled the dialog at once
  std::string path;    // the file's full path, fixed before the first import
  std::string format;  // the list entry chosen: "obj", "dxf", "3ds", "inc" or "ply"
  int32_t selectedObject = 0;
  double seconds = 0;      // inside ExecutePlugIn
  size_t firstObject = 0;  // the scene objects it added: [firstObject, endObject)
  size_t endObject = 0;
  int64_t triangles = 0;  // of those objects
  bool crlf = false;      // the plug-in read a copy with CR LF line ends
  bool stopped = false;   // the host pressed the dialog's Stop for its progress callback
  std::vector<ui::MessageRecord> messages;
  std::vector<std::string> notes;  // what the scripted user could not do, one line each
  std::vector<std::string> hints;  // why it brought less than expected, where a host looks
};

}  // namespace vlm::session
