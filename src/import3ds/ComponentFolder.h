// The 3DS importer reads with the component's own folder as the current folder, as the
// importer has always done before it opens the file.
#pragma once

#include <string>

namespace vlm::import3ds {

// The folder of the library (or program) holding this code, without a trailing "/".
std::string componentFolder();

// Makes componentFolder() the process's current folder. Error 76 when that fails.
void changeToComponentFolder();

}  // namespace vlm::import3ds
