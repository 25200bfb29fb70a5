// The stage for the shell's tests: the headless toolkit with its scripted user, a
// settings double, the recording host in null-host mode, importer doubles and a
// temporary folder for real files.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Variant.h"
#include "refhost/CallRecorder.h"
#include "shell/FormatTable.h"
#include "support/TempDir.h"
#include "ui/HeadlessToolkit.h"

namespace vlm::testing {

// --- Importer doubles: they add host objects and materials, raise a chosen error, keep
// the import file open, or wait for the user to stop them.

// What every double of one test does in its Load, in this order.
struct ImporterScript {
  bool openFile = false;             // opens the file as file number 1 and leaves it open
  bool newCollections = false;       // puts collections of its own in the arguments first
  int objects = 1;                   // host objects appended ("Velmo.CVLMObject")
  int materials = 0;                 // host materials appended ("Velmo.CVLMMaterial")
  int waitForStop = 0;               // yields up to this many times, ending early on StopImport
  int32_t raiseNumber = 0;           // then raises this error (0: none)
  std::string raiseDescription;      // empty: the classic description
  std::array<float, 3> position{};   // what Get_Position reports
  std::function<void()> duringLoad;  // called inside Load, before anything else
};

// What the doubles saw.
struct ImporterLog {
  int created = 0;
  std::vector<std::string> loadedFiles;
  bool materialsGiven = false;  // the run passed a material collection
  bool sawStop = false;         // a wait ended because StopImport became true
  int positionsTaken = 0;
};

// The component's five formats (texts, extensions, frames) with doubles as importers.
std::vector<FormatRow> doubleFormats(const ImporterScript& script, ImporterLog& log);

// --- A stand-in for the settings component "RegServer.RegFun": values kept in memory,
// every call recorded with its arguments as they arrived (kinds included).

struct SettingsCall {
  std::string member;         // "ReadValue" or "WriteValue"
  std::vector<Variant> args;  // root, sub-key, value name, default or value
};

class SettingsDouble {
 public:
  // Registers the double as "RegServer.RegFun" (unregistered by the destructor).
  SettingsDouble();
  ~SettingsDouble();
  SettingsDouble(const SettingsDouble&) = delete;
  SettingsDouble& operator=(const SettingsDouble&) = delete;

  void store(const std::string& subKey, const std::string& name, Variant value);
  std::optional<Variant> stored(const std::string& subKey, const std::string& name) const;
  // The calls of one member naming `valueName`.
  std::vector<SettingsCall> calls(const std::string& member, const std::string& valueName) const;
  // How many components were created.
  int created() const;
  // Makes the component impossible to create (error 429), as when it is not installed.
  void uninstall();

  struct State;

 private:
  std::shared_ptr<State> state_;
};

// --- The fixture.

// Format indexes of the dialog's list.
enum FormatIndex : int32_t { kObj = 0, kDxf = 1, k3ds = 2, kInc = 3, kPly = 4 };

class ShellTest : public ::testing::Test {
 public:
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
  // True when the host's `member` was called.
  bool called(const std::string& member) const;
  // The texts of the message boxes shown.
  std::vector<std::string> messageTexts() const;

  ui::HeadlessToolkit toolkit;
  SettingsDouble settings;
  refhost::CallRecorder recorder;
  ObjectRef scene;
  ImporterScript script;
  ImporterLog importerLog;
  std::vector<FormatRow> formats;
  test::TempDir temp;
  std::string folder = temp.path().string() + "/";
};

}  // namespace vlm::testing
