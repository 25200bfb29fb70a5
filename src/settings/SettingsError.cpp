#include "settings/SettingsError.h"

#include <cerrno>
#include <cstring>

#include "platform/Error.h"

namespace vlm {

void raiseSettingsError(int32_t number, std::string_view description) {
  raise(number, description, kSettingsProgId);
}

void raiseFileError(int systemError, const std::string& path) {
  const bool refused = systemError == EACCES || systemError == EPERM || systemError == EROFS;
  const int32_t number = refused ? err::kPermissionDenied : err::kPathFileAccess;
  raiseSettingsError(
      number, classicDescription(number) + ": " + path + " (" + std::strerror(systemError) + ")");
}

}  // namespace vlm
