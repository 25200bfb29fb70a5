#include "shell/FileLen.h"

#include <sys/stat.h>

#include <cerrno>
#include <system_error>

#include "platform/Error.h"

namespace vlm {

namespace {

int32_t errorNumber(int systemError) noexcept {
  switch (systemError) {
    case ENOENT: return err::kFileNotFound;
    case ENOTDIR: return err::kPathNotFound;
    case EACCES:
    case EPERM: return err::kPermissionDenied;
    default: return err::kPathFileAccess;
  }
}

[[noreturn]] void raiseFailure(const std::string& path, int systemError) {
  const int32_t number = errorNumber(systemError);
  raise(number, classicDescription(number) + ": " + path + " (" +
                    std::generic_category().message(systemError) + ")");
}

}  // namespace

int64_t FileLen(const std::string& path) {
  if (path.empty()) raiseFailure(path, ENOENT);
  if (path.find('\0') != std::string::npos) raise(err::kBadFileNumber);
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) raiseFailure(path, errno);
  if (!S_ISREG(st.st_mode)) raiseFailure(path, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
  return static_cast<int64_t>(st.st_size);
}

}  // namespace vlm
