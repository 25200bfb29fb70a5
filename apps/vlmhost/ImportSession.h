// The plug-in loaded as a host loads it, and the imports of one run into one reference
// scene: each hands the scene to ExecutePlugIn while a scripted user plays the dialog (or,
// with --gui, a person at the real dialog window), then reads SelectedObject.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Options.h"
#include "PlugInLibrary.h"
#include "Report.h"
#include "refhost/CallRecorder.h"
#include "refhost/ReferenceScene.h"
#include "ui/fltk/FltkToolkit.h"

namespace vlm::vlmhost {

// CPlugIn's Name and PlugInType.
PlugInResult readIdentity(IDispatch& plugIn);

// Raises HostError unless `file` is a regular file this process may read.
void checkReadable(const std::string& file);

// The host's classes for the plug-in to create: the reference host, wrapped in the call
// recorder with --trace; back to the plain reference host on destruction.
class HostClasses {
 public:
  explicit HostClasses(bool trace);
  ~HostClasses();
  HostClasses(const HostClasses&) = delete;
  HostClasses& operator=(const HostClasses&) = delete;

  ObjectRef sceneRef(refhost::ReferenceScene& scene);

 private:
  bool trace_;
  refhost::CallRecorder recorder_;
};

class ImportSession {
 public:
  // Registers the settings component and the host's classes, loads the plug-in and
  // creates CPlugIn; HostError when the plug-in cannot be loaded. A `silent` session
  // prints neither progress nor message boxes.
  ImportSession(const Options& options, refhost::ReferenceScene& scene, bool silent);
  // Releases CPlugIn and unloads the plug-in when it lets go.
  ~ImportSession();
  ImportSession(const ImportSession&) = delete;
  ImportSession& operator=(const ImportSession&) = delete;

  const PlugInResult& identity() const noexcept { return identity_; }

  // One import into the scene: with `window`, the person there chooses format and file;
  // else the scripted user imports record.path. A DXF or POV-Ray file reaches the plug-in
  // as a CR LF copy with --crlf or when record.crlf asks for it, and record.crlf then says
  // whether it did; with --file-units the OBJ and PLY objects are scaled back. Fills in the record's objects, triangles and messages, and its hints
  // where they are wanted: without --quiet, or when the import brought no triangles.
  void run(ImportRecord& record, ui::FltkToolkit* window);

 private:
  void runScripted(ImportRecord& record, const std::string& path);
  void runInWindow(ImportRecord& record, ui::FltkToolkit& window);
  void execute(ui::Toolkit& toolkit, ImportRecord& record);

  const Options& options_;
  refhost::ReferenceScene& scene_;
  bool silent_;
  HostClasses classes_;
  PlugInLibrary library_;
  ObjectRef plugIn_;
  ObjectRef sceneRef_;
  PlugInResult identity_;
};

// The triangles of the objects an import added.
int64_t trianglesOf(const refhost::ReferenceScene& scene, const ImportRecord& record);

// Why an import brought no triangles, in one line: the plug-in's message where it showed
// one, else the first hint, else "no triangles in FILE".
std::string shortfallReason(const ImportRecord& record);
// The line on stderr for a file that did not convert or brought no triangles:
// "vlmhost: FILE: REASON", or "vlmhost: no triangles in FILE" when that is all there is.
std::string shortfallLine(const std::string& file, const std::string& reason);

}  // namespace vlm::vlmhost
