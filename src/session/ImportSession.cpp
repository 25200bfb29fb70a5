#include "session/ImportSession.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <iostream>

#include "platform/Dispatch.h"
#include "session/CrLfCopy.h"
#include "session/PlugInLocation.h"
#include "session/UserScript.h"
#include "settings/RegFun.h"
#include "ui/HeadlessToolkit.h"
#include "vlmimport/VLMImport.h"

namespace vlm::session {

namespace {

constexpr std::array<std::string_view, 5> kFormats{"obj", "dxf", "3ds", "inc", "ply"};

// What the OBJ and PLY importers multiply every coordinate by.
constexpr float kImportFactor = 10.0f;

std::string extensionOf(const std::string& file) {
  const size_t slash = file.find_last_of('/');
  const size_t dot = file.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return file.substr(dot + 1);
}

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

// Hands the progress of the dialog's bars to `progress` as the percentage changes; a
// false answer presses Cancel at the next yield and confirms the question that follows.
void followProgress(ui::HeadlessToolkit& toolkit, const ImportChoices& choices,
                    ImportRecord& record) {
  toolkit.setProgressListener(
      [&toolkit, &choices, &record, shown = -1](float value, float max) mutable {
        if (!(max > 0) || record.stopped) return;
        const int percent = std::clamp(static_cast<int>(100.0 * value / max), 0, 100);
        if (percent == shown) return;
        shown = percent;
        if (choices.progress(percent / 100.0)) return;
        record.stopped = true;
        toolkit.atYield(toolkit.yields() + 1, ui::UserAction::click("cmdCancel"));
        toolkit.answerQuestion(ui::MsgResult::Yes);
      });
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

int formatIndex(std::string_view extension) {
  for (size_t i = 0; i < kFormats.size(); ++i) {
    if (equalsIgnoreCase(kFormats[i], extension)) return static_cast<int>(i);
  }
  return -1;
}

std::string resolveFormat(const std::string& file, const std::string& chosen) {
  std::string format = chosen.empty() ? extensionOf(file) : chosen;
  if (formatIndex(format) < 0) return {};
  for (char& c : format) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return format;
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

ImportSession::ImportSession(const std::string& plugin, bool trace, refhost::ReferenceScene& scene)
    : scene_(scene),
      classes_((registerSettingsComponent(), trace)),
      library_(locatePlugIn(plugin)),
      plugIn_(library_.create(vlmimport::kClsidCPlugIn.as<Guid>())),
      sceneRef_(classes_.sceneRef(scene)),
      identity_(readIdentity(*plugIn_)) {}

ImportSession::~ImportSession() { close(); }

bool ImportSession::close() {
  if (closed_) return true;
  closed_ = true;
  sceneRef_ = nullptr;
  plugIn_ = nullptr;
  return library_.unload();
}

void ImportSession::run(ImportRecord& record, const ImportChoices& choices) {
  record.crlf =
      !record.path.empty() && readsLinesAtCr(record.format) && (choices.crlf || record.crlf);
  if (record.crlf) {
    const CrLfCopy copy(record.path);
    runScripted(record, copy.path(), choices);
    // The dialog remembers the copy's folder; the file's own is the one to open next time.
    library_.preselect(record.path, record.format);
  } else {
    runScripted(record, record.path, choices);
  }
  finish(record, choices);
}

void ImportSession::runWith(ui::Toolkit& toolkit, ImportRecord& record) {
  if (!record.path.empty()) library_.preselect(record.path, record.format);
  execute(toolkit, record);
}

void ImportSession::finish(ImportRecord& record, const ImportChoices& choices) {
  if (choices.fileUnits && (record.format == "obj" || record.format == "ply")) {
    scene_.scaleObjects(record.firstObject, record.endObject, 1.0f / kImportFactor);
  }
  record.triangles = trianglesOf(scene_, record);
}

void ImportSession::execute(ui::Toolkit& toolkit, ImportRecord& record) {
  record.firstObject = scene_.objectCount();
  {
    InstalledToolkit installed(toolkit);
    const auto start = std::chrono::steady_clock::now();
    record.selectedObject = executePlugIn(*plugIn_, sceneRef_);
    record.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  record.endObject = scene_.objectCount();
}

// A fresh scripted user plays the dialog that ExecutePlugIn shows, choosing `path`.
void ImportSession::runScripted(ImportRecord& record, const std::string& path,
                                const ImportChoices& choices) {
  ui::HeadlessToolkit toolkit;
  scriptUser(toolkit, choices, path, record.format);
  if (choices.progress) followProgress(toolkit, choices, record);
  execute(toolkit, record);
  toolkit.setProgressListener(nullptr);
  record.messages = toolkit.messages();
  record.notes = toolkit.log();
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

}  // namespace vlm::session
