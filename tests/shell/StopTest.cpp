// Cancel and the close box, while idle and while an import runs, answered Yes and No.
#include "ShellTestSupport.h"
#include "textio/modImport.h"

namespace vlm::testing {
namespace {

using ui::MsgResult;
using ui::UserAction;

constexpr const char* kLocked[] = {"cmbFormat", "cmdImport", "chkAutoSmooth", "chkNorm",
                                   "chkSmooth"};

class StopTest : public ShellTest {
 protected:
  StopTest() {
    script.objects = 1;
    script.waitForStop = 20;
  }

  // The names of the locked controls that are enabled now.
  std::vector<std::string> enabledLocked() const {
    std::vector<std::string> names;
    for (const char* name : kLocked) {
      if (toolkit.lastForm()->control(name).enabled) names.emplace_back(name);
    }
    return names;
  }
};

TEST_F(StopTest, IdleCancelAndCloseBoxCloseWithoutAsking) {
  for (UserAction action : {UserAction::click("cmdCancel"), UserAction::closeBox()}) {
    toolkit.whenIdle(action);
    EXPECT_EQ(showDialog(), -1);
    EXPECT_FALSE(lastForm().isOpen());
  }
  EXPECT_TRUE(toolkit.messages().empty());
  EXPECT_TRUE(toolkit.log().empty());
}

TEST_F(StopTest, RunningLocksTheControlsButCancelShowsTheHourglass) {
  scriptImport(kObj, makeFile("a.obj"));
  std::vector<std::string> enabled{"(not probed)"};
  bool cancelEnabled = false;
  ui::MousePointer pointer = ui::MousePointer::Default;
  bool stopImport = true;
  toolkit.atYield(2, UserAction::call([&] {
                    enabled = enabledLocked();
                    cancelEnabled = toolkit.lastForm()->control("cmdCancel").enabled;
                    pointer = toolkit.mousePointer();
                    stopImport = modImport::StopImport;
                  }));
  toolkit.atYield(3, UserAction::click("cmdCancel"));
  toolkit.answerQuestion(MsgResult::Yes);
  pressWhenIdle("cmdCancel");
  showDialog();
  EXPECT_TRUE(enabled.empty());
  EXPECT_TRUE(cancelEnabled);
  EXPECT_EQ(pointer, ui::MousePointer::Hourglass);
  EXPECT_FALSE(stopImport);
  EXPECT_EQ(toolkit.mousePointer(), ui::MousePointer::Default);
}

struct StopCase {
  const char* name;
  bool closeBox;  // the close box rather than Cancel
  MsgResult answer;
};

class StopWhileRunning : public StopTest, public ::testing::WithParamInterface<StopCase> {};

// At the importer's 3rd yield the user asks to stop. Yes stops the import and leaves the
// dialog idle and open; No lets the import run on (the dialog open meanwhile) and
// complete, which closes the dialog.
TEST_P(StopWhileRunning, AsksOnceAndObeysTheAnswer) {
  const StopCase& c = GetParam();
  const bool stops = c.answer == MsgResult::Yes;
  scriptImport(kObj, makeFile("a.obj"));
  toolkit.atYield(3, c.closeBox ? UserAction::closeBox() : UserAction::click("cmdCancel"));
  toolkit.answerQuestion(c.answer);
  bool openDuringRun = false, running = false, openAfterRun = false;
  std::vector<std::string> enabledAfter;
  float progressAfter = -1;
  toolkit.atYield(5, UserAction::call([&] {
                    openDuringRun = toolkit.lastForm()->isOpen();
                    running = !modImport::StopImport;
                  }));
  if (stops) {
    toolkit.whenIdle(UserAction::call([&] {
      openAfterRun = toolkit.lastForm()->isOpen();
      enabledAfter = enabledLocked();
      progressAfter = toolkit.lastForm()->control("ProgressBar1").bar.value;
    }));
    pressWhenIdle("cmdCancel");
  }
  EXPECT_EQ(showDialog(), stops ? -1 : 1);
  ASSERT_EQ(toolkit.messages().size(), 1u);
  const ui::MessageRecord& m = toolkit.messages()[0];
  EXPECT_EQ(m.text, "Do you want to stop Import?");
  EXPECT_EQ(m.buttons, ui::MsgButtons::YesNo);
  EXPECT_EQ(m.title, "VLMImport");
  EXPECT_EQ(importerLog.sawStop, stops);
  EXPECT_EQ(called("Prepare_Import"), !stops);
  EXPECT_TRUE(modImport::StopImport);
  EXPECT_EQ(toolkit.mousePointer(), ui::MousePointer::Default);
  if (stops) {
    EXPECT_TRUE(openAfterRun);
    EXPECT_EQ(enabledAfter.size(), std::size(kLocked));
    EXPECT_EQ(progressAfter, 0);
  } else {
    EXPECT_TRUE(openDuringRun);
    EXPECT_TRUE(running);
    EXPECT_FALSE(lastForm().isOpen());  // closed by the completed run
  }
}

INSTANTIATE_TEST_SUITE_P(Requests, StopWhileRunning,
                         ::testing::Values(StopCase{"CancelNo", false, MsgResult::No},
                                           StopCase{"CancelYes", false, MsgResult::Yes},
                                           StopCase{"CloseBoxNo", true, MsgResult::No},
                                           StopCase{"CloseBoxYes", true, MsgResult::Yes}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vlm::testing
