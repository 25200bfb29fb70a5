// The control rules, the headless toolkit's scripted user and what it records, and its
// yield as the importers reach it.
#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "TestForm.h"
#include "support/ErrorOf.h"
#include "ui/HeadlessToolkit.h"

namespace vlm::test {
namespace {

using namespace ui;
using Strings = std::vector<std::string>;

// Setters tell whether the value changed (onClick fires then); a refused value is error
// 380, another kind's property 438, no such control 9, and nothing changes. A lower
// maximum pulls the value down; the frame in front hides the controls of the one it covers.
TEST(FormModel, ControlsFollowTheClassicRules) {
  FormModel m(kTestForm);
  m.addItem(kList, "a");
  EXPECT_EQ(m.listText(kList), "");
  EXPECT_EQ((std::vector<bool>{m.setListIndex(kList, 0), m.setListIndex(kList, 0),
                               m.setListIndex(kList, -1), m.setCheckValue(kBox, 1),
                               m.setCheckValue(kBox, 0), m.setCheckValue(kBox, 2),
                               m.setListIndex(kList, 0)}),
            (std::vector<bool>{true, false, true, false, true, true, true}));
  const std::pair<std::function<void()>, int32_t> cases[] = {
      {[&] { m.setListIndex(kList, 1); }, 380},  {[&] { m.setListIndex(kList, -2); }, 380},
      {[&] { m.setCheckValue(kBox, 3); }, 380},  {[&] { m.setCheckValue(kBox, -1); }, 380},
      {[&] { m.setProgressMax(kBar, 0); }, 380}, {[&] { m.setCheckValue(kList, 0); }, 438},
      {[&] { m.setEnabled(kCount, false); }, 9}, {[&] { m.control("cmdNone"); }, 5}};
  for (const auto& [call, error] : cases) EXPECT_EQ(errorOf(call), error);
  m.setProgressValue(kBar, 100);
  m.setProgressMax(kBar, 5);
  const ProgressBarState& bar = m.control(kBar).bar;
  EXPECT_EQ(std::tuple(m.listText(kList), m.control("CHKBOX").value, bar.value, bar.max),
            std::tuple("a", 2, 5.0f, 5.0f));
  Strings fronts;  // the frame in front, and whether the box lies hidden
  for (const ControlId front : {kTitle, kBack, kFront}) {
    m.bringToFront(front);
    fronts.push_back(std::string(m.frontFrame()) + (m.isHidden(kBox) ? ", box hidden" : ""));
  }
  EXPECT_EQ(fronts, (Strings{"fraFront, box hidden", "fraBack", "fraFront, box hidden"}));
  EXPECT_FALSE(m.isHidden(kList));
}

// The user cannot reach disabled controls, controls under another frame or controls
// that do not exist, and the log says so; actions left over wait for the next form.
TEST(HeadlessToolkit, ScriptedUserActsInOrderOnWhatItCanReach) {
  HeadlessToolkit toolkit;
  Recorder owner(toolkit);
  for (const char* text : {"a", "b"}) owner.form->addItem(kList, text);
  int32_t shownAgain = 0;
  toolkit.whenIdle(UserAction::call([&] { owner.form->setEnabled(kOk, false); }));
  for (const char* button : {"cmdOk", "cmdNone"}) toolkit.whenIdle(UserAction::click(button));
  toolkit.whenIdle(UserAction::setCheck("chkBox", false));
  toolkit.whenIdle(UserAction::select("cmbList", 5));
  toolkit.whenIdle(UserAction::call([&] {
    owner.form->bringToFront(kBack);
    shownAgain = errorOf([&] { owner.form->showModal(); });
  }));
  for (int i = 0; i < 2; ++i) toolkit.whenIdle(UserAction::setCheck("chkBox", false));
  toolkit.whenIdle(UserAction::select("cmbList", 1));
  for (const char* button : {"cmdClose", "cmdOk"}) toolkit.whenIdle(UserAction::click(button));
  owner.form->showModal();
  EXPECT_EQ(owner.events, (Strings{"load", "click chkBox", "click cmbList", "click cmdClose",
                                   "query", "unload"}));
  EXPECT_EQ(toolkit.log(),
            (Strings{"cmdOk is disabled: action not performed", "no control named cmdNone",
                     "chkBox is hidden behind another frame: action not performed",
                     "cmbList: Invalid property value"}));
  const FormModel& last = *toolkit.lastForm();
  EXPECT_EQ(std::tuple(shownAgain, toolkit.formsShown(), toolkit.hasPendingIdleActions(),
                       last.listText(kList), last.control(kBox).value, last.isOpen()),
            std::tuple(400, 1, true, "b", 0, false));
}

// Timed actions run inside the n-th yield (or the next, once it has passed) on the form
// shown, else are dropped. Questions take their answers, then No; a box without a title
// shows the component's name. Without a toolkit a message box is error 429.
TEST(HeadlessToolkit, TimedActionsAndAnswersComeInTheirTurn) {
  HeadlessToolkit toolkit;
  setToolkit(&toolkit);
  Recorder owner(toolkit);
  std::vector<uint64_t> at;
  const auto noteYield = UserAction::call([&] { at.push_back(toolkit.yields()); });
  for (const auto& action : {noteYield, UserAction::click("cmdOk")}) toolkit.atYield(3, action);
  toolkit.whenIdle(UserAction::call([&] {
    for (int i = 0; i < 5; ++i) toolkit.doEvents();
    toolkit.atYield(2, noteYield);
    toolkit.doEvents();
  }));
  owner.form->showModal();
  toolkit.atYield(8, noteYield);
  for (int i = 0; i < 2; ++i) toolkit.doEvents();
  EXPECT_EQ(at, (std::vector<uint64_t>{3, 6}));
  EXPECT_EQ(owner.events, (Strings{"load", "click cmdOk", "query", "unload"}));
  EXPECT_EQ(toolkit.log().back(), "yield 8: no form is shown, action dropped");

  toolkit.answerQuestion(MsgResult::Yes);
  std::vector<MsgResult> answers;
  for (const MsgButtons buttons : {MsgButtons::YesNo, MsgButtons::Ok, MsgButtons::YesNo}) {
    answers.push_back(messageBox("Go?", MsgIcon::Question, buttons, ""));
  }
  EXPECT_EQ(std::pair(answers, toolkit.messages()[1].title),
            std::pair(std::vector<MsgResult>{MsgResult::Yes, MsgResult::Ok, MsgResult::No},
                      std::string("VLMImport")));

  setToolkit(nullptr);
  EXPECT_EQ(std::pair(toolkit.yields(), errorOf([] { messageBox("", {}, {}, ""); })),
            std::pair(uint64_t{8}, 429));
}

// The progress listener hears of every maximum and value set, and of a value stored into
// the bar (as the importers do) at the next yield, once; never of a value the bar refused.
// A form that refuses the close box, also once no action is left, still ends the loop.
TEST(HeadlessToolkit, StoredProgressIsToldAtTheNextYieldAndARefusedCloseEndsTheLoop) {
  HeadlessToolkit toolkit;
  Recorder owner(toolkit);
  std::vector<std::pair<float, float>> told;
  toolkit.setProgressListener([&](float value, float max) { told.emplace_back(value, max); });
  owner.form->setProgressMax(kBar, 11);
  owner.form->setProgressValue(kBar, 4);
  int32_t refused = 0;
  toolkit.whenIdle(UserAction::call([&] {
    ProgressBarState& bar = owner.form->progressBar(kBar);
    for (const float value : {3.0f, 5.0f}) bar.set(value);
    for (int i = 0; i < 2; ++i) toolkit.doEvents();
    refused = errorOf([&] { bar.set(11.5f); });
    bar.set(7);
    toolkit.doEvents();
  }));
  toolkit.whenIdle(UserAction::closeBox());
  owner.refuse = true;
  owner.form->showModal();
  EXPECT_EQ(owner.events, (Strings{"load", "query", "query"}));
  EXPECT_EQ(toolkit.log(), (Strings{"no action left: the user closes frmTest",
                                    "frmTest refused to close; the modal loop ends"}));
  EXPECT_EQ(told, (std::vector<std::pair<float, float>>{{0, 11}, {4, 11}, {5, 11}, {7, 11}}));
  EXPECT_EQ(std::tuple(refused, owner.form->progressValue(kBar), owner.form->progressMax(kBar),
                       owner.form->isOpen()),
            std::tuple(380, 7.0f, 11.0f, false));
}

}  // namespace
}  // namespace vlm::test
