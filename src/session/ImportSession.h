// A host's side of the plug-in: the library loaded as a host loads it, and imports into one
// reference scene. Each import hands the scene to ExecutePlugIn while a scripted user
// plays the dialog (or a person at a real window), then reads SelectedObject.
//
// The plug-in and the class registry are process-wide: one session at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "refhost/CallRecorder.h"
#include "refhost/ReferenceScene.h"
#include "session/ImportRecord.h"
#include "session/PlugInLibrary.h"
#include "ui/Toolkit.h"

namespace vlm::session {

// CPlugIn's Name and PlugInType.
PlugInResult readIdentity(IDispatch& plugIn);

// Raises HostError unless `file` is a regular file this process may read.
void checkReadable(const std::string& file);

// The position of a format in the dialog's list ("obj" 0, "dxf" 1, "3ds" 2, "inc" 3,
// "ply" 4), or -1. Letter case does not matter.
int formatIndex(std::string_view extension);

// The format an import of `file` uses, in lower case: `chosen` when given, else the
// file's extension; "" when that is not one of the list.
std::string resolveFormat(const std::string& file, const std::string& chosen);

// What the scripted user chooses in the dialog, and what the host does around it.
struct ImportChoices {
  bool normals = true;       // "Import Normals" (OBJ)
  bool smooth = true;        // "Smooth all Normal Group" (OBJ)
  bool autoSmooth = true;    // "Auto Normals Smoothing" (3DS)
  uint64_t cancelAfter = 0;  // press Cancel at this DoEvents yield and answer Yes; 0: never
  bool crlf = false;         // DXF and POV-Ray files reach the plug-in as a CR LF copy
  bool fileUnits = false;    // OBJ and PLY objects scaled back to the file's own units
  // Told the import's progress, 0 to 1, each time its percentage changes. Returning false
  // presses the dialog's Cancel and answers Yes, as a user stopping the import does.
  std::function<bool(double fraction)> progress;
};

// The host's classes for the plug-in to create: the reference host, wrapped in the call
// recorder when tracing (each call a line on stderr); back to the plain reference host on
// destruction.
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
  // Registers the settings component and the host's classes, loads the plug-in (from
  // `plugin`, or found by locatePlugIn) and creates CPlugIn; HostError when the plug-in
  // cannot be loaded.
  ImportSession(const std::string& plugin, bool trace, refhost::ReferenceScene& scene);
  ~ImportSession();
  ImportSession(const ImportSession&) = delete;
  ImportSession& operator=(const ImportSession&) = delete;

  const PlugInResult& identity() const noexcept { return identity_; }

  // One import of record.path, of record.format, by the scripted user. A DXF or POV-Ray
  // file reaches the plug-in as a CR LF copy when choices.crlf or record.crlf asks for
  // it, and record.crlf then says whether it did. Fills in the record's objects,
  // triangles, messages and notes; the plug-in's own failures are messages, not errors.
  void run(ImportRecord& record, const ImportChoices& choices);

  // One import in which someone at `toolkit` plays the dialog; a record.path given makes
  // the dialog open on its format and folder. The caller fills in the file chosen, then
  // calls finish.
  void runWith(ui::Toolkit& toolkit, ImportRecord& record);
  // With choices.fileUnits the OBJ and PLY objects are scaled back; counts the triangles.
  void finish(ImportRecord& record, const ImportChoices& choices);

  // Releases CPlugIn and unloads the plug-in; false when it still holds objects and so
  // stays loaded. The destructor does the same.
  bool close();

 private:
  void runScripted(ImportRecord& record, const std::string& path, const ImportChoices& choices);
  void execute(ui::Toolkit& toolkit, ImportRecord& record);

  refhost::ReferenceScene& scene_;
  HostClasses classes_;
  PlugInLibrary library_;
  ObjectRef plugIn_;
  ObjectRef sceneRef_;
  PlugInResult identity_;
  bool closed_ = false;
};

// The triangles of the objects an import added.
int64_t trianglesOf(const refhost::ReferenceScene& scene, const ImportRecord& record);

// Why an import brought no triangles, in one line: the plug-in's message where it showed
// one, else the first hint, else "no triangles in FILE".
std::string shortfallReason(const ImportRecord& record);

}  // namespace vlm::session
