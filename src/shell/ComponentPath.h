// Where the component was loaded from, found with dladdr on a symbol of its own.
#pragma once

#include <string>

namespace vlm {

// The full path of the library holding this code (the program's, when the code is
// linked into a program).
std::string componentPath();

// The folder of componentPath(), without a trailing separator ("/opt/velmo/plugins").
std::string componentFolder();

}  // namespace vlm
