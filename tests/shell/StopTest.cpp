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

  // An OBJ import whose importer waits; at its 3rd yield the user does `action`,
  // answering a question with `answer`.
  void importAndAtThirdYield(UserAction action, MsgResult answer) {
    scriptImport(kObj, makeFile("a.obj"));
    toolkit.atYield(3, std::move(action));
    toolkit.answerQuestion(answer);
  }

  bool prepareImportCalled() const {
    for (const auto& r : recorder.records()) {
      if (r.member == "Prepare_Import") return true;
    }
    return false;
  }

  void expectOneStopQuestion() const {
    ASSERT_EQ(toolkit.messages().size(), 1u);
    const ui::MessageRecord& m = toolkit.messages()[0];
    EXPECT_EQ(m.text, "Do you want to stop Import?");
    EXPECT_EQ(m.buttons, ui::MsgButtons::YesNo);
    EXPECT_EQ(m.title, "VLMImport");
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
  std::vector<std::string> disabled;
  bool cancelEnabled = false;
  ui::MousePointer pointer = ui::MousePointer::Default;
  bool stopImport = true;
  toolkit.atYield(2, UserAction::call([&] {
                    const ui::FormModel& form = *toolkit.lastForm();
                    for (const char* name : kLocked) {
                      if (!form.control(name).enabled) disabled.emplace_back(name);
                    }
                    cancelEnabled = form.control("cmdCancel").enabled;
                    pointer = toolkit.mousePointer();
                    stopImport = modImport::StopImport;
                  }));
  toolkit.atYield(3, UserAction::click("cmdCancel"));
  toolkit.answerQuestion(MsgResult::Yes);
  pressWhenIdle("cmdCancel");
  showDialog();
  EXPECT_EQ(disabled.size(), std::size(kLocked));
  EXPECT_TRUE(cancelEnabled);
  EXPECT_EQ(pointer, ui::MousePointer::Hourglass);
  EXPECT_FALSE(stopImport);
  EXPECT_EQ(toolkit.mousePointer(), ui::MousePointer::Default);
}

TEST_F(StopTest, CancelAnsweredNoLetsTheImportFinishAndClose) {
  importAndAtThirdYield(UserAction::click("cmdCancel"), MsgResult::No);
  EXPECT_EQ(showDialog(), 1);
  expectOneStopQuestion();
  EXPECT_FALSE(importerLog.sawStop);
  EXPECT_TRUE(prepareImportCalled());
  EXPECT_FALSE(lastForm().isOpen());
  EXPECT_TRUE(modImport::StopImport);
}

TEST_F(StopTest, CancelAnsweredYesStopsAndLeavesTheDialogIdle) {
  importAndAtThirdYield(UserAction::click("cmdCancel"), MsgResult::Yes);
  bool openAfterRun = false;
  std::vector<std::string> enabled;
  float progress = -1;
  toolkit.whenIdle(UserAction::call([&] {
    const ui::FormModel& form = *toolkit.lastForm();
    openAfterRun = form.isOpen();
    for (const char* name : kLocked) {
      if (form.control(name).enabled) enabled.emplace_back(name);
    }
    progress = form.control("ProgressBar1").progress;
  }));
  pressWhenIdle("cmdCancel");
  EXPECT_EQ(showDialog(), -1);
  expectOneStopQuestion();
  EXPECT_TRUE(importerLog.sawStop);
  EXPECT_FALSE(prepareImportCalled());
  EXPECT_TRUE(openAfterRun);
  EXPECT_EQ(enabled.size(), std::size(kLocked));
  EXPECT_EQ(progress, 0);
  EXPECT_EQ(toolkit.mousePointer(), ui::MousePointer::Default);
}

TEST_F(StopTest, CloseBoxAnsweredNoKeepsImportAndDialogGoing) {
  importAndAtThirdYield(UserAction::closeBox(), MsgResult::No);
  bool openDuringRun = false;
  bool running = false;
  toolkit.atYield(5, UserAction::call([&] {
                    openDuringRun = toolkit.lastForm()->isOpen();
                    running = !modImport::StopImport;
                  }));
  EXPECT_EQ(showDialog(), 1);
  expectOneStopQuestion();
  EXPECT_TRUE(openDuringRun);
  EXPECT_TRUE(running);
  EXPECT_FALSE(importerLog.sawStop);
  EXPECT_FALSE(lastForm().isOpen());  // closed by the completed run
}

TEST_F(StopTest, CloseBoxAnsweredYesStopsButTheDialogStaysOpen) {
  importAndAtThirdYield(UserAction::closeBox(), MsgResult::Yes);
  bool openAfterRun = false;
  bool importEnabled = false;
  toolkit.whenIdle(UserAction::call([&] {
    openAfterRun = toolkit.lastForm()->isOpen();
    importEnabled = toolkit.lastForm()->control("cmdImport").enabled;
  }));
  pressWhenIdle("cmdCancel");
  EXPECT_EQ(showDialog(), -1);
  expectOneStopQuestion();
  EXPECT_TRUE(importerLog.sawStop);
  EXPECT_FALSE(prepareImportCalled());
  EXPECT_TRUE(openAfterRun);
  EXPECT_TRUE(importEnabled);
}

}  // namespace
}  // namespace vlm::testing
