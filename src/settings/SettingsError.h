// Errors of the settings component carry its ProgID as their source.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Error.h"

namespace vlm {

inline constexpr std::string_view kSettingsProgId = "RegServer.RegFun";

// Raises error `number` from the settings component, with the classic description
// unless one is given.
[[noreturn]] void raiseSettingsError(int32_t number, std::string_view description = {});

// A failed file operation on `path`: 70 "Permission denied" when the system refused
// access (EACCES, EPERM, EROFS), else 75 "Path/File access error"; the description names
// the path and the system's reason, which is also kept alone for the store's own warning.
class SettingsFileError : public RuntimeError {
 public:
  SettingsFileError(int systemError, const std::string& path);
  // The system's words, e.g. "Permission denied".
  const std::string& reason() const noexcept { return reason_; }

 private:
  std::string reason_;
};

// Throws SettingsFileError.
[[noreturn]] void raiseFileError(int systemError, const std::string& path);

}  // namespace vlm
