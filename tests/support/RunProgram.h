// Runs a built program as a person would from a shell: in a given folder, with a private
// settings folder under it, no input, and stdout and stderr kept apart.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace vlm::test {

struct ProgramOutcome {
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

// Runs argv in `folder` with XDG_CONFIG_HOME at `config` (folder/config when empty); the
// output is kept in `scratch` (the folder itself when empty) until it has been read.
inline ProgramOutcome runIn(const std::filesystem::path& folder,
                            const std::vector<std::string>& argv,
                            const std::filesystem::path& config = {},
                            const std::filesystem::path& scratch = {}) {
  const std::filesystem::path spool = scratch.empty() ? folder : scratch;
  const std::filesystem::path out = spool / "out", err = spool / "err";
  std::string command = "cd " + quoted(folder.string()) + " && XDG_CONFIG_HOME=" +
                        quoted((config.empty() ? folder / "config" : config).string());
  for (const std::string& a : argv) command += " " + quoted(a);
  command += " >" + quoted(out.string()) + " 2>" + quoted(err.string()) + " </dev/null";
  const int raw = std::system(command.c_str());
  ProgramOutcome o{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(out), slurp(err)};
  std::filesystem::remove(out);
  std::filesystem::remove(err);
  return o;
}

}  // namespace vlm::test
