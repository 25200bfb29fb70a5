#include "GuiDialog.h"

#include <filesystem>

#include "Options.h"
#include "settings/SettingsStore.h"

namespace vlm::vlmhost {

namespace {

// Where the dialog keeps the last format and, per format, the last folder.
constexpr std::string_view kDialogKey = "SOFTWARE\\Hollavent\\VLMImport";

std::string upper(std::string text) {
  for (char& c : text) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  return text;
}

}  // namespace

std::unique_ptr<ui::FltkToolkit> openDisplay() {
  std::string whyNot;
  std::unique_ptr<ui::FltkToolkit> toolkit = ui::FltkToolkit::open(whyNot);
  if (!toolkit) throw NoDisplay("cannot show the dialog: " + whyNot);
  return toolkit;
}

void preselect(const std::string& file, const std::string& format) {
  const std::filesystem::path full = std::filesystem::absolute(file);
  std::string folder = full.parent_path().string();
  if (folder.empty() || folder.back() != '/') folder += '/';
  setRegistryValue(RegistryRoot::LocalMachine, kDialogKey, "FileFormat",
                   Variant(static_cast<int16_t>(formatIndex(format))));
  setRegistryValue(RegistryRoot::LocalMachine, std::string(kDialogKey) + "\\" + upper(format),
                   "Path", Variant(std::string_view(folder)));
}

std::string chosenFile(const ui::FltkToolkit& toolkit) {
  const auto& dialogs = toolkit.fileDialogs();
  for (auto it = dialogs.rbegin(); it != dialogs.rend(); ++it) {
    if (!it->cancelled) return it->fileName;
  }
  return {};
}

}  // namespace vlm::vlmhost
