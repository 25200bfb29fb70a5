#include "session/CrLfCopy.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "session/PlugInLibrary.h"

namespace vlm::session {

namespace {

constexpr size_t kBlock = size_t{1} << 20;

std::string temporaryRoot() {
  const char* root = std::getenv("TMPDIR");
  return root && root[0] == '/' ? std::string(root) : std::string("/tmp");
}

std::string baseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Closes the descriptor when it goes out of scope.
struct Descriptor {
  int fd;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

bool writeAll(int fd, const char* bytes, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, bytes, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Copies `in` to `out` with every lone LF made CR LF; false with errno set on failure.
bool copyWithCrLf(int in, int out) {
  std::vector<char> block(kBlock), converted(2 * kBlock);
  char previous = '\0';
  for (;;) {
    const ssize_t n = ::read(in, block.data(), block.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    size_t used = 0;
    for (ssize_t i = 0; i < n; ++i) {
      const char c = block[static_cast<size_t>(i)];
      if (c == '\n' && previous != '\r') converted[used++] = '\r';
      converted[used++] = c;
      previous = c;
    }
    if (!writeAll(out, converted.data(), used)) return false;
  }
}

}  // namespace

CrLfCopy::CrLfCopy(const std::string& path) {
  std::string pattern = temporaryRoot() + "/vlmimport-crlf.XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw HostError("cannot make a CR LF copy of '" + path + "': " + pattern + ": " +
                    std::strerror(errno));
  }
  folder_ = pattern;
  path_ = folder_ + "/" + baseName(path);
  const Descriptor in{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  const Descriptor out{
      in.fd < 0 ? -1 : ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600)};
  if (out.fd < 0 || !copyWithCrLf(in.fd, out.fd)) {
    const std::string reason = std::strerror(errno);
    remove();
    throw HostError("cannot make a CR LF copy of '" + path + "' in " + temporaryRoot() + ": " +
                    reason);
  }
}

CrLfCopy::~CrLfCopy() { remove(); }

void CrLfCopy::remove() noexcept {
  ::unlink(path_.c_str());
  ::rmdir(folder_.c_str());
}

}  // namespace vlm::session
