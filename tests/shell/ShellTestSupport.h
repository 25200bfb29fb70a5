// The stage for the shell's tests: the headless toolkit with its scripted user, the
// settings double, the recording host in null-host mode, importer doubles and a
// temporary folder for real files.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ImporterDoubles.h"
#include "SettingsDouble.h"
#include "refhost/CallRecorder.h"
#include "shell/FormatTable.h"
#include "ui/HeadlessToolkit.h"

namespace vlm::testing {

// Format indexes of the dialog's list.
enum FormatIndex : int32_t { kObj = 0, kDxf = 1, k3ds = 2, kInc = 3, kPly = 4 };

class ShellTest : public ::testing::Test {
 protected:
  ShellTest();
  ~ShellTest() override;

  // A file in the test's own temporary folder, holding `bytes`.
  std::string makeFile(const std::string& name, const std::string& bytes = "data");

  // The user chooses `format`, presses Import and picks `file` in the file dialog.
  void scriptImport(int32_t format, const std::string& file);
  void pressWhenIdle(const std::string& control);

  // Shows a dialog over the scene as ExecutePlugIn does; returns its SelectedObject.
  int32_t showDialog();

  const ui::FormModel& lastForm() const;
  // The recorded host calls, one line each, leaving out the ListObjects and
  // ListMaterials property reads (the lists are fetched before every use).
  std::vector<std::string> hostCalls() const;
  // The texts of the message boxes shown.
  std::vector<std::string> messageTexts() const;

  ui::HeadlessToolkit toolkit;
  SettingsDouble settings;
  refhost::CallRecorder recorder;
  ObjectRef scene;
  ImporterScript script;
  ImporterLog importerLog;
  std::vector<FormatRow> formats;
  std::string folder;  // the temporary folder, with a trailing "/"
};

}  // namespace vlm::testing
