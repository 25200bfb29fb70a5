#include "settings/RegistryFile.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <vector>

#include "settings/SettingsError.h"

namespace vlm {

namespace {

constexpr std::string_view kFolderName = "vlmimport";
constexpr std::string_view kFileName = "registry.ini";

std::string_view environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string_view(value) : std::string_view();
}

std::string homeFolder() {
  std::string_view home = environment("HOME");
  if (home.empty()) {
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) home = entry->pw_dir;
  }
  return std::string(home);
}

// Closes the descriptor when it goes out of scope.
class FileHandle {
 public:
  explicit FileHandle(int fd) : fd_(fd) {}
  ~FileHandle() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  int get() const noexcept { return fd_; }
  // Closes now, so that a failing close can be reported; returns close's result.
  int close() noexcept {
    const int result = ::close(fd_);
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

void writeAll(int fd, std::string_view bytes, const std::string& path) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      raiseFileError(errno, path);
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
}

std::string parentFolder(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::string registryFilePath() {
  std::string base(environment("XDG_CONFIG_HOME"));
  if (base.empty() || base.front() != '/') base = homeFolder() + "/.config";
  std::string path = std::move(base);
  path += '/';
  path += kFolderName;
  path += '/';
  path += kFileName;
  return path;
}

std::string readRegistryFile(const std::string& path) {
  // Non-blocking, so that a pipe placed where the file should be cannot hang the open.
  FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (file.get() < 0) {
    if (errno == ENOENT) return {};
    raiseFileError(errno, path);
  }
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) raiseFileError(errno, path);
  if (S_ISDIR(info.st_mode)) raiseFileError(EISDIR, path);
  if (!S_ISREG(info.st_mode)) raiseFileError(EINVAL, path);
  // Read through a small buffer: the file is a few hundred bytes and is read at every
  // import, so growing the string by large zero-filled steps would cost more than the read.
  std::string bytes;
  std::array<char, 4096> chunk;
  for (;;) {
    if (bytes.size() > kMaxRegistryFileBytes) raiseFileError(EFBIG, path);
    const ssize_t got = ::read(file.get(), chunk.data(), chunk.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) raiseFileError(errno, path);
    if (got == 0) return bytes;
    bytes.append(chunk.data(), static_cast<size_t>(got));
  }
}

void createFolders(const std::string& folder) {
  for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) raiseFileError(errno, part);
    if (slash == std::string::npos) return;
  }
}

std::string writeTempFile(const std::string& path, std::string_view bytes) {
  std::string pattern = path + ".tmp.XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  FileHandle file(::mkostemp(name.data(), O_CLOEXEC));
  if (file.get() < 0) raiseFileError(errno, path);
  const std::string tempPath(name.data());
  try {
    writeAll(file.get(), bytes, tempPath);
    if (::fsync(file.get()) != 0) raiseFileError(errno, tempPath);
    if (file.close() != 0) raiseFileError(errno, tempPath);
  } catch (...) {
    ::unlink(tempPath.c_str());
    throw;
  }
  return tempPath;
}

void commitTempFile(const std::string& tempPath, const std::string& path) {
  if (::rename(tempPath.c_str(), path.c_str()) != 0) raiseFileError(errno, path);
  // The rename is done; flushing the folder makes it survive a power cut. A folder that
  // cannot be flushed changes nothing about the result, so its failure is not reported.
  FileHandle folder(::open(parentFolder(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() >= 0) ::fsync(folder.get());
}

void replaceFile(const std::string& path, std::string_view bytes) {
  createFolders(parentFolder(path));
  const std::string tempPath = writeTempFile(path, bytes);
  try {
    commitTempFile(tempPath, path);
  } catch (...) {
    ::unlink(tempPath.c_str());
    throw;
  }
}

}  // namespace vlm
