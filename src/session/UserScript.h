// What the scripted user does in the import dialog.
#pragma once

#include <string>

#include "session/ImportSession.h"
#include "ui/HeadlessToolkit.h"

namespace vlm::session {

// With a file: choose `format` (an extension of the list), untick the boxes the choices
// turn off, press Import, answer the file dialog with the file's full path, and press
// Cancel should the dialog still be open afterwards. Without a file (empty): press Cancel
// at once. With choices.cancelAfter N: press Cancel at the N-th yield and answer Yes.
void scriptUser(ui::HeadlessToolkit& toolkit, const ImportChoices& choices, const std::string& file,
                const std::string& format);

}  // namespace vlm::session
