#include "GuiDialog.h"

namespace vlm::vlmhost {

std::unique_ptr<ui::FltkToolkit> openDisplay(const std::string& what) {
  std::string whyNot;
  std::unique_ptr<ui::FltkToolkit> toolkit = ui::FltkToolkit::open(whyNot);
  if (!toolkit) throw NoDisplay("cannot show " + what + ": " + whyNot);
  return toolkit;
}

std::string chosenFile(const ui::FltkToolkit& toolkit) {
  const auto& dialogs = toolkit.fileDialogs();
  for (auto it = dialogs.rbegin(); it != dialogs.rend(); ++it) {
    if (!it->cancelled) return it->fileName;
  }
  return {};
}

void importInWindow(session::ImportSession& session, ImportRecord& record, ui::FltkToolkit& window,
                    const Options& options) {
  session.runWith(window, record);
  record.file = chosenFile(window);
  record.path = record.file;
  record.format = record.file.empty() ? std::string() : resolveFormat(options, record.file);
  record.messages = window.messages();
  session.finish(record, importChoices(options));
}

}  // namespace vlm::vlmhost
