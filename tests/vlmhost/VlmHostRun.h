// Runs the built vlmhost the way a person would: in a folder of the test's own, with a
// private settings folder, stdout and stderr kept apart.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace vlm::testing {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

// `arg` quoted for the shell.
inline std::string quoted(const std::string& arg) {
  std::string q = "'";
  for (char c : arg) q += (c == '\'') ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

inline std::string slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A fixture with a fresh folder, removed afterwards; vlmhost runs in it.
class VlmHostFolder : public ::testing::Test {
 protected:
  VlmHostFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vlmhost-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    folder_ = pattern;
  }
  ~VlmHostFolder() override {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  Outcome run(const std::vector<std::string>& args) {
    std::string command = "cd " + quoted(folder_.string()) +
                          " && XDG_CONFIG_HOME=" + quoted((folder_ / "config").string()) + " " +
                          quoted(VLMHOST_PATH);
    for (const std::string& a : args) command += " " + quoted(a);
    command += " >" + quoted((folder_ / "out").string()) + " 2>" +
               quoted((folder_ / "err").string()) + " </dev/null";
    Outcome o;
    const int raw = std::system(command.c_str());
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    o.out = slurp(folder_ / "out");
    o.err = slurp(folder_ / "err");
    std::filesystem::remove(folder_ / "out");
    std::filesystem::remove(folder_ / "err");
    return o;
  }

  std::filesystem::path folder_;
};

}  // namespace vlm::testing
