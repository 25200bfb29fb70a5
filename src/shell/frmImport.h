// frmImport: the modal import dialog, its event handlers, the import run and the
// hand-over of the imported objects to the host scene.
//
// The dialog drives its controls through the host's dialog toolkit (ui/Toolkit.h) and
// lends itself to each import it runs (ui/ImportDialog.h): its progress bar, its yield and
// its message boxes, through the import context the run makes.
// Event handlers live in frmImport.cpp, the run with its error path in ImportRun.cpp,
// the two hand-overs in SceneHandOver.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Collection.h"
#include "platform/Error.h"
#include "platform/Variant.h"
#include "shell/FormatTable.h"
#include "shell/Importer.h"
#include "shell/RegFunClient.h"
#include "textio/ImportContext.h"
#include "ui/ImportDialog.h"
#include "ui/Toolkit.h"

namespace vlm {

class frmImport final : public ui::IImportDialog, private ui::FormEvents {
 public:
  // The dialog offers `formats` in its list.
  explicit frmImport(FormatTable formats = formatTable());
  ~frmImport() override;
  frmImport(const frmImport&) = delete;
  frmImport& operator=(const frmImport&) = delete;

  // The properties ExecutePlugIn uses.
  void setObjScene(ObjectRef scene) { objScene_ = std::move(scene); }
  const ObjectRef& objScene() const noexcept { return objScene_; }
  int32_t SelectedObject() const noexcept { return SelectedObject_; }
  // StopImport: true when no import runs or the user asked the running one to stop.
  bool stopImport() const noexcept { return StopImport; }

  // Loads the dialog and shows it modally; returns when it has closed. Error 429 when
  // the host installed no dialog toolkit.
  void Show();

  // What an import reaches: ProgressBar1 (error 91 before the dialog has been loaded), the
  // yield and message boxes. The bar is lent out once loaded (nullptr before): the
  // importers set it once per record, and the toolkit shows what it holds when it next
  // runs events.
  float progressMax() override;
  void setProgressValue(float value) override;
  ui::ProgressBarState* progressBar() override { return bar_; }
  // Called after every line: the toolkit is the one the dialog was loaded with, if it was.
  void DoEvents() override { (toolkit_ != nullptr ? *toolkit_ : toolkit()).doEvents(); }
  void showMessage(std::string_view message) override;

 private:
  // The toolkit's events, each running one handler; a failure that escapes a handler
  // is shown in a message box, as the runtime does for untrapped errors.
  void onLoad() noexcept override;
  void onClick(ui::ControlId control) noexcept override;
  bool onQueryUnload() noexcept override;
  void onUnload() noexcept override;
  void showUntrapped(const RuntimeError& error) noexcept;

  // Event handlers (frmImport.cpp).
  void Form_Load();
  void cmbFormat_Click();
  void cmdImport_Click();
  void cmdCancel_Click();
  bool Form_QueryUnload();  // true lets the dialog close
  void Form_Unload();
  bool askStopImport();  // "Do you want to stop Import?" answered Yes

  // The import run and its error path (ImportRun.cpp).
  void Run_Import(std::unique_ptr<Importer>& importer, std::string_view extension);
  ImportOptions chosenOptions();
  void loadFile(Importer* importer, ImportContext& import, bool is3ds);
  void handOver(Importer* importer, const ImportContext& import, bool is3ds);
  void finishRun();
  // `import`: the run's import context, nullptr before there is one.
  bool runError(const RuntimeError& error, std::unique_ptr<Importer>& importer,
                RegFunClient& settings, ImportContext* import);
  void setControlsEnabled(bool enabled);
  void backToIdle();

  // The hand-overs (SceneHandOver.cpp).
  void Add_ObjectsToScene();
  void Add_3DSObjectsToScene(Importer& importer, const ImportOptions& options);

  ui::Form& form();
  ui::Toolkit& toolkit();

  FormatTable formats_;
  ui::Toolkit* toolkit_ = nullptr;
  std::unique_ptr<ui::Form> form_;
  ui::ProgressBarState* bar_ = nullptr;  // ProgressBar1 of form_
  ObjectRef objScene_;
  int32_t SelectedObject_ = 0;
  // True when no import runs or the user asked the running one to stop; the running
  // import's context reads it.
  bool StopImport = false;
  CollectionRef colObject3D_;
  CollectionRef colMaterial3D_;
};

// The single dialog instance: created with `formats` on first use, destroyed by
// releaseFrmImport().
frmImport& frmImportInstance(FormatTable formats = formatTable());
void releaseFrmImport() noexcept;

}  // namespace vlm
