// The controls of the import dialog frmImport: their ids and the form's description.
#pragma once

#include <string_view>

#include "ui/FormLayout.h"

namespace vlm {

// Every message box of the component carries this title; it is also the window's.
inline constexpr std::string_view kDialogTitle = "VLMImport";

// The ids of frmImport's controls: their positions in the description, which lists
// them bottom to top (the empty options frame lies on top of the other two at start).
namespace frmImportControls {
enum Id : ui::ControlId {
  fraWaveFront,
  chkNorm,
  chkSmooth,
  fra3DStudio,
  chkAutoSmooth,
  fraNoOptions,
  Label1,
  cmbFormat,
  cmdImport,
  cmdCancel,
  ProgressBar1,
  CommonDialog1,
  kControlCount
};
}  // namespace frmImportControls

// Texts, positions in twips, tab order and start states of the dialog.
const ui::FormLayout& frmImportLayout();

}  // namespace vlm
