// vlmhost: a command-line host for the VLMImport plug-in.
//
// It loads libVLMImport.so through its entry points as a host application would,
// creates CPlugIn, reads Name and PlugInType, and for each FILE hands the same
// reference-host scene to ExecutePlugIn while a scripted user plays the dialog (or, with
// --gui, a person at the real dialog window), reading SelectedObject after each; then it
// reports the scene and, with --gui or --view, shows it in the view window. Exit status:
// 0 when every import brought objects, 1 when one did not (or a file or the plug-in could
// not be used), 2 for a usage error (see Options.cpp).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>

#include "GuiDialog.h"
#include "Hints.h"
#include "Options.h"
#include "PlugInLibrary.h"
#include "PlugInLocation.h"
#include "ProgressLine.h"
#include "Report.h"
#include "SceneOutputs.h"
#include "UserScript.h"
#include "platform/Dispatch.h"
#include "refhost/CallRecorder.h"
#include "refhost/ReferenceScene.h"
#include "settings/RegFun.h"
#include "ui/HeadlessToolkit.h"
#include "ui/fltkview/ViewWindow.h"
#include "vlmimport/VLMImport.h"

namespace vlm::vlmhost {
namespace {

constexpr int kSceneReceivedObjects = 0;
constexpr int kNoObjects = 1;
constexpr int kUsageError = 2;

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

// The imports to run, each file with its format, checked before the first one starts;
// without files one import in which the user cancels at once.
std::vector<ImportRecord> planImports(const Options& options) {
  std::vector<ImportRecord> plan;
  for (const std::string& file : options.files) {
    ImportRecord record;
    record.file = file;
    // An import may change the current folder, so later files are found by full path.
    record.path = std::filesystem::absolute(file).string();
    record.format = resolveFormat(options, file);
    if (record.format.empty()) {
      throw HostError("unknown format of '" + file +
                      "': name one with --format obj|dxf|3ds|inc|ply");
    }
    checkReadable(file);
    plan.push_back(std::move(record));
  }
  if (plan.empty()) plan.emplace_back();
  return plan;
}

PlugInResult readIdentity(IDispatch& plugIn) {
  PlugInResult result;
  result.name = invokeByName(plugIn, "Name", InvokeKind::PropertyGet, {}).toString();
  result.type = invokeByName(plugIn, "PlugInType", InvokeKind::PropertyGet, {}).toLong();
  return result;
}

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

// ExecutePlugIn with `toolkit` installed, timed, noting the scene objects it added.
void executeWith(ui::Toolkit& toolkit, IDispatch& plugIn, const ObjectRef& sceneRef,
                 const refhost::ReferenceScene& scene, ImportRecord& record) {
  record.firstObject = scene.objectCount();
  {
    InstalledToolkit installed(toolkit);
    const auto start = std::chrono::steady_clock::now();
    record.selectedObject = executePlugIn(plugIn, sceneRef);
    record.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  record.endObject = scene.objectCount();
}

// One import: a fresh scripted user plays the dialog that ExecutePlugIn shows.
void runScripted(IDispatch& plugIn, const ObjectRef& sceneRef, const refhost::ReferenceScene& scene,
                 const Options& options, ImportRecord& record) {
  ui::HeadlessToolkit toolkit;
  scriptUser(toolkit, options, record.path, record.format);
  {
    std::optional<ProgressLine> progress;
    if (::isatty(STDERR_FILENO)) progress.emplace(toolkit, stderr);
    executeWith(toolkit, plugIn, sceneRef, scene, record);
  }
  record.messages = toolkit.messages();
  printMessages(stderr, record.messages);
  for (const std::string& line : toolkit.log()) std::cerr << "vlmhost: note: " << line << '\n';
}

// One import in the real dialog window: the person there chooses format and file; a FILE
// given makes the dialog open on its format and folder.
void runInWindow(ui::FltkToolkit& toolkit, PlugInLibrary& library, IDispatch& plugIn,
                 const ObjectRef& sceneRef, const refhost::ReferenceScene& scene,
                 const Options& options, ImportRecord& record) {
  if (!record.path.empty()) library.preselect(record.path, record.format);
  executeWith(toolkit, plugIn, sceneRef, scene, record);
  record.file = chosenFile(toolkit);
  record.path = record.file;
  record.format = record.file.empty() ? std::string() : resolveFormat(options, record.file);
  record.messages = toolkit.messages();
}

// The hints on why an import brought less than expected, on stderr.
void printHints(const ImportRecord& record, const refhost::ReferenceScene& scene) {
  if (record.file.empty() || record.format.empty()) return;
  ImportFacts facts{record.file, record.format, record.messages, {},
                    countLeftOutFaces(record.path, record.format)};
  for (size_t i = record.firstObject; i < record.endObject; ++i) {
    const refhost::CVLMObject& o = scene.object(i);
    facts.objects.push_back(ArrivedObject{o.key(), o.name(),
                                          static_cast<int64_t>(o.mesh().triangleCount()),
                                          o.invalidPolygons()});
  }
  for (const std::string& hint : hintsFor(facts, sampleFile(record.path))) {
    std::cerr << "vlmhost: hint: " << record.file << ": " << hint << '\n';
  }
}

// The host's classes for the plug-in to create: the reference host, wrapped in the call
// recorder with --trace; back to the plain reference host on destruction.
class HostClasses {
 public:
  explicit HostClasses(bool trace) {
    if (trace) {
      recorder_.setKeepRecords(false);
      recorder_.setSink([](const refhost::CallRecord& r) { std::cerr << r.line() << '\n'; });
      recorder_.registerReferenceClasses();
    } else {
      refhost::registerReferenceHostClasses();
    }
  }
  ~HostClasses() { refhost::registerReferenceHostClasses(); }
  HostClasses(const HostClasses&) = delete;
  HostClasses& operator=(const HostClasses&) = delete;

  ObjectRef sceneRef(refhost::ReferenceScene& scene, bool trace) {
    return trace ? recorder_.wrapScene(scene.dispatch()) : scene.dispatch();
  }

 private:
  refhost::CallRecorder recorder_;
};

void printReport(const Options& options, const refhost::ReferenceScene& scene,
                 const PlugInResult& identity, const std::vector<ImportRecord>& imports) {
  if (options.json) {
    printJson(std::cout, scene, identity, imports, options.geometry);
  } else {
    printSummary(std::cout, scene, identity, imports);
  }
  std::cout.flush();
}

int runImports(const Options& options) {
  std::vector<ImportRecord> imports = planImports(options);
  std::unique_ptr<ui::FltkToolkit> window;
  if (options.gui || options.view) {
    window = openDisplay(options.gui ? "the dialog" : "the view window");
  }
  registerSettingsComponent();
  refhost::ReferenceScene scene;
  PlugInResult identity;
  {
    HostClasses classes(options.trace);
    PlugInLibrary library(locatePlugIn(options.plugin));
    {
      const ObjectRef plugIn = library.create(vlmimport::kClsidCPlugIn.as<Guid>());
      identity = readIdentity(*plugIn);
      const ObjectRef sceneRef = classes.sceneRef(scene, options.trace);
      for (ImportRecord& record : imports) {
        if (options.gui) {
          runInWindow(*window, library, *plugIn, sceneRef, scene, options, record);
        } else {
          runScripted(*plugIn, sceneRef, scene, options, record);
        }
        if (!options.quiet) printHints(record, scene);
      }
    }
    if (!library.unload())
      std::cerr << "vlmhost: the plug-in still holds objects; it stays loaded\n";
  }
  // --stats reports the export's time too, so its line follows the outputs.
  if (!options.stats) printReport(options, scene, identity, imports);
  const std::optional<double> exportSeconds = writeSceneOutputs(options, scene, imports);
  if (options.stats) printStats(std::cout, scene, imports, exportSeconds);
  if (window && scene.objectCount() > 0) {
    ui::fltkview::ViewWindow(scene, sourceNames(imports)).run();
  }
  for (const ImportRecord& record : imports) {
    if (record.endObject == record.firstObject) return kNoObjects;
  }
  return kSceneReceivedObjects;
}

int runRegistration(const Options& options, bool unregister) {
  const std::string path = locatePlugIn(options.plugin);
  char resolved[PATH_MAX];
  const std::string library = ::realpath(path.c_str(), resolved) ? resolved : path;
  const RegistrationChange change = registerPlugIn(library, unregister);
  std::cout << (unregister ? "Unregistered " : "Registered ") << library << " in "
            << change.storeFile << '\n';
  const auto& keys = unregister ? change.removed : change.added;
  if (keys.empty()) std::cout << "  nothing changed: it was " << (unregister ? "not " : "already ")
                              << "registered\n";
  for (const std::string& key : keys) std::cout << (unregister ? "  removed " : "  wrote ") << key << '\n';
  return kSceneReceivedObjects;
}

int runVersion(const Options& options) {
  PlugInLibrary library(locatePlugIn(options.plugin));
  std::string name;
  {
    const ObjectRef plugIn = library.create(vlmimport::kClsidCPlugIn.as<Guid>());
    name = readIdentity(*plugIn).name;
  }
  std::cout << "vlmhost " << VLMHOST_VERSION << '\n' << "plug-in: " << name << '\n';
  return kSceneReceivedObjects;
}

int run(const Options& options) {
  if (options.command != Command::Import && !options.files.empty()) {
    std::cerr << "vlmhost: --register, --unregister and --version take no FILE\n";
    return kUsageError;
  }
  switch (options.command) {
    case Command::Register:
      return runRegistration(options, false);
    case Command::Unregister:
      return runRegistration(options, true);
    case Command::Version:
      return runVersion(options);
    case Command::Import:
      break;
  }
  return runImports(options);
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
  } catch (const NoDisplay& e) {
    std::cerr << "vlmhost: " << e.what() << '\n';
    return 2;
  } catch (const HostError& e) {
    std::cerr << "vlmhost: " << e.what() << '\n';
  } catch (const vlm::RuntimeError& e) {
    std::cerr << "vlmhost: " << e.description() << '\n';
  } catch (const std::exception& e) {
    std::cerr << "vlmhost: " << e.what() << '\n';
  }
  return kNoObjects;
}
