#include "import3ds/ComponentFolder.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <system_error>

#include "platform/Error.h"

namespace vlm::import3ds {

namespace {

// A symbol of this code for dladdr to place.
void anchor() {}

std::string modulePath() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&anchor), &info) != 0 && info.dli_fname != nullptr &&
      info.dli_fname[0] != '\0') {
    char resolved[PATH_MAX];
    if (::realpath(info.dli_fname, resolved) != nullptr) return resolved;
    return info.dli_fname;
  }
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

std::string folderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Found when the module is loaded: the loader may know it by a path relative to the
// current folder of that moment, which the first import changes.
const std::string loadedFrom = folderOf(modulePath());

}  // namespace

std::string componentFolder() { return loadedFrom; }

void changeToComponentFolder() {
  const std::string folder = componentFolder();
  if (::chdir(folder.c_str()) != 0) {
    const std::string reason = std::generic_category().message(errno);
    raise(err::kPathNotFound, "Path not found: " + folder + " (" + reason + ")");
  }
}

}  // namespace vlm::import3ds
