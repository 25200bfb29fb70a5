// Root reads every file and writes into every folder, so a check that access is refused
// proves nothing when the tests run as root (as they do on the CI machine). While an
// OrdinaryUser lives, such a process acts as the unprivileged user "nobody": only the
// effective ids change, so root comes back when it ends. The folders given are made
// passable for that user meanwhile (search permission only). For any other user it
// changes nothing.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

namespace vlm::test {

class OrdinaryUser {
 public:
  explicit OrdinaryUser(const std::vector<std::string>& passable = {}) {
    if (::geteuid() != 0) return;
    for (const std::string& folder : passable) {
      struct stat info;
      if (::stat(folder.c_str(), &info) != 0) continue;
      const mode_t mode = info.st_mode & 07777;
      opened_.emplace_back(folder, mode);
      ::chmod(folder.c_str(), mode | S_IXGRP | S_IXOTH);
    }
    switched_ = ::setegid(kNobody) == 0 && ::seteuid(kNobody) == 0;
    // A temporary folder inside one the user may not enter (TMPDIR below a private
    // home) leaves nothing to check: root comes back and restricted() says so.
    for (const auto& [folder, mode] : opened_) {
      if (switched_ && ::faccessat(AT_FDCWD, folder.c_str(), X_OK, AT_EACCESS) != 0) restore();
    }
  }
  ~OrdinaryUser() {
    restore();
    for (const auto& [folder, mode] : opened_) ::chmod(folder.c_str(), mode);
  }
  OrdinaryUser(const OrdinaryUser&) = delete;
  OrdinaryUser& operator=(const OrdinaryUser&) = delete;

  // False when the process is still root: it could not act as the user, or the user
  // could not reach the folders. A check of refused access would prove nothing then.
  bool restricted() const noexcept { return ::geteuid() != 0; }

 private:
  void restore() noexcept {
    if (!switched_) return;
    [[maybe_unused]] const int user = ::seteuid(0);
    [[maybe_unused]] const int group = ::setegid(0);
    switched_ = false;
  }

  static constexpr uid_t kNobody = 65534;
  std::vector<std::pair<std::string, mode_t>> opened_;
  bool switched_ = false;
};

}  // namespace vlm::test
