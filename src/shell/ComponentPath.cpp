#include "shell/ComponentPath.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

namespace vlm {

namespace {

// A symbol of this library for dladdr to place.
void anchor() {}

std::string programPath() {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

}  // namespace

std::string componentPath() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&anchor), &info) == 0 || info.dli_fname == nullptr ||
      info.dli_fname[0] == '\0') {
    return programPath();
  }
  char resolved[PATH_MAX];
  if (::realpath(info.dli_fname, resolved) != nullptr) return resolved;
  return info.dli_fname;
}

std::string componentFolder() {
  const std::string path = componentPath();
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace vlm
