// The toolkit's default open-file dialog: FLTK's native file chooser (GTK's when the
// system has it, else FLTK's own).
#pragma once

#include <optional>
#include <string>

#include "ui/fltk/FltkToolkit.h"

namespace vlm::ui::fltk {

// The chosen file's full path, or nullopt when the person cancelled. A chooser that
// fails raises error 5 with the chooser's own message.
std::optional<std::string> nativeFileChooser(const FileChooserRequest& request);

}  // namespace vlm::ui::fltk
