// The single import dialog instance and the yield to the message loop.
#include "ui/ImportDialog.h"

#include "platform/Error.h"
#include "ui/Toolkit.h"

namespace vlm::ui {

namespace {
IImportDialog* currentDialog = nullptr;
}  // namespace

IImportDialog& importDialog() {
  if (currentDialog == nullptr) raise(err::kObjectVarNotSet);
  return *currentDialog;
}

void setImportDialog(IImportDialog* dialog) noexcept { currentDialog = dialog; }

void ProgressReport::bind() {
  dialog_ = &importDialog();
  bar_ = dialog_->progressBar();
}

void DoEvents() {
  if (Toolkit* current = toolkit()) current->doEvents();
}

}  // namespace vlm::ui
