// vlmhost: a command-line host for the VLMImport plug-in.
//
// It loads libVLMImport.so through its entry points as a host application would,
// creates CPlugIn, reads Name and PlugInType, hands a reference-host scene to
// ExecutePlugIn while a scripted user plays the dialog, reads SelectedObject, and reports
// the scene. Exit status: 0 when the scene received objects, 1 when it did not (or the
// file or the plug-in could not be used), 2 for a usage error (see Options.cpp).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>

#include "Options.h"
#include "PlugInLibrary.h"
#include "ProgressLine.h"
#include "Report.h"
#include "UserScript.h"
#include "platform/Dispatch.h"
#include "refhost/CallRecorder.h"
#include "refhost/ReferenceScene.h"
#include "settings/RegFun.h"
#include "shell/VLMImportIds.h"
#include "ui/HeadlessToolkit.h"

namespace vlm::vlmhost {
namespace {

constexpr int kSceneReceivedObjects = 0;
constexpr int kNoObjects = 1;

// Raises HostError unless `file` is a regular file this process may read.
void checkReadable(const std::string& file) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw HostError("cannot read '" + file + "': " + std::strerror(errno));
  struct stat st {};
  const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  ::close(fd);
  if (!regular) throw HostError("cannot read '" + file + "': not a regular file");
}

// Installs the toolkit for the lifetime of this object.
class InstalledToolkit {
 public:
  explicit InstalledToolkit(ui::Toolkit& toolkit) { ui::setToolkit(&toolkit); }
  ~InstalledToolkit() { ui::setToolkit(nullptr); }
  InstalledToolkit(const InstalledToolkit&) = delete;
  InstalledToolkit& operator=(const InstalledToolkit&) = delete;
};

// Creates CPlugIn, reads its name and type, runs ExecutePlugIn on `scene` and reads
// SelectedObject; every reference to the plug-in's objects is gone on return.
PlugInResult executePlugIn(PlugInLibrary& library, const ObjectRef& scene) {
  PlugInResult result;
  ObjectRef plugIn = library.create(vlmimport::kClsidCPlugIn);
  IDispatch& object = *plugIn;
  result.name = invokeByName(object, "Name", InvokeKind::PropertyGet, {}).toString();
  result.type = invokeByName(object, "PlugInType", InvokeKind::PropertyGet, {}).toLong();
  std::array<Variant, 1> args{Variant(scene)};
  args[0].byRef();
  invokeByName(object, "ExecutePlugIn", InvokeKind::Method, args);
  result.selectedObject =
      invokeByName(object, "SelectedObject", InvokeKind::PropertyGet, {}).toLong();
  return result;
}

int run(const Options& options) {
  const std::string format = resolveFormat(options);
  if (options.file) {
    if (format.empty()) {
      throw HostError("unknown format of '" + *options.file +
                      "': name one with --format obj|dxf|3ds|inc|ply");
    }
    checkReadable(*options.file);
  }

  registerSettingsComponent();
  refhost::CallRecorder recorder;
  if (options.trace) {
    recorder.setKeepRecords(false);
    recorder.setSink([](const refhost::CallRecord& r) { std::cerr << r.line() << '\n'; });
    recorder.registerReferenceClasses();
  } else {
    refhost::registerReferenceHostClasses();
  }

  ui::HeadlessToolkit toolkit;
  scriptUser(toolkit, options, format);
  refhost::ReferenceScene scene;
  PlugInResult result;
  double seconds = 0;
  {
    std::optional<ProgressLine> progress;
    if (::isatty(STDERR_FILENO)) progress.emplace(toolkit, stderr);
    InstalledToolkit installed(toolkit);
    PlugInLibrary library(options.plugin.empty() ? defaultPlugInPath() : options.plugin);
    const ObjectRef sceneRef =
        options.trace ? recorder.wrapScene(scene.dispatch()) : scene.dispatch();
    try {
      const auto start = std::chrono::steady_clock::now();
      result = executePlugIn(library, sceneRef);
      seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    } catch (const RuntimeError& e) {
      throw HostError("the plug-in failed: " + e.description() + " (error " +
                      std::to_string(e.number()) + ")");
    }
    if (!library.unload())
      std::cerr << "vlmhost: the plug-in still holds objects; it stays loaded\n";
  }
  refhost::registerReferenceHostClasses();  // drops the recorder's class wrappers

  printMessages(stderr, toolkit.messages());
  for (const std::string& line : toolkit.log()) std::cerr << "vlmhost: note: " << line << '\n';
  if (options.stats) {
    printStats(std::cout, scene, seconds);
  } else if (options.json) {
    printJson(std::cout, scene, result, toolkit.messages(), options.geometry);
  } else {
    printSummary(std::cout, scene, result);
  }
  std::cout.flush();
  return scene.objectCount() > 0 ? kSceneReceivedObjects : kNoObjects;
}

}  // namespace
}  // namespace vlm::vlmhost

int main(int argc, char** argv) {
  using namespace vlm::vlmhost;
  const ParseResult parsed = parseOptions(argc, argv);
  if (!parsed.options) {
    if (!parsed.error.empty()) std::cerr << "vlmhost: " << parsed.error << '\n';
    std::cout << parsed.output;
    return parsed.exitCode;
  }
  try {
    return run(*parsed.options);
  } catch (const HostError& e) {
    std::cerr << "vlmhost: " << e.what() << '\n';
  } catch (const vlm::RuntimeError& e) {
    std::cerr << "vlmhost: " << e.description() << '\n';
  } catch (const std::exception& e) {
    std::cerr << "vlmhost: " << e.what() << '\n';
  }
  return kNoObjects;
}
