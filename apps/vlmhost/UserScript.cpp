#include "UserScript.h"

#include <filesystem>

namespace vlm::vlmhost {

using ui::UserAction;

void scriptUser(ui::HeadlessToolkit& toolkit, const Options& options, const std::string& file,
                const std::string& format) {
  if (!file.empty()) {
    toolkit.whenIdle(UserAction::select("cmbFormat", formatIndex(format)));
    if (options.noNormals) toolkit.whenIdle(UserAction::setCheck("chkNorm", false));
    if (options.noSmooth) toolkit.whenIdle(UserAction::setCheck("chkSmooth", false));
    if (options.noAutoSmooth) toolkit.whenIdle(UserAction::setCheck("chkAutoSmooth", false));
    toolkit.whenIdle(UserAction::click("cmdImport"));
    // A file dialog answers with the full path, whatever the user typed.
    toolkit.answerFileDialog(std::filesystem::absolute(file).string());
  }
  toolkit.whenIdle(UserAction::click("cmdCancel"));
  if (options.cancelAfter > 0) {
    toolkit.atYield(options.cancelAfter, UserAction::click("cmdCancel"));
    toolkit.answerQuestion(ui::MsgResult::Yes);
  }
}

}  // namespace vlm::vlmhost
