// Screenshots of the dialog on screen, idle and while an import runs, read back from
// the X server and checked pixel by pixel where the progress bar lies. With
// VLM_SCREENSHOT_DIR set, they are also written there as dialog.png and
// dialog-running.png (the pictures in docs/ come from here).
#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "FltkDialogFixture.h"

namespace vlm::test {
namespace {

using ui::FltkForm;

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

TEST_F(FltkDialogTest, ScreenshotsShowTheEmptyBarIdleAndTheFilledPartWhileRunning) {
  answerFileDialog(writeLargeObj(400'000));
  answers->add(ui::MsgResult::Yes);
  Screenshot idle, running;
  BarPixels idleBar{}, runningBar{};
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
        sendClick(*f.widget("cmdCancel"));
      });
  pilot.whenIdle("stopped", [](FltkForm& f) { sendCloseBox(*f.window()); });
  showDialog();
  ASSERT_TRUE(pilot.finished()) << pilot.nextStep();

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

}  // namespace
}  // namespace vlm::test
