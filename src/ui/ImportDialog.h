// What the importers reach of the single import dialog while they read: the progress
// bar and the two OBJ option boxes, plus the yield to the message loop.
//
// frmImport implements IImportDialog and installs itself while it exists; tests
// install a double. Importers never include the shell or a toolkit.
#pragma once

#include <cstdint>

namespace vlm::ui {

class IImportDialog {
 public:
  virtual ~IImportDialog() = default;
  virtual float progressMax() = 0;                 // ProgressBar1.Max
  virtual void setProgressValue(float value) = 0;  // ProgressBar1.Value
  virtual int16_t chkNormValue() = 0;              // 1 when "Import Normals" is checked
  virtual int16_t chkSmoothValue() = 0;            // 1 when "Smooth all Normal Group" is checked
};

// The single dialog instance; error 91 when none exists.
IImportDialog& importDialog();
// Installs (or with nullptr removes) the single dialog instance.
void setImportDialog(IImportDialog* dialog) noexcept;

// Yields to the message loop once: pending dialog events (Cancel, the close box) run
// here. Costs next to nothing when nothing is due.
void DoEvents();

}  // namespace vlm::ui
