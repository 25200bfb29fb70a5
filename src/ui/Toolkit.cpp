// Names for reports, and the helpers that reach the current toolkit.
#include "ui/Toolkit.h"

#include "platform/Error.h"

namespace vlm::ui {

void invalidPropertyValue() { raise(kInvalidPropertyValue, "Invalid property value"); }

std::string_view iconName(MsgIcon icon) noexcept {
  switch (icon) {
    case MsgIcon::None: return "none";
    case MsgIcon::Critical: return "critical";
    case MsgIcon::Question: return "question";
    case MsgIcon::Exclamation: return "exclamation";
    case MsgIcon::Information: return "information";
  }
  return "?";
}

std::string_view buttonsName(MsgButtons buttons) noexcept {
  switch (buttons) {
    case MsgButtons::Ok: return "ok";
    case MsgButtons::YesNo: return "yesno";
  }
  return "?";
}

std::string_view resultName(MsgResult result) noexcept {
  switch (result) {
    case MsgResult::Ok: return "ok";
    case MsgResult::Yes: return "yes";
    case MsgResult::No: return "no";
  }
  return "?";
}

std::string_view pointerName(MousePointer pointer) noexcept {
  switch (pointer) {
    case MousePointer::Default: return "default";
    case MousePointer::Hourglass: return "hourglass";
  }
  return "?";
}

Toolkit& requireToolkit() {
  Toolkit* current = toolkit();
  if (current == nullptr) {
    raise(err::kCantCreateObject, "No dialog toolkit is installed by the host program");
  }
  return *current;
}

MsgResult messageBox(std::string_view prompt, MsgIcon icon, MsgButtons buttons,
                     std::string_view title) {
  // A message box without a title of its own shows the component's name, as every
  // message box of a component does by default.
  if (title.empty()) title = kDefaultSource;
  return requireToolkit().messageBox(prompt, icon, buttons, title);
}

}  // namespace vlm::ui
