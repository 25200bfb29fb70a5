// What the generator tests and the instruction-count guard share: a private folder, and
// running vlmgen and vlmhost (paths compiled in) as separate programs.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/RunProgram.h"

namespace vlm::benchtest {

namespace fs = std::filesystem;

using test::slurp;
using Outcome = test::ProgramOutcome;
using TempFolder = test::TempDir;

// Runs argv in `folder`, a private settings folder under it.
inline Outcome run(const fs::path& folder, const std::vector<std::string>& argv) {
  return test::runIn(folder, argv);
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
  if (o.status != 0) throw std::runtime_error("vlmgen failed: " + o.err);
  g.counts = keyValues(o.out);
  return g;
}

}  // namespace vlm::benchtest
