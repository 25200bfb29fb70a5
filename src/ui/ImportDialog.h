// What an import reaches of the dialog that runs it while it reads: the progress bar, the
// yield to the message loop and a message box of its own.
//
// frmImport implements IImportDialog and lends itself to each import it runs (through the
// import context); tests and benchmarks lend a double. Importers never include the shell
// or a toolkit.
#pragma once

#include <cstdint>
#include <string_view>

#include "ui/ProgressBar.h"

namespace vlm::ui {

class IImportDialog {
 public:
  virtual ~IImportDialog() = default;
  virtual float progressMax() = 0;                 // ProgressBar1.Max
  virtual void setProgressValue(float value) = 0;  // ProgressBar1.Value
  // ProgressBar1 itself, when the dialog lends it out (the real dialog does), or nullptr
  // when every value must go through the two calls above (a double that records them).
  virtual ProgressBarState* progressBar() { return nullptr; }
  // Yields to the message loop once: pending dialog events (Cancel, the close box) run
  // here. Called after every line, so it costs next to nothing when nothing is due.
  virtual void DoEvents() = 0;
  // A message box with `message` alone (no icon, an OK button, the component's title).
  virtual void showMessage(std::string_view message) = 0;
};

// ProgressBar1 as an importer drives it once per record: a compare and a store when the
// dialog lends its bar, the dialog's calls otherwise.
class ProgressReport {
 public:
  explicit ProgressReport(IImportDialog& dialog)
      : dialog_(dialog), bar_(dialog.progressBar()) {}

  // If done <= ProgressBar1.Max Then ProgressBar1.Value = done
  void showWithin(double done) {
    if (bar_ != nullptr) {
      if (done <= static_cast<double>(bar_->max)) bar_->set(static_cast<float>(done));
    } else if (done <= static_cast<double>(dialog_.progressMax())) {
      dialog_.setProgressValue(static_cast<float>(done));
    }
  }
  // ProgressBar1.Value = done (error 380 beyond the bar's maximum)
  void show(double done) {
    if (bar_ != nullptr) {
      bar_->set(static_cast<float>(done));
    } else {
      dialog_.setProgressValue(static_cast<float>(done));
    }
  }

 private:
  IImportDialog& dialog_;
  ProgressBarState* bar_;
};

}  // namespace vlm::ui
