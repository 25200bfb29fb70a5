// A whole import as a user makes it (real dialog, importers and settings, a scripted user
// who may press Cancel and answer Yes, a reference scene), and what every import must meet.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "platform/Error.h"
#include "refhost/ReferenceScene.h"
#include "shell/frmImport.h"
#include "support/ImporterTestSupport.h"
#include "ui/HeadlessToolkit.h"

namespace vlm {
// From settings/RegFun.h, which cannot share a file with the shell's headers.
void registerSettingsComponent();
void unregisterSettingsComponent();
}  // namespace vlm

namespace vlm::hostile {

// Every run saves settings with fsync: temporary folders go to memory where they can.
[[maybe_unused]] inline const bool kInMemory =
    ::access("/dev/shm", W_OK) == 0 && ::setenv("TMPDIR", "/dev/shm", 1) == 0;

// What the user and the host saw of one import.
struct Outcome {
  std::vector<ui::MessageRecord> messages;
  std::vector<std::string> failures;  // the messages with the exclamation icon
  size_t objects = 0;
  size_t elements = 0;  // vertices, triangles and refused polygons the scene holds
  uint64_t yields = 0;  // the run's yields to the message loop
  bool idle = false;    // the dialog went back to idle (controls enabled, progress 0)
};

// A failure shows the system's own description (an error's text, maybe followed by what it
// concerns, or a 3DS reader's) behind a "(CHUNK) " trace per reader passed, maybe empty.
inline bool systemText(std::string_view text) {
  bool known = (text.starts_with("(") && text.ends_with(") ")) || text == "File type wrong!" ||
               text.starts_with("Sorry can only read 3ds") || text == "Invalid property value";
  for (size_t end; text.starts_with("(") && (end = text.find(") ")) != text.npos;)
    text.remove_prefix(end + 2);
  for (int32_t number = 1; number < 1000 && !known; ++number) {
    const std::string classic = classicDescription(number);
    known = classic != classicDescription(0) && text.starts_with(classic);
  }
  return known;
}

class HostileImport : public ::testing::Test {
 protected:
  HostileImport() {
    test::resetComponentState();
    ::setenv("XDG_CONFIG_HOME", configHome.path().c_str(), 1);
    registerSettingsComponent();
    refhost::registerReferenceHostClasses();
  }
  ~HostileImport() override {
    unregisterSettingsComponent();
    test::resetComponentState();
  }

  // Imports `path` (its extension picks the format); `onProgress` hears the progress bar's
  // value and maximum; with `stopAt` the user stops the run at that yield.
  Outcome importPath(const std::string& path,
                     const std::function<void(float, float)>& onProgress = {},
                     uint64_t stopAt = 0) {
    const std::string formats = ".obj.dxf.3ds.inc.ply";
    const size_t format = formats.find(std::filesystem::path(path).extension().string()) / 4;
    modImport::resetModuleState();
    ui::HeadlessToolkit toolkit;
    if (onProgress) toolkit.setProgressListener(onProgress);
    ui::setToolkit(&toolkit);
    refhost::ReferenceScene scene;
    Outcome outcome;
    {
      frmImport dialog;
      dialog.setObjScene(scene.dispatch());
      toolkit.whenIdle(ui::UserAction::select("cmbFormat", static_cast<int32_t>(format)));
      toolkit.whenIdle(ui::UserAction::click("cmdImport"));
      // Whatever the run left, the dialog is looked at before the user closes it.
      toolkit.whenIdle(ui::UserAction::call([&] {
        const auto form = toolkit.lastForm();
        outcome.idle = form->isOpen() && form->control("cmdImport").enabled &&
                       form->control("ProgressBar1").bar.value == 0;
      }));
      toolkit.answerFileDialog(path);
      if (stopAt > 0) {
        toolkit.atYield(stopAt, ui::UserAction::click("cmdCancel"));
        toolkit.answerQuestion(ui::MsgResult::Yes);
      }
      // A reader yields at most once per line, chunk or record; a run yielding on is stopped.
      std::error_code gone;
      const uint64_t limit = 2 * std::filesystem::file_size(path, gone) + 100;
      toolkit.atYield(limit, ui::UserAction::call([] { modImport::StopImport = true; }));
      dialog.Show();
      outcome.yields = toolkit.yields();
      EXPECT_LT(outcome.yields, limit) << "the run kept yielding without moving on";
    }
    ui::setToolkit(nullptr);
    EXPECT_TRUE(modImport::StopImport) << "the run ended with StopImport false";
    EXPECT_EQ(fileTable().find(1), nullptr) << "the import file was left open";
    outcome.messages = toolkit.messages();
    for (const ui::MessageRecord& m : outcome.messages)
      if (m.icon == ui::MsgIcon::Exclamation) outcome.failures.push_back(m.text);
    outcome.objects = scene.objectCount();
    for (size_t i = 0; i < scene.objectCount(); ++i) {
      const refhost::Mesh& mesh = scene.object(i).mesh();
      outcome.elements +=
          size_t(mesh.vertexCount()) + size_t(mesh.triangleCount()) + size_t(mesh.invalidNumbers());
    }
    std::ostringstream json;
    scene.writeJson(json, false);
    EXPECT_TRUE(nlohmann::json::accept(json.str())) << "the scene's report is not valid JSON";
    return outcome;
  }
  Outcome importBytes(const std::string& name, std::string_view bytes, uint64_t stopAt = 0) {
    return importPath(dir.write(name, bytes), {}, stopAt);
  }

  // Two scene elements per file byte, plus room for a 3DS list running past a cut file's end.
  static void expectContained(const Outcome& outcome, size_t fileSize) {
    for (const ui::MessageRecord& m : outcome.messages) EXPECT_EQ(m.title, "VLMImport");
    EXPECT_LE(outcome.failures.size(), 1u) << ::testing::PrintToString(outcome.failures);
    for (const std::string& failure : outcome.failures) {
      EXPECT_EQ(outcome.objects, 0u) << "a failed run handed objects over: " << failure;
      EXPECT_TRUE(outcome.idle) << "a failed run left the dialog busy: " << failure;
      EXPECT_TRUE(systemText(failure)) << "a failure in words of its own: " << failure;
    }
    EXPECT_LE(outcome.elements, 2 * fileSize + 200000) << "more than the file can describe";
  }

  test::TempDir dir;
  test::TempDir configHome;
};

}  // namespace vlm::hostile
