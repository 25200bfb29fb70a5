// The length of a file named by its path, without opening it.
#pragma once

#include <cstdint>
#include <string>

namespace vlm {

// The length in bytes. Errors as when opening the file: 53 when it does not exist, 76
// when a folder on the way is missing, 70 without permission, 75 for a folder or any
// other failure; the description names the path and the system's reason.
int64_t FileLen(const std::string& path);

}  // namespace vlm
