// Instruction-count guard: each importer reads a 5 MB vlmgen file through vlmhost under
// callgrind, and the instructions counted must stay within the budget kept in
// instruction_budgets.txt. Counting instructions, not seconds, makes the guard
// independent of the machine's load. It is skipped without valgrind, in builds that are not
// optimised, and under the sanitizers.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>

#include "BenchTestSupport.h"

namespace {

using namespace vlm::benchtest;

constexpr double kMegabytes = 5;
constexpr double kHeadroom = 1.3;  // a budget is the measured count times this

// The budget of `format` in the budget file, if it has one.
std::optional<long long> budgetOf(const std::string& format) {
  std::ifstream in(VLM_BUDGET_FILE);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string key;
    long long budget = 0;
    if (words >> key && key == format && words >> budget) return budget;
  }
  return std::nullopt;
}

// Total instructions of a callgrind profile: its "totals:" line.
long long instructionsIn(const fs::path& profile) {
  std::ifstream in(profile);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("totals:", 0) == 0) return std::atoll(line.c_str() + 7);
  }
  return -1;
}

std::optional<std::string> reasonToSkip() {
  if (VLM_SANITIZED) return "instructions are not counted under the sanitizers";
  const std::string type = VLM_BUILD_TYPE;
  if (type != "RelWithDebInfo" && type != "Release") {
    return "budgets hold for optimised builds, this is " + type;
  }
  if (std::system("valgrind --version >/dev/null 2>&1") != 0) return "valgrind is not installed";
  return std::nullopt;
}

class InstructionBudget : public ::testing::TestWithParam<std::string> {};

TEST_P(InstructionBudget, ImportStaysWithinBudget) {
  if (const auto reason = reasonToSkip()) GTEST_SKIP() << *reason;
  const std::string format = GetParam();
  TempFolder folder;
  const Generated g = generate(folder.path(), format, kMegabytes);
  const fs::path profile = folder.path() / "callgrind.out";
  // --quiet: the hints' own reading of the file after the import is not the importer's.
  const Outcome o = run(folder.path(),
                        {"valgrind", "--tool=callgrind", "--callgrind-out-file=" + profile.string(),
                         VLMHOST_PATH, "--stats", "--quiet", g.file.string()});
  ASSERT_EQ(o.status, 0) << o.err;
  // A reader that stops early would be cheap: the whole file must have been imported.
  const auto stats = keyValues(o.out);
  ASSERT_EQ(stats.at("verts"), g.counts.at("verts")) << o.out;
  ASSERT_EQ(stats.at("faces"), g.counts.at("faces")) << o.out;
  const long long counted = instructionsIn(profile);
  ASSERT_GT(counted, 0) << "no totals line in " << profile;
  const auto fresh = static_cast<long long>(static_cast<double>(counted) * kHeadroom);
  std::cout << format << ": " << counted << " instructions; budget line for this count: " << format
            << " " << fresh << "\n";
  const auto budget = budgetOf(format);
  ASSERT_TRUE(budget.has_value()) << "no budget for " << format << " in " << VLM_BUDGET_FILE;
  EXPECT_LE(counted, *budget) << format << " now takes " << counted
                              << " instructions, more than its budget " << *budget;
}

INSTANTIATE_TEST_SUITE_P(Importers, InstructionBudget,
                         ::testing::Values("obj", "obj_lf", "ply_le", "ply_ascii", "3ds", "dxf",
                                           "inc"),
                         [](const auto& info) { return info.param; });

}  // namespace
