#include "ImportSession.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>

#include "CrLfCopy.h"
#include "GuiDialog.h"
#include "Hints.h"
#include "LeftOutFaces.h"
#include "PlugInLocation.h"
#include "ProgressLine.h"
#include "UserScript.h"
#include "platform/Dispatch.h"
#include "settings/RegFun.h"
#include "ui/HeadlessToolkit.h"
#include "vlmimport/VLMImport.h"

namespace vlm::vlmhost {

namespace {

// What the OBJ and PLY importers multiply every coordinate by.
constexpr float kImportFactor = 10.0f;

// Installs the toolkit for the lifetime of this object.
class InstalledToolkit {
 public:
  explicit InstalledToolkit(ui::Toolkit& toolkit) { ui::setToolkit(&toolkit); }
  ~InstalledToolkit() { ui::setToolkit(nullptr); }
  InstalledToolkit(const InstalledToolkit&) = delete;
  InstalledToolkit& operator=(const InstalledToolkit&) = delete;
};

// ExecutePlugIn with the scene passed by reference, then SelectedObject.
int32_t executePlugIn(IDispatch& plugIn, const ObjectRef& scene) {
  std::array<Variant, 1> args{Variant(scene)};
  args[0].byRef();
  try {
    invokeByName(plugIn, "ExecutePlugIn", InvokeKind::Method, args);
  } catch (const RuntimeError& e) {
    throw HostError("the plug-in failed: " + e.description() + " (error " +
                    std::to_string(e.number()) + ")");
  }
  return invokeByName(plugIn, "SelectedObject", InvokeKind::PropertyGet, {}).toLong();
}

bool readsLinesAtCr(const std::string& format) { return format == "dxf" || format == "inc"; }

// The hints on why the import brought less than expected.
std::vector<std::string> hintsOf(const ImportRecord& record, const refhost::ReferenceScene& scene) {
  if (record.file.empty() || record.format.empty()) return {};
  ImportFacts facts{record.file, record.format, record.messages, {},
                    countLeftOutFaces(record.path, record.format)};
  for (size_t i = record.firstObject; i < record.endObject; ++i) {
    const refhost::CVLMObject& o = scene.object(i);
    facts.objects.push_back(ArrivedObject{o.key(), o.name(),
                                          static_cast<int64_t>(o.mesh().triangleCount()),
                                          o.invalidPolygons()});
  }
  return hintsFor(facts, sampleFile(record.path));
}

}  // namespace

PlugInResult readIdentity(IDispatch& plugIn) {
  PlugInResult result;
  result.name = invokeByName(plugIn, "Name", InvokeKind::PropertyGet, {}).toString();
  result.type = invokeByName(plugIn, "PlugInType", InvokeKind::PropertyGet, {}).toLong();
  return result;
}

void checkReadable(const std::string& file) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw HostError("cannot read '" + file + "': " + std::strerror(errno));
  struct stat st {};
  const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  ::close(fd);
  if (!regular) throw HostError("cannot read '" + file + "': not a regular file");
}

HostClasses::HostClasses(bool trace) : trace_(trace) {
  if (trace) {
    recorder_.setKeepRecords(false);
    recorder_.setSink([](const refhost::CallRecord& r) { std::cerr << r.line() << '\n'; });
    recorder_.registerReferenceClasses();
  } else {
    refhost::registerReferenceHostClasses();
  }
}

HostClasses::~HostClasses() { refhost::registerReferenceHostClasses(); }

ObjectRef HostClasses::sceneRef(refhost::ReferenceScene& scene) {
  return trace_ ? recorder_.wrapScene(scene.dispatch()) : scene.dispatch();
}

ImportSession::ImportSession(const Options& options, refhost::ReferenceScene& scene,
                             bool silent)
    : options_(options),
      scene_(scene),
      silent_(silent),
      classes_((registerSettingsComponent(), options.trace)),
      library_(locatePlugIn(options.plugin)),
      plugIn_(library_.create(vlmimport::kClsidCPlugIn.as<Guid>())),
      sceneRef_(classes_.sceneRef(scene)),
      identity_(readIdentity(*plugIn_)) {}

ImportSession::~ImportSession() {
  sceneRef_ = nullptr;
  plugIn_ = nullptr;
  if (!library_.unload())
    std::cerr << "vlmhost: the plug-in still holds objects; it stays loaded\n";
}

void ImportSession::run(ImportRecord& record, ui::FltkToolkit* window) {
  record.crlf = !window && !record.path.empty() && readsLinesAtCr(record.format) &&
                (options_.crlf || record.crlf);
  if (window) {
    runInWindow(record, *window);
  } else if (record.crlf) {
    const CrLfCopy copy(record.path);
    runScripted(record, copy.path());
    // The dialog remembers the copy's folder; the file's own is the one to open next time.
    library_.preselect(record.path, record.format);
  } else {
    runScripted(record, record.path);
  }
  if (options_.fileUnits && (record.format == "obj" || record.format == "ply")) {
    scene_.scaleObjects(record.firstObject, record.endObject, 1.0f / kImportFactor);
  }
  record.triangles = trianglesOf(scene_, record);
  if (!options_.quiet || record.triangles == 0) record.hints = hintsOf(record, scene_);
}

void ImportSession::execute(ui::Toolkit& toolkit, ImportRecord& record) {
  record.firstObject = scene_.objectCount();
  {
    InstalledToolkit installed(toolkit);
    const auto start = std::chrono::steady_clock::now();
    record.selectedObject = executePlugIn(*plugIn_, sceneRef_);
    record.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  record.endObject = scene_.objectCount();
}

// A fresh scripted user plays the dialog that ExecutePlugIn shows, choosing `path`.
void ImportSession::runScripted(ImportRecord& record, const std::string& path) {
  ui::HeadlessToolkit toolkit;
  scriptUser(toolkit, options_, path, record.format);
  {
    std::optional<ProgressLine> progress;
    if (!silent_ && ::isatty(STDERR_FILENO)) progress.emplace(toolkit, stderr);
    execute(toolkit, record);
  }
  record.messages = toolkit.messages();
  if (silent_) return;
  printMessages(stderr, record.messages);
  for (const std::string& line : toolkit.log()) std::cerr << "vlmhost: note: " << line << '\n';
}

// A FILE given makes the dialog open on its format and folder.
void ImportSession::runInWindow(ImportRecord& record, ui::FltkToolkit& window) {
  if (!record.path.empty()) library_.preselect(record.path, record.format);
  execute(window, record);
  record.file = chosenFile(window);
  record.path = record.file;
  record.format = record.file.empty() ? std::string() : resolveFormat(options_, record.file);
  record.messages = window.messages();
}

int64_t trianglesOf(const refhost::ReferenceScene& scene, const ImportRecord& record) {
  int64_t triangles = 0;
  for (size_t i = record.firstObject; i < record.endObject; ++i) {
    triangles += scene.object(i).mesh().triangleCount();
  }
  return triangles;
}

std::string shortfallReason(const ImportRecord& record) {
  if (!record.messages.empty()) return record.messages.front().text;
  if (!record.hints.empty()) return record.hints.front();
  return "no triangles in " + record.file;
}

std::string shortfallLine(const std::string& file, const std::string& reason) {
  if (reason == "no triangles in " + file) return "vlmhost: " + reason;
  return "vlmhost: " + file + ": " + reason;
}

}  // namespace vlm::vlmhost
