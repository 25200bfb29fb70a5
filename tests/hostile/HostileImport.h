// A whole import of a hostile file as a user makes it: the real dialog with the real
// importers and settings component, a scripted user who picks the format, presses
// Import and chooses the file, and a reference scene. Every import is checked for what
// must hold whatever the file holds.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "refhost/ReferenceScene.h"
#include "support/ImporterTestSupport.h"
#include "support/TempDir.h"
#include "ui/HeadlessToolkit.h"

namespace vlm::hostile {

// What the user and the host saw of one import.
struct Outcome {
  std::vector<ui::MessageRecord> messages;
  size_t objects = 0;
  size_t elements = 0;  // vertices, triangles and refused polygons the scene holds
  int32_t selectedObject = 0;
  bool idle = false;  // the dialog went back to idle (controls enabled, progress 0)
  std::string json;   // the scene's report
  std::vector<std::string> names;

  // Messages shown up to the end of the run; those shown when the user then closed the
  // idle dialog come after them.
  size_t runMessages = SIZE_MAX;

  // The texts of the run's message boxes with the exclamation icon: its failures.
  std::vector<std::string> failures() const;
};

// Called with the progress bar's value and maximum whenever either changes.
using ProgressHook = std::function<void(float value, float max)>;

class HostileImport : public ::testing::Test {
 protected:
  HostileImport();
  ~HostileImport() override;

  // Imports `bytes` as a file called `name` whose extension picks the format.
  Outcome importBytes(const std::string& name, std::string_view bytes,
                      const ProgressHook& hook = {});
  // Imports the file at `path` (already written) with the format of `extension`.
  Outcome importPath(const std::string& path, std::string_view extension,
                     const ProgressHook& hook = {});
  // The checks every import must pass, for a file of `fileSize` bytes.
  static void expectContained(const Outcome& outcome, size_t fileSize);

  test::TempDir dir;
  test::TempDir configHome;
};

// The bundled samples, and samples built with the tests' byte builders, as (file name,
// bytes); the extension of the name is the format.
struct Sample {
  std::string name;
  std::string bytes;
};
std::vector<Sample> samples();
using test::slurp;

// The process's peak resident memory in bytes.
size_t peakMemory();

}  // namespace vlm::hostile
