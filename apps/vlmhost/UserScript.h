// What vlmhost's scripted user does in the import dialog.
#pragma once

#include <string>

#include "Options.h"
#include "ui/HeadlessToolkit.h"

namespace vlm::vlmhost {

// With a file: choose `format` (an extension of the list), untick the boxes the options
// name, press Import, answer the file dialog with the file's full path, and press Cancel
// should the dialog still be open afterwards. Without a file (empty): press Cancel at
// once. With --cancel-after N: press Cancel at the N-th yield and answer Yes.
void scriptUser(ui::HeadlessToolkit& toolkit, const Options& options, const std::string& file,
                const std::string& format);

}  // namespace vlm::vlmhost
