// frmImport's lifetime, properties and event handlers: load, format change, Import,
// Cancel, the close request and the closing step.
#include "shell/frmImport.h"

#include "shell/frmImportLayout.h"

namespace vlm {

using namespace frmImportControls;

namespace {

constexpr std::string_view kSelectFormat = "Select first a File Format!";
constexpr std::string_view kStopQuestion = "Do you want to stop Import?";

std::unique_ptr<frmImport> theInstance;

}  // namespace

frmImport& frmImportInstance(FormatTable formats) {
  if (!theInstance) theInstance = std::make_unique<frmImport>(formats);
  return *theInstance;
}

void releaseFrmImport() noexcept { theInstance.reset(); }

frmImport::frmImport(FormatTable formats) : formats_(formats) {}

frmImport::~frmImport() {
  bar_ = nullptr;
  form_.reset();
}

void frmImport::Show() {
  toolkit_ = &ui::requireToolkit();
  form_ = toolkit_->createForm(frmImportLayout(), *this);
  bar_ = &form_->progressBar(ProgressBar1);
  form_->showModal();
}

ui::Form& frmImport::form() {
  if (!form_) raise(err::kObjectVarNotSet);
  return *form_;
}

ui::Toolkit& frmImport::toolkit() { return toolkit_ ? *toolkit_ : ui::requireToolkit(); }

// --- What an import reaches ------------------------------------------------------------

float frmImport::progressMax() { return form().progressMax(ProgressBar1); }
void frmImport::setProgressValue(float value) { form().setProgressValue(ProgressBar1, value); }

// The component's name is its title, as for any message box the component shows.
void frmImport::showMessage(std::string_view message) {
  toolkit().messageBox(message, ui::MsgIcon::None, ui::MsgButtons::Ok, kDialogTitle);
}

// --- Events ----------------------------------------------------------------------------------

void frmImport::showUntrapped(const RuntimeError& error) noexcept {
  ignoreFailure([&] {
    toolkit().messageBox(error.description(), ui::MsgIcon::Exclamation, ui::MsgButtons::Ok,
                         kDialogTitle);
  });
}

void frmImport::onLoad() noexcept {
  try {
    Form_Load();
  } catch (...) {
    showUntrapped(currentError());
  }
}

void frmImport::onClick(ui::ControlId control) noexcept {
  try {
    switch (control) {
      case cmbFormat: cmbFormat_Click(); break;
      case cmdImport: cmdImport_Click(); break;
      case cmdCancel: cmdCancel_Click(); break;
      default: break;
    }
  } catch (...) {
    showUntrapped(currentError());
  }
}

bool frmImport::onQueryUnload() noexcept {
  try {
    return Form_QueryUnload();
  } catch (...) {
    showUntrapped(currentError());
    return false;
  }
}

void frmImport::onUnload() noexcept {
  try {
    Form_Unload();
  } catch (...) {
    showUntrapped(currentError());
  }
}

// --- Handlers --------------------------------------------------------------------------------

// Every step's failure is ignored and the next step runs.
void frmImport::Form_Load() {
  ignoreFailure([&] { StopImport = true; });
  ignoreFailure([&] { SelectedObject_ = -1; });
  ignoreFailure([&] {
    for (const FormatRow& row : formats_) form().addItem(cmbFormat, row.listText);
  });
  RegFunClient settings;
  ignoreFailure([&] { settings = RegFunClient::create(); });
  ignoreFailure([&] {
    const Variant saved = settings.ReadValue(kSettingsKey, kFormatValueName, Variant(int16_t{0}));
    form().setListIndex(cmbFormat, saved.toInteger());
  });
  settings.release();
}

void frmImport::cmbFormat_Click() {
  const int32_t index = form().listIndex(cmbFormat);
  if (index < 0 || static_cast<size_t>(index) >= formats_.size()) return;
  form().bringToFront(formats_[static_cast<size_t>(index)].optionsFrame);
}

void frmImport::cmdImport_Click() {
  const int32_t index = form().listIndex(cmbFormat);
  if (index < 0 || static_cast<size_t>(index) >= formats_.size()) {
    toolkit().messageBox(kSelectFormat, ui::MsgIcon::Information, ui::MsgButtons::Ok, kDialogTitle);
    return;
  }
  const FormatRow& row = formats_[static_cast<size_t>(index)];
  std::unique_ptr<Importer> importer;
  try {
    importer = createImporter(row);
  } catch (...) {
    // A class that cannot be created fails as any step of the run does.
    RegFunClient noSettings;
    if (!runError(currentError(), importer, noSettings, nullptr)) return;
  }
  Run_Import(importer, row.extension);
}

void frmImport::cmdCancel_Click() {
  if (StopImport) {
    form().unload();
    return;
  }
  if (askStopImport()) StopImport = true;
}

bool frmImport::Form_QueryUnload() {
  if (StopImport) return true;
  if (askStopImport()) StopImport = true;
  return false;
}

void frmImport::Form_Unload() {
  RegFunClient settings = RegFunClient::create();
  settings.WriteValue(kSettingsKey, kFormatValueName,
                      Variant(static_cast<int16_t>(form().listIndex(cmbFormat))));
}

bool frmImport::askStopImport() {
  return toolkit().messageBox(kStopQuestion, ui::MsgIcon::None, ui::MsgButtons::YesNo,
                              kDialogTitle) == ui::MsgResult::Yes;
}

}  // namespace vlm
