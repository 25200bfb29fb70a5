// Runs the built vlmhost the way a person would: in a folder of the test's own, with a
// private settings folder, stdout and stderr kept apart.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/RunProgram.h"

namespace vlm::testing {

using Outcome = test::ProgramOutcome;
using test::quoted;
using test::slurp;

// A fixture with a fresh folder, removed afterwards; vlmhost runs in it.
class VlmHostFolder : public ::testing::Test {
 protected:
  Outcome run(std::vector<std::string> args) {
    args.insert(args.begin(), VLMHOST_PATH);
    return test::runIn(folder_, args);
  }

  test::TempDir dir_;
  const std::filesystem::path& folder_ = dir_.path();
};

}  // namespace vlm::testing
