// The real import dialog on screen: frmImport driven through FLTK widgets and events
// sent through the X server, importing real OBJ files into the reference scene. The
// screenshots are read back from the X server; with VLM_SCREENSHOT_DIR set, they are also
// written there as dialog.png and dialog-running.png (the pictures in docs/ come from here).
#include <FL/Fl_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Progress.H>
#include <FL/Fl_Window.H>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "FltkDialogFixture.h"
#include "shell/ComponentPath.h"

namespace vlm::test {
namespace {

using ui::FltkForm;

constexpr const char* kStopQuestion = "Do you want to stop Import?";
const char* const kLockedControls[] = {"cmbFormat", "cmdImport", "chkAutoSmooth", "chkNorm",
                                       "chkSmooth"};

// True when every control an import locks has `active` as its state.
bool lockedControls(FltkForm& form, bool active) {
  for (const char* name : kLockedControls) {
    if ((form.widget(name)->active() != 0) != active) return false;
  }
  return true;
}

void chooseFormatAndImport(FltkForm& form, int index) {
  chooseEntry(*form.widget("cmbFormat"), index);
  sendClick(*form.widget("cmdImport"));
}

bool progressing(FltkForm& form) {
  return dialogRunning(form) && form.progressValue(form.model().find("ProgressBar1")) > 0;
}

// A cancelled file dialog returns quietly to idle; the next Import with a chosen file
// fills the scene, saves the file's folder and closes the dialog.
TEST_F(FltkDialogTest, CancelledFileDialogReturnsToIdleAndAChosenFileIsImported) {
  const std::string file = writeSmallObj();
  bool unlocked = false;
  Pilot pilot(toolkit());
  pilot.whenIdle("import 3ds", [](FltkForm& f) { chooseFormatAndImport(f, 2); });
  pilot.when(
      "idle again", [&](FltkForm& f) { return dialogIdle(f) && !fileRequests.empty(); },
      [&](FltkForm& f) {
        unlocked = lockedControls(f, true);
        answerFileDialog(file);
        chooseFormatAndImport(f, 0);
      });
  const int32_t selected = showDialog();
  EXPECT_TRUE(pilot.finished()) << pilot.nextStep();
  EXPECT_TRUE(unlocked);
  EXPECT_TRUE(toolkit().messages().empty());
  ASSERT_EQ(fileRequests.size(), 2u);
  EXPECT_EQ(fileRequests[0].filter, "*.3ds|*.3ds");
  EXPECT_EQ(fileRequests[0].fltkFilter, "*.3ds\t*.3[dD][sS]");
  EXPECT_EQ(fileRequests[1].filter, "*.obj|*.obj");
  EXPECT_EQ(fileRequests[1].initDir, componentFolder());
  EXPECT_EQ(savedPath("3ds"), "(none)");
  EXPECT_EQ(savedPath("obj"), temp.path().string() + "/");
  EXPECT_EQ(scene.objectCount(), 1u);
  EXPECT_EQ(selected, 1);
  EXPECT_EQ(toolkit().mousePointer(), ui::MousePointer::Default);
}

struct BarPixels {
  std::array<uint8_t, 3> start;  // just inside the bar's left end
  std::array<uint8_t, 3> end;    // just inside its right end
};

BarPixels barPixels(FltkForm& form, const Screenshot& shot) {
  const Fl_Widget* bar = form.widget("ProgressBar1");
  const int middle = bar->y() + bar->h() / 2;
  return {shot.pixel(bar->x() + 6, middle), shot.pixel(bar->x() + bar->w() - 6, middle)};
}

bool bluish(const std::array<uint8_t, 3>& rgb) { return rgb[2] > rgb[0] + 60; }

// Saves `shot` in the test's folder and, when asked for, in VLM_SCREENSHOT_DIR.
void save(const Screenshot& shot, const std::filesystem::path& folder, const std::string& name) {
  std::string error;
  EXPECT_TRUE(writePng((folder / name).string(), shot, error)) << error;
  EXPECT_GT(std::filesystem::file_size(folder / name), 100u);
  if (const char* docs = std::getenv("VLM_SCREENSHOT_DIR")) {
    EXPECT_TRUE(writePng((std::filesystem::path(docs) / name).string(), shot, error)) << error;
  }
}

// While the import runs the controls are locked but Cancel, the hourglass shows and the
// bar fills from its start; Cancel answered Yes stops it and the dialog is idle again.
TEST_F(FltkDialogTest, CancelAnsweredYesStopsTheImportAndScreenshotsShowTheBar) {
  answerFileDialog(writeLargeObj(400'000));
  answers->add(ui::MsgResult::Yes);
  Screenshot idle, running;
  BarPixels idleBar{}, runningBar{};
  bool locked = false, cancelEnabled = false, hourglass = false, unlocked = false;
  float progressAfter = -1;
  Pilot pilot(toolkit());
  pilot.whenIdle("idle picture", [&](FltkForm& f) {
    idle = capture(*f.window());
    idleBar = barPixels(f, idle);
    sendClick(*f.widget("cmdImport"));
  });
  pilot.when(
      "a third read",
      [](FltkForm& f) {
        const ui::ControlId bar = f.model().find("ProgressBar1");
        return dialogRunning(f) && f.progressValue(bar) > f.progressMax(bar) / 3;
      },
      [&](FltkForm& f) {
        running = capture(*f.window());
        runningBar = barPixels(f, running);
        locked = lockedControls(f, false);
        cancelEnabled = f.widget("cmdCancel")->active();
        hourglass = toolkit().mousePointer() == ui::MousePointer::Hourglass;
        sendClick(*f.widget("cmdCancel"));
      });
  pilot.whenIdle("stopped", [&](FltkForm& f) {
    unlocked = lockedControls(f, true);
    progressAfter = static_cast<Fl_Progress*>(f.widget("ProgressBar1"))->value();
    sendCloseBox(*f.window());
  });
  EXPECT_EQ(showDialog(), -1);
  ASSERT_TRUE(pilot.finished()) << pilot.nextStep();
  EXPECT_TRUE(locked);
  EXPECT_TRUE(cancelEnabled);
  EXPECT_TRUE(hourglass);
  EXPECT_TRUE(unlocked);
  EXPECT_EQ(progressAfter, 0.0f);
  EXPECT_EQ(scene.objectCount(), 0u);
  ASSERT_EQ(answers->seen().size(), 1u);
  EXPECT_EQ(answers->seen()[0].text, kStopQuestion);
  EXPECT_EQ(answers->seen()[0].title, "VLMImport");
  EXPECT_EQ(answers->seen()[0].buttons, (std::vector<std::string>{"&Yes", "&No"}));

  EXPECT_EQ(idle.width, 169);
  EXPECT_EQ(idle.height, 174);
  EXPECT_EQ(idleBar.start, idleBar.end) << "the idle bar is not empty";
  EXPECT_FALSE(bluish(idleBar.start));
  EXPECT_TRUE(bluish(runningBar.start)) << "no filled part at the bar's start";
  EXPECT_NE(runningBar.start, runningBar.end);
  EXPECT_EQ(runningBar.end, idleBar.end) << "the bar's far end filled too early";
  save(idle, temp.path(), "dialog.png");
  save(running, temp.path(), "dialog-running.png");
}

TEST_F(FltkDialogTest, CloseBoxDuringImportAnsweredNoKeepsImportingToTheEnd) {
  answerFileDialog(writeLargeObj(200'000));
  answers->add(ui::MsgResult::No);
  Pilot pilot(toolkit());
  pilot.whenIdle("import", [](FltkForm& f) { chooseFormatAndImport(f, 0); });
  pilot.when("running", progressing, [](FltkForm& f) { sendCloseBox(*f.window()); });
  const int32_t selected = showDialog();
  EXPECT_TRUE(pilot.finished()) << pilot.nextStep();
  ASSERT_EQ(toolkit().messages().size(), 1u);
  EXPECT_EQ(toolkit().messages()[0].text, kStopQuestion);
  EXPECT_EQ(toolkit().messages()[0].answer, ui::MsgResult::No);
  EXPECT_EQ(scene.objectCount(), 1u);
  EXPECT_EQ(selected, 1);
}

// Import with nothing selected (the saved format is no entry) says so and stays idle;
// Cancel then closes the dialog without a question.
TEST_F(FltkDialogTest, ImportWithNothingSelectedAsksForAFormatAndCancelCloses) {
  saveFormat(7);
  int shownIndex = -2;
  Pilot pilot(toolkit());
  pilot.whenIdle("import", [&](FltkForm& f) {
    shownIndex = static_cast<Fl_Choice*>(f.widget("cmbFormat"))->value();
    sendClick(*f.widget("cmdImport"));
  });
  pilot.when(
      "told", [&](FltkForm& f) { return dialogIdle(f) && !answers->seen().empty(); },
      [](FltkForm& f) { sendClick(*f.widget("cmdCancel")); });
  EXPECT_EQ(showDialog(), -1);
  EXPECT_TRUE(pilot.finished()) << pilot.nextStep();
  EXPECT_EQ(shownIndex, -1);
  ASSERT_EQ(answers->seen().size(), 1u);
  const SeenBox& box = answers->seen()[0];
  EXPECT_EQ(box.text, "Select first a File Format!");
  EXPECT_EQ(box.title, "VLMImport");
  EXPECT_EQ(box.icon, "i");
  EXPECT_EQ(box.buttons, std::vector<std::string>{"OK"});
  EXPECT_TRUE(fileRequests.empty());
  EXPECT_EQ(savedFormat(), -1);
}

}  // namespace
}  // namespace vlm::test
