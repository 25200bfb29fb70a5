// Preselecting a file for the import dialog: the host names a file before ExecutePlugIn,
// and the dialog opens with its format chosen and its folder in the open-file dialog.
#pragma once

#include <string_view>

#include "shell/FormatTable.h"

namespace vlm {

// Stores `file`'s format, the row of `formats` with `extension` (any letter case), and
// its folder as the choices the dialog remembers (see RegFunClient.h), written as the
// dialog itself writes them. Error 5 for an unknown format or a file without a folder;
// the settings component's errors otherwise.
void preselectFile(FormatTable formats, std::string_view file, std::string_view extension);

}  // namespace vlm
