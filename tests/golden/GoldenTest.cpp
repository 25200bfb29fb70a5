// Every file under tests/data/<format>/ imported by the built vlmhost through the real
// dialog, import run and reference host, compared with the scene beside it
// (NAME.scene.json) and, where there is one, with the host calls in order (NAME.trace).
// NAME.args holds extra vlmhost options for the import (dialog choices, --cancel-after).
// The bundled samples of examples/ are checked the same way, their expectations kept in
// tests/data/samples/. The expectations are written by `make golden`, never by a test run.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/RunProgram.h"
#include "support/TempDir.h"

namespace vlm::test {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

constexpr const char* kFormats[] = {"obj", "dxf", "3ds", "inc", "ply"};

struct Golden {
  fs::path input;
  fs::path expected;  // NAME.scene.json, NAME.trace and NAME.args are beside this stem
  std::string name;   // format_stem, the test's name
};

void PrintTo(const Golden& golden, std::ostream* out) { *out << golden.input.filename(); }

// The inputs of `folder` with their expectations in `expectations`.
void addInputs(std::vector<Golden>& out, const fs::path& folder, const fs::path& expectations,
               const std::string& prefix) {
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string ext = entry.path().extension().string();
    const auto isFormat = [&](const char* format) { return ext == std::string(".") + format; };
    if (std::none_of(std::begin(kFormats), std::end(kFormats), isFormat)) continue;
    std::string name = prefix + ext.substr(1) + "_" + entry.path().stem().string();
    std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
    out.push_back({entry.path(), expectations / entry.path().stem(), name});
  }
}

std::vector<Golden> goldenInputs() {
  std::vector<Golden> out;
  for (const char* format : kFormats) {
    const fs::path folder = fs::path(VLM_GOLDEN_DIR) / format;
    if (fs::is_directory(folder)) addInputs(out, folder, folder, "");
  }
  addInputs(out, VLM_EXAMPLES_DIR, fs::path(VLM_GOLDEN_DIR) / "samples", "sample_");
  std::sort(out.begin(), out.end(), [](auto& a, auto& b) { return a.name < b.name; });
  return out;
}

fs::path beside(const fs::path& stem, const char* suffix) {
  return stem.string() + suffix;
}

std::vector<std::string> words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> out;
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

// The differences as "path: expected -> actual" lines, at most `limit` of them.
std::string describe(const Json& expected, const Json& actual, size_t limit = 12) {
  std::string text;
  size_t shown = 0;
  const Json patch = Json::diff(expected, actual);
  for (const Json& op : patch) {
    if (shown++ == limit) {
      text += "  ... " + std::to_string(patch.size() - limit) + " more\n";
      break;
    }
    const Json::json_pointer at(op["path"].get<std::string>());
    const std::string was = expected.contains(at) ? expected[at].dump() : "(none)";
    const std::string now = actual.contains(at) ? actual[at].dump() : "(none)";
    text += "  " + op["path"].get<std::string>() + ": " + was.substr(0, 200) + " -> " +
            now.substr(0, 200) + "\n";
  }
  return text;
}

class GoldenScene : public ::testing::TestWithParam<Golden> {};

TEST_P(GoldenScene, ImportGivesTheExpectedScene) {
  const fs::path& input = GetParam().input;
  const fs::path& stem = GetParam().expected;
  const fs::path trace = beside(stem, ".trace");
  const bool tracing = fs::exists(trace);
  std::vector<std::string> argv{VLMHOST_PATH, "--quiet", "--geometry"};
  if (tracing) argv.push_back("--trace");
  const fs::path args = beside(stem, ".args");
  if (fs::exists(args)) {
    for (const std::string& w : words(slurp(args))) argv.push_back(w);
  }
  argv.push_back(input.filename().string());

  TempDir scratch;
  const ProgramOutcome run = runIn(input.parent_path(), argv, scratch.path() / "config",
                                   scratch.path());
  const Json actual = Json::parse(run.out, nullptr, false);
  ASSERT_FALSE(actual.is_discarded()) << "vlmhost printed no JSON (status " << run.status
                                      << "):\n" << run.err.substr(0, 2000);
  const Json expected = Json::parse(slurp(beside(stem, ".scene.json")), nullptr, false);
  ASSERT_FALSE(expected.is_discarded()) << "no readable " << beside(stem, ".scene.json");
  EXPECT_TRUE(actual == expected) << input.filename() << " gives another scene:\n"
                                  << describe(expected, actual);
  // On a mismatch GoogleTest prints the traces' differing lines. vlmhost's own lines (why
  // an import brought nothing) are not the plug-in's doing.
  if (tracing) {
    const std::regex ownLines("(^|\n)vlmhost: [^\n]*\n");
    EXPECT_EQ(std::regex_replace(run.err, ownLines, "$1"), slurp(trace))
        << input.filename() << " calls the host otherwise";
  }
}

INSTANTIATE_TEST_SUITE_P(Data, GoldenScene, ::testing::ValuesIn(goldenInputs()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace vlm::test
