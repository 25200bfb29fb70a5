// The control rules, the headless toolkit's scripted user and what it records, and the
// import-dialog slot and DoEvents as the importers reach them.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "TestForm.h"
#include "platform/Error.h"
#include "support/ErrorOf.h"
#include "ui/HeadlessToolkit.h"
#include "ui/ImportDialog.h"

namespace vlm::test {
namespace {

using namespace ui;
using Strings = std::vector<std::string>;

// A refused value raises its error and leaves the control as it was: 380 for a value
// the control refuses, 438 for another kind's property, 9 for no such control.
TEST(FormModel, RefusedValuesRaiseTheirErrorAndChangeNothing) {
  FormModel model(kTestForm);
  model.addItem(kList, "a");
  model.addItem(kList, "b");
  model.setListIndex(kList, 1);
  model.setProgressMax(kBar, 11);
  model.setProgressValue(kBar, 11);
  const std::vector<std::pair<std::function<void()>, int32_t>> cases{
      {[&] { model.setListIndex(kList, 2); }, 380},
      {[&] { model.setListIndex(kList, -2); }, 380},
      {[&] { model.setCheckValue(kBox, 3); }, 380},
      {[&] { model.setCheckValue(kBox, -1); }, 380},
      {[&] { model.setProgressValue(kBar, 11.5f); }, 380},
      {[&] { model.setProgressValue(kBar, -0.5f); }, 380},
      {[&] { model.setProgressMax(kBar, 0); }, 380},
      {[&] { model.setListIndex(kBox, 0); }, 438},
      {[&] { model.setCheckValue(kList, 0); }, 438},
      {[&] { model.setDialogFilter(kOk, ""); }, 438},
      {[&] { model.setEnabled(kCount, 0); }, 9},
      {[&] { model.bringToFront(-1); }, 9},
      {[&] { model.control("cmdNone"); }, 5}};
  for (size_t i = 0; i < cases.size(); ++i)
    EXPECT_EQ(errorOf(cases[i].first), cases[i].second) << i;
  EXPECT_EQ(std::tuple(model.listText(kList), model.control("CHKBOX").value,
                       model.control(kBar).bar.value),
            std::tuple("b", 1, 11.0f));
}

// Setters report a change (the toolkit fires onClick then); a lower maximum pulls the
// value down; the frame in front hides the controls of the frame it covers; the model
// keeps its own copies of the texts.
TEST(FormModel, AcceptedValuesReportChangesAndTheFrameInFrontHidesTheOther) {
  FormModel model(kTestForm);
  model.addItem(kList, "a");
  EXPECT_EQ(model.listText(kList), "");
  EXPECT_EQ((std::vector<bool>{model.setListIndex(kList, 0), model.setListIndex(kList, 0),
                               model.setCheckValue(kBox, 1), model.setCheckValue(kBox, 0),
                               model.setCheckValue(kBox, 2), model.setListIndex(kList, -1)}),
            (std::vector<bool>{true, false, false, true, true, true}));
  model.setListIndex(kList, 0);
  model.setProgressValue(kBar, 100);
  model.setProgressMax(kBar, 5);
  EXPECT_EQ(std::tuple(model.listText(kList), model.control(kBar).bar.value),
            std::tuple("a", 5.0f));

  std::vector<std::tuple<std::string, bool, bool>> seen;
  for (const ControlId front : {kTitle, kBack, kFront}) {
    model.bringToFront(front);
    seen.emplace_back(model.frontFrame(), model.isHidden(kBox), model.isHidden(kList));
  }
  EXPECT_EQ(seen,
            (std::vector<std::tuple<std::string, bool, bool>>{
                {"fraFront", true, false}, {"fraBack", false, false}, {"fraFront", true, false}}));

  std::string text = "chkOwn";
  const ControlSpec own{text, ControlKind::CheckBox, text, {}};
  const FormModel copied(FormSpec{"frm", "", 0, 0, std::span(&own, 1)});
  text = "xxxxxx";
  EXPECT_EQ(std::tuple(copied.control(0).text, copied.find("CHKown")), std::tuple("chkOwn", 0));
}

// The user cannot reach disabled controls, controls under another frame or controls
// that do not exist, and the log says so; actions left over wait for the next form.
TEST(HeadlessToolkit, ScriptedUserActsInOrderOnWhatItCanReach) {
  HeadlessToolkit toolkit;
  Recorder owner(toolkit);
  owner.form->addItem(kList, "a");
  owner.form->addItem(kList, "b");
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
  EXPECT_EQ(std::tuple(shownAgain, toolkit.formsShown(), toolkit.hasPendingIdleActions()),
            std::tuple(400, 1, true));
  EXPECT_EQ(std::tuple(toolkit.lastForm()->listText(kList), toolkit.lastForm()->control(kBox).value,
                       toolkit.lastForm()->isOpen()),
            std::tuple("b", 0, false));
}

// With no action left the user presses the close box; a form that refuses it still
// ends the modal loop instead of hanging.
TEST(HeadlessToolkit, CloseBoxEndsTheModalLoopEvenWhenRefused) {
  for (const bool refuse : {false, true}) {
    HeadlessToolkit toolkit;
    Recorder owner(toolkit);
    owner.refuse = refuse;
    toolkit.whenIdle(UserAction::closeBox());
    owner.form->showModal();
    EXPECT_FALSE(owner.form->isOpen());
    EXPECT_EQ(owner.events, (Strings{"load", "query", refuse ? "query" : "unload"}));
    EXPECT_EQ(toolkit.log().size(), refuse ? 2u : 0u);
  }
}

// Timed actions run inside the n-th DoEvents (or the next, when it has passed) on the
// form being shown, and are dropped when none is. Questions take their answers in turn,
// then No; every box and file dialog is recorded.
TEST(HeadlessToolkit, TimedActionsAndAnswersComeInTheirTurn) {
  HeadlessToolkit toolkit;
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
  EXPECT_EQ(
      (std::vector<MsgResult>{toolkit.messageBox("Q", MsgIcon::Question, MsgButtons::YesNo, "T"),
                              toolkit.messageBox("I", MsgIcon::Information, MsgButtons::Ok, "U"),
                              toolkit.messageBox("Q", MsgIcon::None, MsgButtons::YesNo, "T")}),
      (std::vector<MsgResult>{MsgResult::Yes, MsgResult::Ok, MsgResult::No}));
  const MessageRecord& info = toolkit.messages().at(1);
  EXPECT_EQ(std::tuple(info.text, info.icon, info.buttons, info.title, info.answer),
            std::tuple("I", MsgIcon::Information, MsgButtons::Ok, "U", MsgResult::Ok));

  toolkit.answerFileDialog("/data/a.obj");
  toolkit.cancelFileDialog();
  owner.form->setDialogFilter(kDialog, "*.obj|*.obj");
  owner.form->setDialogInitDir(kDialog, "/data");
  // The chosen file, then the cancel answer and no answer left: both error 32755.
  EXPECT_EQ((std::vector<int32_t>{errorOf([&] { owner.form->showOpen(kDialog); }),
                                  errorOf([&] { owner.form->showOpen(kDialog); }),
                                  errorOf([&] { owner.form->showOpen(kDialog); })}),
            (std::vector<int32_t>{0, 32755, 32755}));
  EXPECT_EQ(owner.form->dialogFileName(kDialog), "/data/a.obj");
  const FileDialogRecord& first = toolkit.fileDialogs().at(0);
  EXPECT_EQ(std::tuple(first.filter, first.initDir, first.cancelled,
                       toolkit.fileDialogs().at(1).cancelled),
            std::tuple("*.obj|*.obj", "/data", false, true));
}

// Changes from code fire onClick only when the value changes. The progress listener
// hears of every maximum and value set, and of a value stored into the bar (as the
// importers do) at the next yield, once; never of a value the bar refused.
TEST(HeadlessToolkit, CodeChangesFireOnChangeAndStoredProgressIsToldAtTheNextYield) {
  HeadlessToolkit toolkit;
  Recorder owner(toolkit);
  std::vector<std::pair<float, float>> told;
  toolkit.setProgressListener([&](float value, float max) { told.emplace_back(value, max); });
  owner.form->addItem(kList, "a");
  for (const int32_t index : {0, 0}) owner.form->setListIndex(kList, index);
  for (const int16_t value : {1, 0, 0}) owner.form->setCheckValue(kBox, value);
  EXPECT_EQ(owner.events, (Strings{"click cmbList", "click chkBox"}));
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
  owner.form->showModal();
  EXPECT_EQ(refused, 380);
  EXPECT_EQ(told, (std::vector<std::pair<float, float>>{{0, 11}, {4, 11}, {5, 11}, {7, 11}}));
  EXPECT_EQ(std::tuple(owner.form->listIndex(kList), owner.form->checkValue(kBox),
                       owner.form->progressValue(kBar), owner.form->progressMax(kBar)),
            std::tuple(0, 0, 7.0f, 11.0f));
}

class FixedDialog : public IImportDialog {
  float progressMax() override { return 0; }
  void setProgressValue(float) override {}
  int16_t chkNormValue() override { return 0; }
  int16_t chkSmoothValue() override { return 0; }
};

// The importers reach the dialog and the toolkit the host installed; without them the
// dialog is error 91, DoEvents does nothing and a message box is error 429. A box
// without a title shows the component's name.
TEST(ImportDialog, SlotsReachWhatTheHostInstalled) {
  setImportDialog(nullptr);
  EXPECT_EQ(errorOf([] { importDialog(); }), 91);
  FixedDialog dialog;
  setImportDialog(&dialog);
  EXPECT_EQ(&importDialog(), &dialog);
  setImportDialog(nullptr);
  DoEvents();
  EXPECT_EQ(errorOf([] { messageBox("x", MsgIcon::None, MsgButtons::Ok, "T"); }), 429);
  HeadlessToolkit toolkit;
  setToolkit(&toolkit);
  for (int i = 0; i < 1000; ++i) DoEvents();
  messageBox("x", MsgIcon::None, MsgButtons::Ok, "");
  setToolkit(nullptr);
  DoEvents();
  EXPECT_EQ(std::pair(toolkit.yields(), toolkit.messages().at(0).title),
            std::pair(1000ul, std::string("VLMImport")));
}

}  // namespace
}  // namespace vlm::test
