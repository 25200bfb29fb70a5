// vlmhost: a command-line host for the VLMImport plug-in.
//
// It loads libVLMImport.so through its entry points as a host application would,
// creates CPlugIn, reads Name and PlugInType, and for each FILE hands the same
// reference-host scene to ExecutePlugIn while a scripted user plays the dialog (or, with
// --gui, a person at the real dialog window), reading SelectedObject after each; then it
// reports the scene and, with --gui or --view, shows it in the view window. With
// --export-each it converts each FILE on its own instead (FolderConversion.h). Exit
// status: 0 when every import brought triangles, 1 when one did not (or a file or the
// plug-in could not be used), 2 for a usage error (see Options.cpp).
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>

#include "FolderConversion.h"
#include "GuiDialog.h"
#include "Hints.h"
#include "Options.h"
#include "ProgressLine.h"
#include "Report.h"
#include "SceneOutputs.h"
#include "platform/Dispatch.h"
#include "refhost/ReferenceScene.h"
#include "session/ImportSession.h"
#include "session/PlugInLocation.h"
#include "viewer/ViewWindow.h"
#include "vlmimport/VLMImport.h"

namespace vlm::vlmhost {
namespace {

using session::HostError;

constexpr int kSuccess = 0;  // every import brought triangles
constexpr int kShortfall = 1;
constexpr int kUsageError = 2;

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
    session::checkReadable(file);
    plan.push_back(std::move(record));
  }
  if (plan.empty()) plan.emplace_back();
  return plan;
}

void printReport(const Options& options, const refhost::ReferenceScene& scene,
                 const PlugInResult& identity, const std::vector<ImportRecord>& imports) {
  if (options.json) {
    printJson(std::cout, scene, identity, imports, options.geometry);
  } else {
    printSummary(std::cout, scene, identity, imports);
  }
  std::cout.flush();
}

// The hints of an import, and for one without triangles the line that says why, which
// --quiet keeps.
void printShortfall(const Options& options, const ImportRecord& record) {
  if (record.file.empty()) return;
  if (!options.quiet) {
    for (const std::string& hint : record.hints)
      std::cerr << "vlmhost: hint: " << record.file << ": " << hint << '\n';
  }
  if (record.triangles == 0) {
    std::cerr << shortfallLine(record.file, session::shortfallReason(record)) << '\n';
  }
}

// One import by the scripted user, its progress drawn on a terminal, then the message
// boxes it showed and what the user could not do.
void importScripted(session::ImportSession& session, ImportRecord& record, const Options& options) {
  session::ImportChoices choices = importChoices(options);
  std::optional<ProgressLine> line;
  if (::isatty(STDERR_FILENO)) {
    line.emplace(stderr);
    choices.progress = [&line](double fraction) {
      line->show(fraction);
      return true;
    };
  }
  session.run(record, choices);
  line.reset();
  printMessages(stderr, record.messages);
  for (const std::string& note : record.notes) std::cerr << "vlmhost: note: " << note << '\n';
}

int runImports(const Options& options) {
  std::vector<ImportRecord> imports = planImports(options);
  std::unique_ptr<ui::FltkToolkit> window;
  if (options.gui || options.view) {
    window = openDisplay(options.gui ? "the dialog" : "the view window");
  }
  refhost::ReferenceScene scene;
  PlugInResult identity;
  {
    session::ImportSession session(options.plugin, options.trace, scene);
    identity = session.identity();
    for (ImportRecord& record : imports) {
      if (options.gui) {
        importInWindow(session, record, *window, options);
      } else {
        importScripted(session, record, options);
      }
      if (!options.quiet || record.triangles == 0) record.hints = hintsOf(record, scene);
      printShortfall(options, record);
    }
    if (!session.close())
      std::cerr << "vlmhost: the plug-in still holds objects; it stays loaded\n";
  }
  // --stats reports the export's time too, so its line follows the outputs.
  if (!options.stats) printReport(options, scene, identity, imports);
  const std::optional<double> exportSeconds = writeSceneOutputs(options, scene, imports);
  if (options.stats) printStats(std::cout, scene, imports, exportSeconds);
  if (window && scene.objectCount() > 0) {
    viewer::ViewWindow(scene, sourceNames(imports)).run();
  }
  for (const ImportRecord& record : imports) {
    if (record.triangles == 0) return kShortfall;
  }
  return kSuccess;
}

int runRegistration(const Options& options, bool unregister) {
  const std::string path = session::locatePlugIn(options.plugin);
  char resolved[PATH_MAX];
  const std::string library = ::realpath(path.c_str(), resolved) ? resolved : path;
  const session::RegistrationChange change = session::registerPlugIn(library, unregister);
  std::cout << (unregister ? "Unregistered " : "Registered ") << library << " in "
            << change.storeFile << '\n';
  const auto& keys = unregister ? change.removed : change.added;
  if (keys.empty())
    std::cout << "  nothing changed: it was " << (unregister ? "not " : "already ")
              << "registered\n";
  for (const std::string& key : keys)
    std::cout << (unregister ? "  removed " : "  wrote ") << key << '\n';
  return kSuccess;
}

int runVersion(const Options& options) {
  session::PlugInLibrary library(session::locatePlugIn(options.plugin));
  std::string name;
  {
    const ObjectRef plugIn = library.create(vlmimport::kClsidCPlugIn.as<Guid>());
    name = session::readIdentity(*plugIn).name;
  }
  std::cout << "vlmhost " << VLMHOST_VERSION << '\n' << "plug-in: " << name << '\n';
  return kSuccess;
}

int run(const Options& options) {
  if (options.command != Command::Import && !options.files.empty()) {
    std::cerr << "vlmhost: --register, --unregister and --version take no FILE\n";
    return kUsageError;
  }
  switch (options.command) {
    case Command::Register: return runRegistration(options, false);
    case Command::Unregister: return runRegistration(options, true);
    case Command::Version: return runVersion(options);
    case Command::Import: break;
  }
  return options.exportEach.empty() ? runImports(options) : convertEach(options);
}

}  // namespace
}  // namespace vlm::vlmhost

int main(int argc, char** argv) {
  using namespace vlm::vlmhost;
  const ParseResult parsed = parseOptions(argc, argv);
  if (!parsed.options) {
    if (!parsed.error.empty()) std::cerr << "vlmhost: " << parsed.error << '\n';
    (parsed.exitCode == 0 ? std::cout : std::cerr) << parsed.output;
    return parsed.exitCode;
  }
  try {
    return run(*parsed.options);
  } catch (const NoDisplay& e) {
    std::cerr << "vlmhost: " << e.what() << '\n';
    return kUsageError;
  } catch (const vlm::session::HostError& e) {
    std::cerr << "vlmhost: " << e.what() << '\n';
  } catch (const vlm::RuntimeError& e) {
    std::cerr << "vlmhost: " << e.description() << '\n';
  } catch (const std::exception& e) {
    std::cerr << "vlmhost: " << e.what() << '\n';
  }
  return kShortfall;
}
