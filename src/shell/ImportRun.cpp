// The import run behind the Import button, and its error path.
//
// The run is a list of steps so that a type mismatch (error 13) resumes with the step
// after the failing one. The file dialog's cancel outcome (error 32755) returns quietly
// to idle; any other failure closes every open file, drops the objects read so far and
// shows the failure's description before returning to idle.
#include <optional>
#include <string>

#include "platform/Dispatch.h"
#include "shell/ComponentPath.h"
#include "shell/FileLen.h"
#include "shell/frmImport.h"
#include "shell/frmImportLayout.h"
#include "textio/ImportContext.h"
#include "textio/modImport.h"

namespace vlm {

using namespace frmImportControls;

namespace {

Importer& require(Importer* importer) {
  if (importer == nullptr) raise(err::kObjectVarNotSet);
  return *importer;
}

ImportContext& require(std::optional<ImportContext>& import) {
  if (!import) raise(err::kObjectVarNotSet);
  return *import;
}

}  // namespace

void frmImport::Run_Import(std::unique_ptr<Importer>& importer, std::string_view extension) {
  const std::string ext(extension);
  const std::string pathKey = pathSettingsKey(ext);
  const bool is3ds = equalsIgnoreCase(ext, "3ds");
  RegFunClient settings;
  std::string fileName;
  std::string folder;
  std::optional<ImportContext> import;
  auto onError = [&](const RuntimeError& error) {
    return runError(error, importer, settings, import ? &*import : nullptr);
  };

  // One step per line, in the order they run.
  // clang-format off
  runSteps(
      onError,
      // Running: hourglass, controls locked, progress at 0.
      [&] { toolkit().setMousePointer(ui::MousePointer::Hourglass); },
      [&] { setControlsEnabled(false); },
      [&] { form().setProgressValue(ProgressBar1, 0); },
      [&] { StopImport = false; },
      // The file, asked for in the folder saved for the format.
      [&] { settings = RegFunClient::create(); },
      [&] { form().setDialogFilter(CommonDialog1, "*." + ext + "|*." + ext); },
      [&] {
        const Variant start = settings.ReadValue(pathKey, kPathValueName, componentFolder());
        form().setDialogInitDir(CommonDialog1, start.toString());
      },
      [&] { form().showOpen(CommonDialog1); },
      [&] { fileName = form().dialogFileName(CommonDialog1); },
      [&] {
        folder = fileName;
        modImport::Get_NameFromPath(folder);
      },
      [&] { settings.WriteValue(pathKey, kPathValueName, folder); },
      // The import and the hand-over.
      [&] { form().setProgressMax(ProgressBar1, static_cast<float>(FileLen(fileName) + 1)); },
      [&] { colObject3D_ = std::make_shared<Collection>(); },
      [&] { import.emplace(fileName, chosenOptions(), *this, StopImport); },
      [&] { loadFile(importer.get(), require(import), is3ds); },
      [&] { handOver(importer.get(), require(import), is3ds); },
      [&] {
        if (is3ds) colMaterial3D_.reset();
      },
      [&] {
        colObject3D_.reset();
        importer.reset();
        settings.release();
      },
      // Closed when completed, idle again when stopped.
      [&] { finishRun(); },
      [&] { StopImport = true; },
      [&] { toolkit().setMousePointer(ui::MousePointer::Default); });
  // clang-format on
}

// The option boxes as the user left them; the run locks them while the import reads.
ImportOptions frmImport::chosenOptions() {
  return {form().checkValue(chkNorm) == 1, form().checkValue(chkSmooth) == 1,
          form().checkValue(chkAutoSmooth) == 1};
}

void frmImport::loadFile(Importer* importer, ImportContext& import, bool is3ds) {
  if (is3ds) colMaterial3D_ = std::make_shared<Collection>();
  require(importer).Load(import, colObject3D_, colMaterial3D_);
}

void frmImport::handOver(Importer* importer, const ImportContext& import, bool is3ds) {
  if (StopImport) return;
  if (is3ds) {
    Add_3DSObjectsToScene(require(importer), import.Options);
  } else {
    Add_ObjectsToScene();
  }
}

// A run that was not stopped closes the dialog; a stopped one returns it to idle.
void frmImport::finishRun() {
  if (!StopImport) {
    StopImport = true;
    form().unload();
    return;
  }
  backToIdle();
}

bool frmImport::runError(const RuntimeError& error, std::unique_ptr<Importer>& importer,
                         RegFunClient& settings, ImportContext* import) {
  ignoreFailure([&] { toolkit().setMousePointer(ui::MousePointer::Default); });
  if (error.number() == err::kTypeMismatch) return true;
  if (error.number() != err::kCancel) {
    if (import != nullptr) import->CloseAll();
    if (colObject3D_) colObject3D_->Clear();
    ignoreFailure([&] {
      toolkit().messageBox(error.description(), ui::MsgIcon::Exclamation, ui::MsgButtons::Ok,
                           kDialogTitle);
    });
  }
  StopImport = true;
  ignoreFailure([&] { backToIdle(); });
  importer.reset();
  settings.release();
  return false;
}

void frmImport::backToIdle() {
  setControlsEnabled(true);
  form().setProgressValue(ProgressBar1, 0);
}

// The controls a run locks, in the order it disables and enables them.
void frmImport::setControlsEnabled(bool enabled) {
  for (ui::ControlId control : {cmbFormat, cmdImport, chkAutoSmooth, chkNorm, chkSmooth}) {
    form().setEnabled(control, enabled);
  }
}

}  // namespace vlm
