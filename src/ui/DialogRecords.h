// What a toolkit records of the dialogs a user saw: message boxes and open-file
// dialogs, with the answer given. Host programs report them; tests compare them.
#pragma once

#include <string>

#include "ui/Toolkit.h"

namespace vlm::ui {

struct MessageRecord {
  std::string text;
  MsgIcon icon = MsgIcon::None;
  MsgButtons buttons = MsgButtons::Ok;
  std::string title;
  MsgResult answer = MsgResult::Ok;
};

struct FileDialogRecord {
  std::string filter;
  std::string initDir;
  bool cancelled = false;
  std::string fileName;  // the answer, when not cancelled
};

}  // namespace vlm::ui
