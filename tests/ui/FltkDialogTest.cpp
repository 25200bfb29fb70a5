// The real import dialog on screen: frmImport driven through FLTK widgets and events
// sent through the X server, importing real OBJ files into the reference scene.
#include <FL/Fl_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Progress.H>
#include <FL/Fl_Window.H>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FltkDialogFixture.h"
#include "shell/ComponentPath.h"

namespace vlm::test {
namespace {

using ::testing::ElementsAre;
using ui::FltkForm;

constexpr const char* kStopQuestion = "Do you want to stop Import?";
const char* const kOptionFrames[] = {"fraWaveFront", "fraNoOptions", "fra3DStudio"};
const char* const kLockedControls[] = {"cmbFormat", "cmdImport", "chkAutoSmooth", "chkNorm",
                                       "chkSmooth"};

std::vector<std::string> visibleFrames(FltkForm& form) {
  std::vector<std::string> shown;
  for (const char* frame : kOptionFrames) {
    if (form.widget(frame)->visible()) shown.emplace_back(frame);
  }
  return shown;
}

void chooseFormatAndImport(FltkForm& form, int index) {
  chooseEntry(*form.widget("cmbFormat"), index);
  sendClick(*form.widget("cmdImport"));
}

bool progressing(FltkForm& form) {
  return dialogRunning(form) && form.progressValue(form.model().find("ProgressBar1")) > 0;
}

TEST_F(FltkDialogTest, FirstUseListsTheFormatsAndShowsWaveFrontWithItsOptions) {
  std::vector<std::string> entries, frames;
  int index = -2;
  Pilot pilot(toolkit());
  pilot.whenIdle("look", [&](FltkForm& f) {
    auto& list = static_cast<Fl_Choice&>(*f.widget("cmbFormat"));
    for (int i = 0; i + 1 < list.size(); ++i) entries.emplace_back(list.menu()[i].label());
    index = list.value();
    frames = visibleFrames(f);
    sendCloseBox(*f.window());
  });
  EXPECT_EQ(showDialog(), -1);
  EXPECT_THAT(entries, ElementsAre("WaveFront (obj)", "AutoCad (dxf)", "3DStudio (3ds)",
                                   "PovRay (inc)", "PLY (ply)"));
  EXPECT_EQ(index, 0);
  EXPECT_THAT(frames, ElementsAre("fraWaveFront"));
}

TEST_F(FltkDialogTest, ChoosingAFormatBringsItsOptionsFrameToTheFront) {
  std::vector<std::vector<std::string>> frames;
  Pilot pilot(toolkit());
  pilot.whenIdle("choose each format", [&](FltkForm& f) {
    for (int i : {2, 1, 0, 3, 4, 2}) {
      chooseEntry(*f.widget("cmbFormat"), i);
      frames.push_back(visibleFrames(f));
    }
    sendCloseBox(*f.window());
  });
  showDialog();
  const std::vector<std::string> waveFront{"fraWaveFront"}, none{"fraNoOptions"},
      studio{"fra3DStudio"};
  EXPECT_THAT(frames, ElementsAre(studio, none, waveFront, none, none, studio));
  EXPECT_EQ(savedFormat(), 2);
}

TEST_F(FltkDialogTest, ImportWithAChosenFileFillsTheSceneAndClosesTheDialog) {
  const std::string file = writeSmallObj();
  answerFileDialog(file);
  Pilot pilot(toolkit());
  pilot.whenIdle("import", [](FltkForm& f) { chooseFormatAndImport(f, 0); });
  const int32_t selected = showDialog();
  EXPECT_TRUE(pilot.finished()) << pilot.nextStep();
  EXPECT_EQ(scene.objectCount(), 1u);
  EXPECT_EQ(selected, 1);
  EXPECT_TRUE(toolkit().messages().empty());
  ASSERT_EQ(fileRequests.size(), 1u);
  EXPECT_EQ(fileRequests[0].filter, "*.obj|*.obj");
  EXPECT_EQ(fileRequests[0].initDir, componentFolder());
  EXPECT_EQ(savedPath("obj"), temp.path().string() + "/");
  EXPECT_EQ(toolkit().mousePointer(), ui::MousePointer::Default);
}

TEST_F(FltkDialogTest, CancelDuringImportAnsweredYesStopsAndReturnsToIdle) {
  answerFileDialog(writeLargeObj(400'000));
  answers->add(ui::MsgResult::Yes);
  bool lockedWhileRunning = true, cancelEnabled = false, hourglass = false;
  bool unlockedAfter = false;
  float progressAfter = -1;
  Pilot pilot(toolkit());
  pilot.whenIdle("import", [](FltkForm& f) { chooseFormatAndImport(f, 0); });
  pilot.when("running", progressing, [&](FltkForm& f) {
    for (const char* name : kLockedControls) lockedWhileRunning &= !f.widget(name)->active();
    cancelEnabled = f.widget("cmdCancel")->active();
    hourglass = toolkit().mousePointer() == ui::MousePointer::Hourglass;
    sendClick(*f.widget("cmdCancel"));
  });
  pilot.whenIdle("stopped", [&](FltkForm& f) {
    unlockedAfter = true;
    for (const char* name : kLockedControls) unlockedAfter &= f.widget(name)->active();
    progressAfter = static_cast<Fl_Progress*>(f.widget("ProgressBar1"))->value();
    sendCloseBox(*f.window());
  });
  const int32_t selected = showDialog();
  EXPECT_TRUE(pilot.finished()) << pilot.nextStep();
  EXPECT_TRUE(lockedWhileRunning);
  EXPECT_TRUE(cancelEnabled);
  EXPECT_TRUE(hourglass);
  EXPECT_TRUE(unlockedAfter);
  EXPECT_EQ(progressAfter, 0.0f);
  EXPECT_EQ(scene.objectCount(), 0u);
  EXPECT_EQ(selected, -1);
  ASSERT_EQ(answers->seen().size(), 1u);
  EXPECT_EQ(answers->seen()[0].text, kStopQuestion);
  EXPECT_EQ(answers->seen()[0].title, "VLMImport");
  EXPECT_EQ(answers->seen()[0].buttons, (std::vector<std::string>{"&Yes", "&No"}));
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

TEST_F(FltkDialogTest, CloseBoxWhileIdleClosesAndSavesTheFormat) {
  Pilot pilot(toolkit());
  pilot.whenIdle("close", [](FltkForm& f) {
    chooseEntry(*f.widget("cmbFormat"), 4);
    sendCloseBox(*f.window());
  });
  EXPECT_EQ(showDialog(), -1);
  EXPECT_TRUE(pilot.finished()) << pilot.nextStep();
  EXPECT_TRUE(toolkit().messages().empty());
  EXPECT_EQ(savedFormat(), 4);
}

TEST_F(FltkDialogTest, CancelWhileIdleClosesTheDialog) {
  Pilot pilot(toolkit());
  pilot.whenIdle("cancel", [](FltkForm& f) { sendClick(*f.widget("cmdCancel")); });
  EXPECT_EQ(showDialog(), -1);
  EXPECT_TRUE(pilot.finished()) << pilot.nextStep();
  EXPECT_TRUE(toolkit().messages().empty());
}

TEST_F(FltkDialogTest, ImportWithNothingSelectedAsksForAFormatFirst) {
  saveFormat(7);
  int shownIndex = -2;
  Pilot pilot(toolkit());
  pilot.whenIdle("import", [&](FltkForm& f) {
    shownIndex = static_cast<Fl_Choice*>(f.widget("cmbFormat"))->value();
    sendClick(*f.widget("cmdImport"));
  });
  pilot.when(
      "told", [&](FltkForm& f) { return dialogIdle(f) && !answers->seen().empty(); },
      [](FltkForm& f) { sendCloseBox(*f.window()); });
  showDialog();
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

TEST_F(FltkDialogTest, CancelledFileDialogReturnsQuietlyToIdle) {
  bool unlocked = false;
  Pilot pilot(toolkit());
  pilot.whenIdle("import", [](FltkForm& f) { chooseFormatAndImport(f, 2); });
  pilot.when(
      "idle again", [&](FltkForm& f) { return dialogIdle(f) && !fileRequests.empty(); },
      [&](FltkForm& f) {
        unlocked = f.widget("chkAutoSmooth")->active() && f.widget("cmbFormat")->active();
        sendCloseBox(*f.window());
      });
  showDialog();
  EXPECT_TRUE(pilot.finished()) << pilot.nextStep();
  EXPECT_TRUE(unlocked);
  EXPECT_TRUE(toolkit().messages().empty());
  ASSERT_EQ(fileRequests.size(), 1u);
  EXPECT_EQ(fileRequests[0].filter, "*.3ds|*.3ds");
  EXPECT_EQ(fileRequests[0].fltkFilter, "*.3ds\t*.3[dD][sS]");
  EXPECT_EQ(savedPath("3ds"), "(none)");
  EXPECT_EQ(scene.objectCount(), 0u);
}

}  // namespace
}  // namespace vlm::test
