// What the importers reach of the single import dialog while they read: the progress
// bar and the two OBJ option boxes, plus the yield to the message loop.
//
// frmImport implements IImportDialog and installs itself while it exists; tests
// install a double. Importers never include the shell or a toolkit.
#pragma once

#include <cstdint>

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
  virtual int16_t chkNormValue() = 0;              // 1 when "Import Normals" is checked
  virtual int16_t chkSmoothValue() = 0;            // 1 when "Smooth all Normal Group" is checked
};

// The single dialog instance; error 91 when none exists.
IImportDialog& importDialog();
// Installs (or with nullptr removes) the single dialog instance.
void setImportDialog(IImportDialog* dialog) noexcept;

// ProgressBar1 as an importer drives it once per record: a compare and a store when the
// dialog lends its bar, the dialog's calls otherwise. It finds the dialog at its first
// report (error 91 when there is none), so make a fresh one for every import.
class ProgressReport {
 public:
  // If done <= ProgressBar1.Max Then ProgressBar1.Value = done
  void showWithin(double done) {
    if (dialog_ == nullptr) bind();
    if (bar_ != nullptr) {
      if (done <= static_cast<double>(bar_->max)) bar_->set(static_cast<float>(done));
    } else if (done <= static_cast<double>(dialog_->progressMax())) {
      dialog_->setProgressValue(static_cast<float>(done));
    }
  }
  // ProgressBar1.Value = done (error 380 beyond the bar's maximum)
  void show(double done) {
    if (dialog_ == nullptr) bind();
    if (bar_ != nullptr) {
      bar_->set(static_cast<float>(done));
    } else {
      dialog_->setProgressValue(static_cast<float>(done));
    }
  }

 private:
  void bind();

  IImportDialog* dialog_ = nullptr;
  ProgressBarState* bar_ = nullptr;
};

// Yields to the message loop once: pending dialog events (Cancel, the close box) run
// here. Costs next to nothing when nothing is due.
void DoEvents();

}  // namespace vlm::ui
