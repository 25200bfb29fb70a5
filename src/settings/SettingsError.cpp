#include "settings/SettingsError.h"

#include <cerrno>
#include <cstring>

namespace vlm {

namespace {

int32_t fileErrorNumber(int systemError) noexcept {
  const bool refused = systemError == EACCES || systemError == EPERM || systemError == EROFS;
  return refused ? err::kPermissionDenied : err::kPathFileAccess;
}

}  // namespace

void raiseSettingsError(int32_t number, std::string_view description) {
  raise(number, description, kSettingsProgId);
}

SettingsFileError::SettingsFileError(int systemError, const std::string& path)
    : RuntimeError(fileErrorNumber(systemError), std::string(kSettingsProgId),
                   classicDescription(fileErrorNumber(systemError)) + ": " + path + " (" +
                       std::strerror(systemError) + ")"),
      reason_(std::strerror(systemError)) {}

void raiseFileError(int systemError, const std::string& path) {
  throw SettingsFileError(systemError, path);
}

}  // namespace vlm
