// Root reads every file and writes into every folder, so a check that access is refused
// proves nothing when the tests run as root (as they do on the CI machine). While an
// OrdinaryUser lives, such a process acts as the unprivileged user "nobody": only the
// effective ids change, so root comes back when it ends. The folders given are made
// passable for that user meanwhile (search permission only). For any other user it
// changes nothing.
#pragma once

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
  }
  ~OrdinaryUser() {
    if (switched_) {
      [[maybe_unused]] const int user = ::seteuid(0);
      [[maybe_unused]] const int group = ::setegid(0);
    }
    for (const auto& [folder, mode] : opened_) ::chmod(folder.c_str(), mode);
  }
  OrdinaryUser(const OrdinaryUser&) = delete;
  OrdinaryUser& operator=(const OrdinaryUser&) = delete;

  // False when the process could not leave root behind: the check would prove nothing.
  bool restricted() const noexcept { return ::geteuid() != 0; }

 private:
  static constexpr uid_t kNobody = 65534;
  std::vector<std::pair<std::string, mode_t>> opened_;
  bool switched_ = false;
};

}  // namespace vlm::test
