#include "session/UserScript.h"

#include <filesystem>

namespace vlm::session {

using ui::UserAction;

void scriptUser(ui::HeadlessToolkit& toolkit, const ImportChoices& choices, const std::string& file,
                const std::string& format) {
  if (!file.empty()) {
    toolkit.whenIdle(UserAction::select("cmbFormat", formatIndex(format)));
    if (!choices.normals) toolkit.whenIdle(UserAction::setCheck("chkNorm", false));
    if (!choices.smooth) toolkit.whenIdle(UserAction::setCheck("chkSmooth", false));
    if (!choices.autoSmooth) toolkit.whenIdle(UserAction::setCheck("chkAutoSmooth", false));
    toolkit.whenIdle(UserAction::click("cmdImport"));
    // A file dialog answers with the full path, whatever the user typed.
    toolkit.answerFileDialog(std::filesystem::absolute(file).string());
  }
  toolkit.whenIdle(UserAction::click("cmdCancel"));
  if (choices.cancelAfter > 0) {
    toolkit.atYield(choices.cancelAfter, UserAction::click("cmdCancel"));
    toolkit.answerQuestion(ui::MsgResult::Yes);
  }
}

}  // namespace vlm::session
