// The FLTK toolkit's forms, message boxes, file dialog and DoEvents, on a real X server,
// with the import dialog's own description and an owner that records its events.
#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Progress.H>
#include <FL/Fl_Window.H>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "FltkTestSupport.h"
#include "platform/Error.h"
#include "shell/frmImportLayout.h"
#include "ui/ImportDialog.h"

namespace vlm::test {
namespace {

using namespace frmImportControls;
using ::testing::ElementsAre;
using ui::MsgButtons;
using ui::MsgIcon;
using ui::MsgResult;

// An owner that records its events and allows or refuses a close as told.
class RecordingEvents : public ui::FormEvents {
 public:
  void onLoad() noexcept override { ++loads; }
  void onClick(ui::ControlId control) noexcept override { clicks.push_back(control); }
  bool onQueryUnload() noexcept override {
    ++queries;
    return allowUnload;
  }
  void onUnload() noexcept override { ++unloads; }

  int loads = 0;
  int queries = 0;
  int unloads = 0;
  bool allowUnload = true;
  std::vector<ui::ControlId> clicks;
};

bool clicked(const RecordingEvents& events, ui::ControlId control) {
  for (ui::ControlId c : events.clicks) {
    if (c == control) return true;
  }
  return false;
}

class FltkFormTest : public FltkTest {
 protected:
  void SetUp() override {
    FltkTest::SetUp();
    if (IsSkipped()) return;
    form_ = toolkit().createForm(frmImportSpec(), events);
  }
  void TearDown() override {
    form_.reset();  // a form goes before its toolkit
    FltkTest::TearDown();
  }

  ui::FltkForm& form() { return static_cast<ui::FltkForm&>(*form_); }
  Fl_Widget& widget(ui::ControlId id) { return *form().widget(id); }
  std::string nameOf(const Fl_Widget* w) {
    for (int id = 0; id < kControlCount; ++id) {
      if (form().widget(id) == w) return form().model().control(id).name;
    }
    return "(none)";
  }

  RecordingEvents events;
  std::unique_ptr<ui::Form> form_;
};

// --- Layout -------------------------------------------------------------------------------

struct Placement {
  ui::ControlId id;
  int x, y, w, h;  // window pixels: the dialog's twips / 15, frames' offsets added
};

TEST_F(FltkFormTest, WindowHasCaptionAndClientSizeInPixels) {
  EXPECT_STREQ(form().window()->label(), "VLMImport");
  EXPECT_EQ(form().window()->w(), 169);
  EXPECT_EQ(form().window()->h(), 174);
}

TEST_F(FltkFormTest, EveryControlSitsAtItsPositionInsideItsFrame) {
  const Placement expected[] = {
      {fraWaveFront, 8, 40, 153, 73},   {chkNorm, 16, 56, 137, 21},
      {chkSmooth, 16, 80, 137, 25},     {fra3DStudio, 8, 40, 153, 73},
      {chkAutoSmooth, 16, 56, 137, 17}, {fraNoOptions, 8, 40, 153, 73},
      {Label1, 8, 0, 153, 17},          {cmbFormat, 8, 16, 153, 21},
      {cmdImport, 8, 120, 65, 25},      {cmdCancel, 96, 120, 65, 25},
      {ProgressBar1, 0, 151, 169, 23},
  };
  for (const Placement& p : expected) {
    const Fl_Widget& w = widget(p.id);
    EXPECT_EQ((std::vector<int>{w.x(), w.y(), w.w(), w.h()}),
              (std::vector<int>{p.x, p.y, p.w, p.h}))
        << form().model().control(p.id).name;
  }
  EXPECT_EQ(form().widget(CommonDialog1), nullptr);
}

TEST_F(FltkFormTest, ControlsShowTheirTextsAndStartStates) {
  EXPECT_STREQ(widget(Label1).label(), "Select a File Format");
  EXPECT_STREQ(widget(cmdImport).label(), "Import");
  EXPECT_STREQ(widget(cmdCancel).label(), "Cancel");
  EXPECT_STREQ(widget(chkNorm).label(), "Import Normals");
  EXPECT_STREQ(widget(chkSmooth).label(), "Smooth all Normal Group");
  EXPECT_STREQ(widget(chkAutoSmooth).label(), "Auto Normals Smoothing");
  EXPECT_STREQ(widget(fraWaveFront).label(), "Options");
  for (ui::ControlId box : {chkNorm, chkSmooth, chkAutoSmooth}) {
    EXPECT_EQ(static_cast<Fl_Button&>(widget(box)).value(), 1) << nameOf(&widget(box));
  }
  EXPECT_EQ(static_cast<Fl_Choice&>(widget(cmbFormat)).value(), -1);
  EXPECT_EQ(static_cast<Fl_Progress&>(widget(ProgressBar1)).minimum(), 0.0f);
}

TEST_F(FltkFormTest, ChildrenAreHeldInTabOrderSoTabWalksIt) {
  std::vector<std::string> windowChildren;
  for (int i = 0; i < form().window()->children(); ++i) {
    windowChildren.push_back(nameOf(form().window()->child(i)));
  }
  EXPECT_THAT(windowChildren, ElementsAre("cmdCancel", "ProgressBar1", "fraWaveFront", "cmdImport",
                                          "cmbFormat", "fra3DStudio", "Label1", "fraNoOptions"));
  Fl_Group* frame = widget(fraWaveFront).as_group();
  ASSERT_EQ(frame->children(), 2);
  EXPECT_EQ(nameOf(frame->child(0)), "chkSmooth");
  EXPECT_EQ(nameOf(frame->child(1)), "chkNorm");
}

TEST_F(FltkFormTest, OnlyTheFrameInFrontIsShown) {
  // Listed last, the empty frame lies in front at start.
  EXPECT_TRUE(widget(fraNoOptions).visible());
  EXPECT_FALSE(widget(fraWaveFront).visible());
  EXPECT_FALSE(widget(fra3DStudio).visible());
  form().bringToFront(fra3DStudio);
  EXPECT_TRUE(widget(fra3DStudio).visible());
  EXPECT_FALSE(widget(fraNoOptions).visible());
  EXPECT_FALSE(widget(fraWaveFront).visible());
  form().bringToFront(fraWaveFront);
  EXPECT_TRUE(widget(fraWaveFront).visible());
  EXPECT_FALSE(widget(fra3DStudio).visible());
}

// --- Control rules --------------------------------------------------------------------------

TEST_F(FltkFormTest, ListEntriesAreShownExactlyAsGivenAndEqualTextsStaySeparate) {
  auto& list = static_cast<Fl_Choice&>(widget(cmbFormat));
  for (const char* text : {"A/B & C_", "_lead", "Same", "Same"}) form().addItem(cmbFormat, text);
  ASSERT_EQ(list.size(), 5);  // four entries and the terminator
  EXPECT_STREQ(list.menu()[0].label(), "A/B & C_");
  EXPECT_STREQ(list.menu()[1].label(), "_lead");
  EXPECT_STREQ(list.menu()[3].label(), "Same");
  EXPECT_EQ(list.value(), -1);  // adding keeps "no selection"
  form().setListIndex(cmbFormat, 3);
  EXPECT_EQ(list.value(), 3);
  EXPECT_THAT(events.clicks, ElementsAre(cmbFormat));
}

TEST_F(FltkFormTest, RefusedListIndexLeavesListAndModelAsTheyWere) {
  form().addItem(cmbFormat, "one");
  form().setListIndex(cmbFormat, 0);
  try {
    form().setListIndex(cmbFormat, 1);
    FAIL() << "index 1 of a one-entry list was accepted";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), ui::kInvalidPropertyValue);
  }
  EXPECT_EQ(static_cast<Fl_Choice&>(widget(cmbFormat)).value(), 0);
  EXPECT_EQ(form().listIndex(cmbFormat), 0);
}

TEST_F(FltkFormTest, CheckValueFromCodeShowsOnTheBoxAndFiresClickOnlyOnChange) {
  form().setCheckValue(chkNorm, 1);
  EXPECT_TRUE(events.clicks.empty());
  form().setCheckValue(chkNorm, 0);
  EXPECT_EQ(static_cast<Fl_Button&>(widget(chkNorm)).value(), 0);
  EXPECT_THAT(events.clicks, ElementsAre(chkNorm));
}

TEST_F(FltkFormTest, DisabledControlIsInactiveAndFrameTakesItsChildrenWithIt) {
  form().setEnabled(cmdImport, false);
  EXPECT_FALSE(widget(cmdImport).active());
  EXPECT_FALSE(form().enabled(cmdImport));
  form().setEnabled(fraWaveFront, false);
  EXPECT_FALSE(widget(chkNorm).active_r());
  form().setEnabled(cmdImport, true);
  EXPECT_TRUE(widget(cmdImport).active());
}

TEST_F(FltkFormTest, ProgressBarFollowsMaximumAndValue) {
  auto& bar = static_cast<Fl_Progress&>(widget(ProgressBar1));
  form().setProgressMax(ProgressBar1, 1001);
  EXPECT_EQ(bar.maximum(), 1001.0f);
  form().setProgressValue(ProgressBar1, 500);
  EXPECT_EQ(form().progressValue(ProgressBar1), 500.0f);
  EXPECT_NEAR(bar.value(), 500.0f, 1001.0f / static_cast<float>(bar.w()));
  form().setProgressValue(ProgressBar1, 1001);
  EXPECT_EQ(bar.value(), 1001.0f);
  form().setProgressValue(ProgressBar1, 0);
  EXPECT_EQ(bar.value(), 0.0f);
  EXPECT_THROW(form().setProgressValue(ProgressBar1, 1002), RuntimeError);
}

// --- The open-file dialog -----------------------------------------------------------------

TEST_F(FltkFormTest, FileDialogGetsFilterAndFolderAndReportsTheChosenFile) {
  ui::FileChooserRequest seen;
  toolkit().setFileChooser([&](const ui::FileChooserRequest& request) {
    seen = request;
    return std::optional<std::string>("/data/Part A.obj");
  });
  form().setDialogFilter(CommonDialog1, "*.obj|*.obj");
  form().setDialogInitDir(CommonDialog1, "/data/");
  form().showOpen(CommonDialog1);
  EXPECT_EQ(form().dialogFileName(CommonDialog1), "/data/Part A.obj");
  EXPECT_EQ(seen.filter, "*.obj|*.obj");
  EXPECT_EQ(seen.fltkFilter, "*.obj\t*.[oO][bB][jJ]");
  EXPECT_EQ(seen.initDir, "/data/");
  ASSERT_EQ(toolkit().fileDialogs().size(), 1u);
  EXPECT_FALSE(toolkit().fileDialogs()[0].cancelled);
}

TEST_F(FltkFormTest, CancelledFileDialogRaisesTheCancelOutcome) {
  toolkit().setFileChooser(
      [](const ui::FileChooserRequest&) { return std::optional<std::string>(); });
  try {
    form().showOpen(CommonDialog1);
    FAIL() << "a cancelled file dialog returned normally";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), 32755);
  }
  EXPECT_EQ(form().dialogFileName(CommonDialog1), "");
  ASSERT_EQ(toolkit().fileDialogs().size(), 1u);
  EXPECT_TRUE(toolkit().fileDialogs()[0].cancelled);
}

// --- Shown modally: the person's events through the X server -----------------------------

TEST_F(FltkFormTest, CloseBoxAsksTheOwnerAndClosesOnlyWhenAllowed) {
  events.allowUnload = false;
  Pilot pilot(toolkit());
  pilot.when(
      "shown", [](ui::FltkForm& f) { return f.window()->shown(); },
      [](ui::FltkForm& f) { sendCloseBox(*f.window()); });
  pilot.when(
      "first close refused", [&](ui::FltkForm&) { return events.queries == 1; },
      [&](ui::FltkForm& f) {
        EXPECT_TRUE(f.isOpen());
        EXPECT_TRUE(f.window()->shown());
        events.allowUnload = true;
        sendCloseBox(*f.window());
      });
  form().showModal();
  EXPECT_TRUE(pilot.finished()) << pilot.nextStep();
  EXPECT_EQ(events.loads, 1);
  EXPECT_EQ(events.queries, 2);
  EXPECT_EQ(events.unloads, 1);
  EXPECT_FALSE(form().isOpen());
  EXPECT_FALSE(form().window()->shown());
}

TEST_F(FltkFormTest, ClicksReachNeitherDisabledControlsNorControlsOfHiddenFrames) {
  Pilot pilot(toolkit());
  pilot.when(
      "shown", [](ui::FltkForm& f) { return f.window()->shown(); },
      [&](ui::FltkForm& f) {
        f.setEnabled(cmdImport, false);
        sendClick(widget(cmdImport));
        sendClick(widget(chkNorm));  // fraWaveFront lies behind fraNoOptions
        sendClick(widget(cmdCancel));
      });
  pilot.when(
      "Cancel's click arrived", [&](ui::FltkForm&) { return clicked(events, cmdCancel); },
      [&](ui::FltkForm& f) {
        f.bringToFront(fraWaveFront);
        sendClick(widget(chkNorm));
      });
  pilot.when(
      "the box's click arrived", [&](ui::FltkForm&) { return clicked(events, chkNorm); },
      [](ui::FltkForm& f) { sendCloseBox(*f.window()); });
  form().showModal();
  EXPECT_TRUE(pilot.finished()) << pilot.nextStep();
  EXPECT_THAT(events.clicks, ElementsAre(cmdCancel, chkNorm));
  EXPECT_EQ(form().checkValue(chkNorm), 0);  // the one click that reached it
}

TEST_F(FltkFormTest, TabWalksTheVisibleEnabledControlsInTabIndexOrder) {
  auto walk = [&](ui::FltkForm& f) {
    std::vector<std::string> order;
    Fl::focus(f.widget(cmdCancel));
    for (int i = 0; i < 5; ++i) {
      pressTab(*f.window());
      order.push_back(nameOf(Fl::focus()));
    }
    return order;
  };
  // FLTK lets an empty list take no focus; the dialog's list has its five entries.
  for (const char* text : {"WaveFront (obj)", "AutoCad (dxf)", "3DStudio (3ds)"}) {
    form().addItem(cmbFormat, text);
  }
  std::vector<std::string> waveFront, studio, running;
  Pilot pilot(toolkit());
  pilot.when(
      "shown", [](ui::FltkForm& f) { return f.window()->shown(); },
      [&](ui::FltkForm& f) {
        f.bringToFront(fraWaveFront);
        waveFront = walk(f);
        f.bringToFront(fra3DStudio);
        studio = walk(f);
        for (ui::ControlId c : {cmbFormat, cmdImport, chkAutoSmooth, chkNorm, chkSmooth}) {
          f.setEnabled(c, false);
        }
        running = walk(f);
        sendCloseBox(*f.window());
      });
  form().showModal();
  EXPECT_THAT(waveFront,
              ElementsAre("chkSmooth", "chkNorm", "cmdImport", "cmbFormat", "cmdCancel"));
  EXPECT_THAT(studio,
              ElementsAre("cmdImport", "cmbFormat", "chkAutoSmooth", "cmdCancel", "cmdImport"));
  EXPECT_THAT(running,
              ElementsAre("cmdCancel", "cmdCancel", "cmdCancel", "cmdCancel", "cmdCancel"));
}

TEST_F(FltkFormTest, HourglassIsShownWhileThePointerIsBusy) {
  Pilot pilot(toolkit());
  pilot.when(
      "shown", [](ui::FltkForm& f) { return f.window()->shown(); },
      [&](ui::FltkForm& f) {
        toolkit().setMousePointer(ui::MousePointer::Hourglass);
        EXPECT_EQ(toolkit().mousePointer(), ui::MousePointer::Hourglass);
        toolkit().setMousePointer(ui::MousePointer::Default);
        sendCloseBox(*f.window());
      });
  form().showModal();
  EXPECT_TRUE(pilot.finished()) << pilot.nextStep();
}

// --- Message boxes -------------------------------------------------------------------------

struct BoxCase {
  const char* name;
  MsgIcon icon;
  MsgButtons buttons;
  MsgResult answer;
  const char* symbol;
  std::vector<std::string> labels;
};

void PrintTo(const BoxCase& c, std::ostream* out) { *out << c.name; }

class FltkMessageBoxTest : public FltkTest, public ::testing::WithParamInterface<BoxCase> {};

TEST_P(FltkMessageBoxTest, BoxShowsTitleIconButtonsAndReturnsThePressedOne) {
  const BoxCase& c = GetParam();
  ScriptedAnswers answers(toolkit());
  answers.add(c.answer);
  const MsgResult result = toolkit().messageBox("Do it?", c.icon, c.buttons, "VLMImport");
  EXPECT_EQ(result, c.answer);
  ASSERT_EQ(answers.seen().size(), 1u);
  EXPECT_EQ(answers.seen()[0].title, "VLMImport");
  EXPECT_EQ(answers.seen()[0].icon, c.symbol);
  EXPECT_EQ(answers.seen()[0].buttons, c.labels);
  ASSERT_EQ(toolkit().messages().size(), 1u);
  const ui::MessageRecord& record = toolkit().messages()[0];
  EXPECT_EQ(record.text, "Do it?");
  EXPECT_EQ(record.icon, c.icon);
  EXPECT_EQ(record.buttons, c.buttons);
  EXPECT_EQ(record.title, "VLMImport");
  EXPECT_EQ(record.answer, c.answer);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, FltkMessageBoxTest,
    ::testing::Values(
        BoxCase{"InformationOk", MsgIcon::Information, MsgButtons::Ok, MsgResult::Ok, "i", {"OK"}},
        BoxCase{"ExclamationOk", MsgIcon::Exclamation, MsgButtons::Ok, MsgResult::Ok, "!", {"OK"}},
        BoxCase{"CriticalOk", MsgIcon::Critical, MsgButtons::Ok, MsgResult::Ok, "X", {"OK"}},
        BoxCase{"QuestionYes",
                MsgIcon::Question,
                MsgButtons::YesNo,
                MsgResult::Yes,
                "?",
                {"&Yes", "&No"}},
        BoxCase{"NoIconNo", MsgIcon::None, MsgButtons::YesNo, MsgResult::No, "", {"&Yes", "&No"}}),
    [](const ::testing::TestParamInfo<BoxCase>& info) { return std::string(info.param.name); });

class FltkMessageBoxEvents : public FltkTest {};

TEST_F(FltkMessageBoxEvents, ClickOnNoAnswersNo) {
  toolkit().setMessageAnswerer([](const ui::MessageBoxView& box) {
    sendClick(*box.buttons.at(1));
    return std::optional<MsgResult>();
  });
  EXPECT_EQ(toolkit().messageBox("Stop?", MsgIcon::None, MsgButtons::YesNo, "VLMImport"),
            MsgResult::No);
}

TEST_F(FltkMessageBoxEvents, CloseBoxAnswersAnOkBoxButNotAQuestion) {
  toolkit().setMessageAnswerer([](const ui::MessageBoxView& box) {
    sendCloseBox(*box.window);
    if (box.buttons.size() == 2) sendClick(*box.buttons.at(1));
    return std::optional<MsgResult>();
  });
  EXPECT_EQ(toolkit().messageBox("Note", MsgIcon::Information, MsgButtons::Ok, "T"), MsgResult::Ok);
  EXPECT_EQ(toolkit().messageBox("Stop?", MsgIcon::None, MsgButtons::YesNo, "T"), MsgResult::No);
}

TEST_F(FltkMessageBoxEvents, AnswerTheBoxDoesNotOfferPressesItsFirstButton) {
  toolkit().setMessageAnswerer(
      [](const ui::MessageBoxView&) { return std::optional<MsgResult>(MsgResult::Yes); });
  EXPECT_EQ(toolkit().messageBox("Note", MsgIcon::Information, MsgButtons::Ok, "T"), MsgResult::Ok);
}

// --- DoEvents -------------------------------------------------------------------------------

class FltkDoEvents : public FltkTest {};

TEST_F(FltkDoEvents, DueFltkWorkRunsInsideDoEventsButNotOnEveryCall) {
  bool fired = false;
  Fl::add_timeout(
      0.0, [](void* flag) { *static_cast<bool*>(flag) = true; }, &fired);
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!fired && std::chrono::steady_clock::now() < giveUp) {
    for (int i = 0; i < 1000; ++i) ui::DoEvents();
  }
  EXPECT_TRUE(fired);

  const uint64_t pumps = toolkit().pumps();
  const uint64_t yields = toolkit().yields();
  for (int i = 0; i < 1'000'000; ++i) ui::DoEvents();
  EXPECT_EQ(toolkit().yields() - yields, 1'000'000u);
  EXPECT_LT(toolkit().pumps() - pumps, 10'000u);
}

// --- Opening the display --------------------------------------------------------------------

// In a fresh process each: FLTK keeps the first display it opened.
TEST(FltkToolkitOpen, WithoutDisplayVariableSaysSo) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        ::unsetenv("DISPLAY");
        std::string why;
        const bool opened = ui::FltkToolkit::open(why) != nullptr;
        std::fprintf(stderr, "%s\n", why.c_str());
        std::_Exit(opened ? 1 : 0);
      },
      ::testing::ExitedWithCode(0), "no X display: DISPLAY is not set");
}

TEST(FltkToolkitOpen, UnreachableDisplayIsNamed) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        ::setenv("DISPLAY", ":4711", 1);
        std::string why;
        const bool opened = ui::FltkToolkit::open(why) != nullptr;
        std::fprintf(stderr, "%s\n", why.c_str());
        std::_Exit(opened ? 1 : 0);
      },
      ::testing::ExitedWithCode(0), "no X display: cannot open display ':4711'");
}

}  // namespace
}  // namespace vlm::test
