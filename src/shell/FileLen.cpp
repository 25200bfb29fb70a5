#include "shell/FileLen.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/Error.h"

namespace vlm {

int64_t FileLen(const std::string& path) {
  if (path.empty()) raiseFileFailure(path, ENOENT);
  if (path.find('\0') != std::string::npos) raise(err::kBadFileNumber);
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) raiseFileFailure(path, errno);
  if (!S_ISREG(st.st_mode)) raiseFileFailure(path, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
  return static_cast<int64_t>(st.st_size);
}

}  // namespace vlm
