// The headless toolkit: the scripted user, what it records, and the form's events; and
// the import-dialog slot and DoEvents, as the importers reach them.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "platform/Error.h"
#include "support/ErrorOf.h"
#include "ui/HeadlessToolkit.h"
#include "ui/ImportDialog.h"

namespace vlm::ui {
namespace {

using test::errorOf;

enum Id : ControlId { kFrame, kBox, kOther, kList, kOk, kClose, kBar, kDialog, kCount };

const std::array<ControlSpec, kCount> kControls{{
    {"fraOne", ControlKind::Frame, "One", {0, 0, 100, 100}, 0},
    {"chkBox", ControlKind::CheckBox, "Box", {10, 10, 50, 20}, 1, kFrame, 1},
    {"fraOther", ControlKind::Frame, "Other", {0, 0, 100, 100}, 2},
    {"cmbList", ControlKind::ComboBox, "", {0, 200, 100, 20}, 3},
    {"cmdOk", ControlKind::CommandButton, "OK", {0, 300, 50, 20}, 4},
    {"cmdClose", ControlKind::CommandButton, "Close", {50, 300, 50, 20}, 5},
    {"barProgress", ControlKind::ProgressBar, "", {0, 350, 100, 20}, 6},
    {"dlgOpen", ControlKind::CommonDialog, "", {}, -1},
}};
const FormSpec kSpec{"frmTest", "Test", 100, 400, kControls};

// A form owner that records its events; cmdClose unloads, cmdOk asks a question,
// and the form refuses to close while `busy` is set.
class Owner : public FormEvents {
 public:
  explicit Owner(Toolkit& toolkit) : toolkit_(toolkit), form(toolkit.createForm(kSpec, *this)) {}

  void onLoad() noexcept override {
    events.push_back("load");
    form->addItem(kList, "a");
    form->addItem(kList, "b");
  }
  void onClick(ControlId id) noexcept override {
    events.push_back("click " + std::to_string(id));
    if (id == kClose) form->unload();
    if (id == kOk) {
      answers.push_back(toolkit_.messageBox("Sure?", MsgIcon::Question, MsgButtons::YesNo, "T"));
    }
  }
  bool onQueryUnload() noexcept override {
    events.push_back("query");
    return !busy;
  }
  void onUnload() noexcept override { events.push_back("unload"); }

  Toolkit& toolkit_;
  std::unique_ptr<Form> form;
  std::vector<std::string> events;
  std::vector<MsgResult> answers;
  bool busy = false;
};

TEST(HeadlessToolkit, IdleActionsRunInOrderUntilTheFormCloses) {
  HeadlessToolkit toolkit;
  toolkit.whenIdle(UserAction::select("cmbList", 1));
  toolkit.whenIdle(UserAction::click("cmdClose"));
  toolkit.whenIdle(UserAction::click("cmdOk"));  // left for the next form
  Owner owner(toolkit);
  owner.form->showModal();
  EXPECT_EQ(owner.events,
            (std::vector<std::string>{"load", "click 3", "click 5", "query", "unload"}));
  EXPECT_FALSE(owner.form->isOpen());
  EXPECT_TRUE(toolkit.hasPendingIdleActions());
  EXPECT_EQ(toolkit.lastForm()->listText(kList), "b");
}

// Without actions the user presses the close box, once more when the form refuses to
// close; a form that still refuses does not hang the loop.
TEST(HeadlessToolkit, WithoutActionsTheCloseBoxIsPressedAndARefusalDoesNotHang) {
  for (bool busy : {false, true}) {
    HeadlessToolkit toolkit;
    Owner owner(toolkit);
    owner.busy = busy;
    owner.form->showModal();
    EXPECT_FALSE(owner.form->isOpen());
    EXPECT_EQ(owner.events, busy ? (std::vector<std::string>{"load", "query"})
                                 : (std::vector<std::string>{"load", "query", "unload"}));
    EXPECT_EQ(toolkit.log().size(), busy ? 2u : 1u);
  }
}

TEST(HeadlessToolkit, DisabledAndHiddenControlsCannotBeReached) {
  HeadlessToolkit toolkit;
  Owner owner(toolkit);
  toolkit.whenIdle(UserAction::call([&] { owner.form->setEnabled(kOk, false); }));
  toolkit.whenIdle(UserAction::click("cmdOk"));
  toolkit.whenIdle(UserAction::setCheck("chkBox", false));  // behind fraOther
  toolkit.whenIdle(UserAction::click("cmdNothing"));
  toolkit.whenIdle(UserAction::call([&] { owner.form->bringToFront(kFrame); }));
  toolkit.whenIdle(UserAction::setCheck("chkBox", false));
  toolkit.whenIdle(UserAction::click("cmdClose"));
  owner.form->showModal();
  EXPECT_EQ(owner.events,
            (std::vector<std::string>{"load", "click 1", "click 5", "query", "unload"}));
  EXPECT_EQ(toolkit.log().size(), 3u);
  EXPECT_EQ(toolkit.lastForm()->control("chkBox").value, 0);
}

TEST(HeadlessToolkit, TimedActionsRunInsideTheirYield) {
  HeadlessToolkit toolkit;
  Owner owner(toolkit);
  std::vector<uint64_t> seenAt;
  toolkit.atYield(3, UserAction::call([&] { seenAt.push_back(toolkit.yields()); }));
  toolkit.atYield(3, UserAction::click("cmdOk"));
  toolkit.answerQuestion(MsgResult::Yes);
  toolkit.whenIdle(UserAction::call([&] {
    for (int i = 0; i < 5; ++i) toolkit.doEvents();
    toolkit.atYield(2, UserAction::call([&] { seenAt.push_back(toolkit.yields()); }));
    toolkit.doEvents();  // a yield already passed: the action runs at the next one
  }));
  toolkit.whenIdle(UserAction::click("cmdClose"));
  owner.form->showModal();
  EXPECT_EQ(seenAt, (std::vector<uint64_t>{3, 6}));
  EXPECT_EQ(owner.answers, std::vector<MsgResult>{MsgResult::Yes});
}

TEST(HeadlessToolkit, QuestionsTakeAnswersInOrderThenNoAndEveryBoxIsRecorded) {
  HeadlessToolkit toolkit;
  toolkit.answerQuestion(MsgResult::Yes);
  EXPECT_EQ(toolkit.messageBox("Q1", MsgIcon::None, MsgButtons::YesNo, "T"), MsgResult::Yes);
  EXPECT_EQ(toolkit.messageBox("Info", MsgIcon::Information, MsgButtons::Ok, "T"), MsgResult::Ok);
  EXPECT_EQ(toolkit.messageBox("Q2", MsgIcon::None, MsgButtons::YesNo, "T"), MsgResult::No);
  ASSERT_EQ(toolkit.messages().size(), 3u);
  const MessageRecord& info = toolkit.messages()[1];
  EXPECT_EQ(info.text, "Info");
  EXPECT_EQ(info.icon, MsgIcon::Information);
  EXPECT_EQ(info.buttons, MsgButtons::Ok);
  EXPECT_EQ(info.title, "T");
}

TEST(HeadlessToolkit, FileDialogTakesAnswersAndCancelIsItsOwnError) {
  HeadlessToolkit toolkit;
  Owner owner(toolkit);
  toolkit.answerFileDialog("/data/a.obj");
  toolkit.cancelFileDialog();
  owner.form->setDialogFilter(kDialog, "*.obj|*.obj");
  owner.form->setDialogInitDir(kDialog, "/data");
  owner.form->showOpen(kDialog);
  EXPECT_EQ(owner.form->dialogFileName(kDialog), "/data/a.obj");
  for (int attempt = 0; attempt < 2; ++attempt) {  // the cancel answer, then no answer left
    try {
      owner.form->showOpen(kDialog);
      FAIL();
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), err::kCancel);
    }
  }
  ASSERT_EQ(toolkit.fileDialogs().size(), 3u);
  EXPECT_EQ(toolkit.fileDialogs()[0].filter, "*.obj|*.obj");
  EXPECT_EQ(toolkit.fileDialogs()[0].initDir, "/data");
  EXPECT_FALSE(toolkit.fileDialogs()[0].cancelled);
  EXPECT_TRUE(toolkit.fileDialogs()[1].cancelled);
}

TEST(HeadlessToolkit, CodeChangesFireClickOnlyOnChangeAndProgressIsReported) {
  HeadlessToolkit toolkit;
  Owner owner(toolkit);
  std::vector<std::pair<float, float>> seen;
  toolkit.setProgressListener([&](float value, float max) { seen.emplace_back(value, max); });
  owner.form->addItem(kList, "a");
  owner.form->setListIndex(kList, 0);
  owner.form->setListIndex(kList, 0);
  owner.form->setCheckValue(kBox, 1);  // already checked
  owner.form->setCheckValue(kBox, 0);
  EXPECT_EQ(owner.events, (std::vector<std::string>{"click 3", "click 1"}));
  owner.form->setProgressMax(kBar, 11);
  owner.form->setProgressValue(kBar, 4);
  EXPECT_EQ(seen, (std::vector<std::pair<float, float>>{{0, 11}, {4, 11}}));
}

// Importers store into the bar once per record; the listener hears of a stored value at
// the next yield, once, and never of a value the bar refused.
TEST(HeadlessToolkit, StoredProgressIsToldAtTheNextYieldOnce) {
  HeadlessToolkit toolkit;
  Owner owner(toolkit);
  std::vector<std::pair<float, float>> seen;
  toolkit.setProgressListener([&](float value, float max) { seen.emplace_back(value, max); });
  int32_t refused = 0;
  toolkit.whenIdle(UserAction::call([&] {
    ProgressBarState& bar = owner.form->progressBar(kBar);
    bar.set(3);
    bar.set(5);
    EXPECT_TRUE(seen.empty());
    toolkit.doEvents();
    toolkit.doEvents();
    refused = errorOf([&] { bar.set(100.5f); });
    bar.set(7);
    toolkit.doEvents();
  }));
  toolkit.whenIdle(UserAction::click("cmdClose"));
  owner.form->showModal();
  EXPECT_EQ(refused, 380);
  EXPECT_EQ(seen, (std::vector<std::pair<float, float>>{{5, 100}, {7, 100}}));
}

TEST(HeadlessToolkit, ShowingAFormThatIsAlreadyShownFails) {
  HeadlessToolkit toolkit;
  Owner owner(toolkit);
  int32_t error = 0;
  toolkit.whenIdle(UserAction::call([&] {
    try {
      owner.form->showModal();
    } catch (const RuntimeError& e) {
      error = e.number();
    }
  }));
  toolkit.whenIdle(UserAction::click("cmdClose"));
  owner.form->showModal();
  EXPECT_EQ(error, 400);
  EXPECT_EQ(toolkit.formsShown(), 1);
}

// --- The import-dialog slot and DoEvents ---------------------------------------------------

class FixedDialog : public IImportDialog {
 public:
  float progressMax() override { return 42; }
  void setProgressValue(float) override {}
  int16_t chkNormValue() override { return 1; }
  int16_t chkSmoothValue() override { return 0; }
};

TEST(ImportDialog, NoDialogIsObjectVariableNotSet) {
  setImportDialog(nullptr);
  EXPECT_EQ(errorOf([] { importDialog(); }), err::kObjectVarNotSet);
  FixedDialog dialog;
  setImportDialog(&dialog);
  EXPECT_EQ(importDialog().progressMax(), 42);
  setImportDialog(nullptr);
}

// DoEvents is harmless without a toolkit; a message box fails clearly.
TEST(ImportDialog, DoEventsReachesTheInstalledToolkitOnly) {
  setToolkit(nullptr);
  DoEvents();
  EXPECT_EQ(errorOf([] { messageBox("x", MsgIcon::None, MsgButtons::Ok, "T"); }),
            err::kCantCreateObject);
  HeadlessToolkit toolkit;
  setToolkit(&toolkit);
  for (int i = 0; i < 1000; ++i) DoEvents();
  EXPECT_EQ(toolkit.yields(), 1000u);
  setToolkit(nullptr);
  DoEvents();
  EXPECT_EQ(toolkit.yields(), 1000u);
}

}  // namespace
}  // namespace vlm::ui
