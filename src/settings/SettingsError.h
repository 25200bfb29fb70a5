// Errors of the settings component carry its ProgID as their source.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vlm {

inline constexpr std::string_view kSettingsProgId = "RegServer.RegFun";

// Raises error `number` from the settings component, with the classic description
// unless one is given.
[[noreturn]] void raiseSettingsError(int32_t number, std::string_view description = {});

// Raises the error for a failed file operation on `path`: 70 "Permission denied" when
// the system refused access (EACCES, EPERM, EROFS), else 75 "Path/File access error";
// the description names the path and the system's reason.
[[noreturn]] void raiseFileError(int systemError, const std::string& path);

}  // namespace vlm
