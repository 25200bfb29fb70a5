// What the generator tests and the instruction-count guard share: a private folder, and
// running vlmgen and vlmhost (paths compiled in) as separate programs.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace vlm::benchtest {

namespace fs = std::filesystem;

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "vlmbench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

inline std::string quoted(const std::string& arg) {
  std::string q = "'";
  for (const char c : arg) q += (c == '\'') ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

inline std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

struct Outcome {
  int status = -1;
  std::string out;
};

// Runs argv in a shell with stdout to a file; stderr is kept in folder/err for messages.
inline Outcome run(const fs::path& folder, const std::vector<std::string>& argv) {
  std::string command = "XDG_CONFIG_HOME=" + quoted((folder / "config").string());
  for (const std::string& a : argv) command += " " + quoted(a);
  command += " >" + quoted((folder / "out").string()) + " 2>" + quoted((folder / "err").string()) +
             " </dev/null";
  const int raw = std::system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(folder / "out")};
}

// "a=1 b=2" -> {a: 1, b: 2}
inline std::map<std::string, long long> keyValues(const std::string& text) {
  std::map<std::string, long long> values;
  static const std::regex pair(R"(([a-z_]+)=([0-9.]+))");
  for (std::sregex_iterator it(text.begin(), text.end(), pair), end; it != end; ++it) {
    values[(*it)[1]] = std::atoll((*it)[2].str().c_str());
  }
  return values;
}

// The file name vlmhost needs to pick the importer.
inline std::string fileNameFor(const std::string& format) {
  if (format.starts_with("obj")) return format + ".obj";
  if (format.starts_with("ply")) return format + ".ply";
  return "file." + format;
}

struct Generated {
  fs::path file;
  std::map<std::string, long long> counts;  // verts, faces, objects, bytes
};

inline Generated generate(const fs::path& folder, const std::string& format, double megabytes,
                          int seed = 1) {
  Generated g{folder / fileNameFor(format), {}};
  const Outcome o = run(folder, {VLMGEN_PATH, "--format", format, "--mb", std::to_string(megabytes),
                                 "--seed", std::to_string(seed), g.file.string()});
  if (o.status != 0) throw std::runtime_error("vlmgen failed: " + slurp(folder / "err"));
  g.counts = keyValues(o.out);
  return g;
}

}  // namespace vlm::benchtest
