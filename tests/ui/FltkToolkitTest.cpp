// The FLTK toolkit's forms, message boxes, file dialog and DoEvents, on a real X server,
// with the import dialog's own description and an owner that records its events.
#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Progress.H>
#include <FL/Fl_Window.H>
#include <FL/filename.H>
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
#include "support/ErrorOf.h"
#include "ui/ImportDialog.h"
#include "ui/fltk/FileFilter.h"

namespace vlm::test {
namespace {

using namespace frmImportControls;
using test::errorOf;
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

// --- Layout and control rules -------------------------------------------------------------

struct Placement {
  ui::ControlId id;
  int x, y, w, h;     // window pixels: the dialog's twips / 15, frames' offsets added
  const char* label;  // nullptr: none to check
};

TEST_F(FltkFormTest, EveryControlSitsAtItsPixelPositionWithItsTextAndStartState) {
  EXPECT_STREQ(form().window()->label(), "VLMImport");
  EXPECT_EQ(form().window()->w(), 169);
  EXPECT_EQ(form().window()->h(), 174);
  const Placement expected[] = {
      {fraWaveFront, 8, 40, 153, 73, "Options"},
      {chkNorm, 16, 56, 137, 21, "Import Normals"},
      {chkSmooth, 16, 80, 137, 25, "Smooth all Normal Group"},
      {fra3DStudio, 8, 40, 153, 73, nullptr},
      {chkAutoSmooth, 16, 56, 137, 17, "Auto Normals Smoothing"},
      {fraNoOptions, 8, 40, 153, 73, nullptr},
      {Label1, 8, 0, 153, 17, "Select a File Format"},
      {cmbFormat, 8, 16, 153, 21, nullptr},
      {cmdImport, 8, 120, 65, 25, "Import"},
      {cmdCancel, 96, 120, 65, 25, "Cancel"},
      {ProgressBar1, 0, 151, 169, 23, nullptr},
  };
  for (const Placement& p : expected) {
    const Fl_Widget& w = widget(p.id);
    SCOPED_TRACE(form().model().control(p.id).name);
    EXPECT_EQ((std::vector<int>{w.x(), w.y(), w.w(), w.h()}),
              (std::vector<int>{p.x, p.y, p.w, p.h}));
    if (p.label) {
      EXPECT_STREQ(w.label(), p.label);
    }
  }
  EXPECT_EQ(form().widget(CommonDialog1), nullptr);
  for (ui::ControlId box : {chkNorm, chkSmooth, chkAutoSmooth}) {
    EXPECT_EQ(static_cast<Fl_Button&>(widget(box)).value(), 1) << nameOf(&widget(box));
  }
  EXPECT_EQ(static_cast<Fl_Choice&>(widget(cmbFormat)).value(), -1);
  EXPECT_EQ(static_cast<Fl_Progress&>(widget(ProgressBar1)).minimum(), 0.0f);
}

TEST_F(FltkFormTest, OnlyTheFrameInFrontIsShown) {
  // Listed last, the empty frame lies in front at start.
  for (ui::ControlId front : {fraNoOptions, fra3DStudio, fraWaveFront}) {
    if (front != fraNoOptions) form().bringToFront(front);
    for (ui::ControlId frame : {fraNoOptions, fra3DStudio, fraWaveFront}) {
      EXPECT_EQ(widget(frame).visible() != 0, frame == front)
          << nameOf(&widget(frame)) << " with " << nameOf(&widget(front)) << " in front";
    }
  }
}

TEST_F(FltkFormTest, ListShowsEntriesAsGivenAndRefusesAnIndexBeyondThem) {
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
  EXPECT_EQ(errorOf([&] { form().setListIndex(cmbFormat, 4); }), ui::kInvalidPropertyValue);
  EXPECT_EQ(list.value(), 3);
  EXPECT_EQ(form().listIndex(cmbFormat), 3);
}

TEST_F(FltkFormTest, StatesSetFromCodeShowOnTheWidgets) {
  form().setCheckValue(chkNorm, 1);
  EXPECT_TRUE(events.clicks.empty());  // no change, no click
  form().setCheckValue(chkNorm, 0);
  EXPECT_EQ(static_cast<Fl_Button&>(widget(chkNorm)).value(), 0);
  EXPECT_THAT(events.clicks, ElementsAre(chkNorm));

  form().setEnabled(cmdImport, false);
  EXPECT_FALSE(widget(cmdImport).active());
  EXPECT_FALSE(form().enabled(cmdImport));
  form().setEnabled(fraWaveFront, false);
  EXPECT_FALSE(widget(chkNorm).active_r());  // a frame takes its children with it
  form().setEnabled(cmdImport, true);
  EXPECT_TRUE(widget(cmdImport).active());

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

  // A store into the bar, as the importers make once per record, reaches the widget when
  // the toolkit next lets FLTK run.
  ui::ProgressBarState& stored = form().progressBar(ProgressBar1);
  stored.set(700);
  EXPECT_EQ(form().progressValue(ProgressBar1), 700.0f);
  EXPECT_EQ(bar.value(), 0.0f);
  form().showStoredProgress();
  EXPECT_NEAR(bar.value(), 700.0f, 1001.0f / static_cast<float>(bar.w()));
  EXPECT_THROW(stored.set(-1), RuntimeError);
  EXPECT_EQ(stored.value, 700.0f);
}

// --- The open-file dialog -----------------------------------------------------------------

TEST_F(FltkFormTest, FileDialogGetsFilterAndFolderAndReportsCancelOrTheChosenFile) {
  ui::FileChooserRequest seen;
  std::optional<std::string> answer;
  toolkit().setFileChooser([&](const ui::FileChooserRequest& request) {
    seen = request;
    return answer;
  });
  EXPECT_EQ(errorOf([&] { form().showOpen(CommonDialog1); }), 32755);
  EXPECT_EQ(form().dialogFileName(CommonDialog1), "");
  answer = "/data/Part A.obj";
  form().setDialogFilter(CommonDialog1, "*.obj|*.obj");
  form().setDialogInitDir(CommonDialog1, "/data/");
  form().showOpen(CommonDialog1);
  EXPECT_EQ(form().dialogFileName(CommonDialog1), "/data/Part A.obj");
  EXPECT_EQ(seen.filter, "*.obj|*.obj");
  EXPECT_EQ(seen.fltkFilter, "*.obj\t*.[oO][bB][jJ]");
  EXPECT_EQ(seen.initDir, "/data/");
  ASSERT_EQ(toolkit().fileDialogs().size(), 2u);
  EXPECT_TRUE(toolkit().fileDialogs()[0].cancelled);
  EXPECT_FALSE(toolkit().fileDialogs()[1].cancelled);
}

// --- Shown modally: the person's events through the X server -----------------------------

// Clicks reach neither disabled controls nor those of a hidden frame; the close box asks
// the owner and closes only when allowed.
TEST_F(FltkFormTest, ClicksReachOnlyReachableControlsAndCloseBoxClosesWhenAllowed) {
  events.allowUnload = false;
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
  EXPECT_THAT(events.clicks, ElementsAre(cmdCancel, chkNorm));
  EXPECT_EQ(form().checkValue(chkNorm), 0);  // the one click that reached it
  EXPECT_EQ(events.loads, 1);
  EXPECT_EQ(events.queries, 2);
  EXPECT_EQ(events.unloads, 1);
  EXPECT_FALSE(form().isOpen());
  EXPECT_FALSE(form().window()->shown());
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

// A click on No answers No; the close box answers an OK box but not a question; an
// answer the box does not offer presses its first button.
TEST_F(FltkMessageBoxEvents, ClicksCloseBoxAndUnofferedAnswersGiveTheRightResult) {
  toolkit().setMessageAnswerer([](const ui::MessageBoxView& box) {
    sendCloseBox(*box.window);
    if (box.buttons.size() == 2) sendClick(*box.buttons.at(1));
    return std::optional<MsgResult>();
  });
  EXPECT_EQ(toolkit().messageBox("Note", MsgIcon::Information, MsgButtons::Ok, "T"), MsgResult::Ok);
  EXPECT_EQ(toolkit().messageBox("Stop?", MsgIcon::None, MsgButtons::YesNo, "T"), MsgResult::No);
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
TEST(FltkToolkitOpen, MissingOrUnreachableDisplayIsNamed) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::pair<const char*, const char*> cases[] = {
      {nullptr, "no X display: DISPLAY is not set"},
      {":4711", "no X display: cannot open display ':4711'"}};
  for (const auto& [display, why] : cases) {
    EXPECT_EXIT(
        {
          if (display) {
            ::setenv("DISPLAY", display, 1);
          } else {
            ::unsetenv("DISPLAY");
          }
          std::string whyNot;
          const bool opened = ui::FltkToolkit::open(whyNot) != nullptr;
          std::fprintf(stderr, "%s\n", whyNot.c_str());
          std::_Exit(opened ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), why);
  }
}

// --- The open-file dialog's filter as FLTK's choosers take it, matched by FLTK's own
// matcher: the form's extension in any letter case, nothing else.

using ui::caseInsensitivePattern;
using ui::fltkFilter;

struct FilterCase {
  const char* name;
  const char* filter;
  const char* expected;
};

void PrintTo(const FilterCase& c, std::ostream* out) { *out << c.name; }

class FltkFilter : public ::testing::TestWithParam<FilterCase> {};

TEST_P(FltkFilter, BecomesDescriptionTabCaseBlindPatternPerLine) {
  EXPECT_EQ(fltkFilter(GetParam().filter), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Filters, FltkFilter,
    ::testing::Values(FilterCase{"Obj", "*.obj|*.obj", "*.obj\t*.[oO][bB][jJ]"},
                      FilterCase{"DigitInExtension", "*.3ds|*.3ds", "*.3ds\t*.3[dD][sS]"},
                      FilterCase{"EmptyMeansAllFiles", "", ""},
                      FilterCase{"PatternList", "Meshes|*.ply;*.inc",
                                 "Meshes\t{*.[pP][lL][yY]|*.[iI][nN][cC]}"},
                      FilterCase{"TwoEntries", "A|*.a|B|*.b", "A\t*.[aA]\nB\t*.[bB]"},
                      // A description without a pattern filters by itself.
                      FilterCase{"LoneDescription", "*.dxf", "*.dxf\t*.[dD][xX][fF]"},
                      // Tabs and line ends would split FLTK's lines: they become spaces.
                      FilterCase{"TabsAndLineEnds", "Two\tparts\n|*.x", "Two parts \t*.[xX]"},
                      // Sets and escapes are kept as written.
                      FilterCase{"SetsAndEscapesKept", "Sets|*.[ab]\\*", "Sets\t*.[ab]\\*"}),
    [](const ::testing::TestParamInfo<FilterCase>& info) { return std::string(info.param.name); });

TEST(FltkFilterMatch, ExtensionsMatchInAnyLetterCaseAndNothingElse) {
  const struct {
    const char* extensions;
    std::vector<const char*> matching, other;
  } cases[] = {
      {"*.obj",
       {"model.obj", "MODEL.OBJ", "Model.Obj", "a b.oBj", ".obj"},
       {"model.objx", "model.obj.bak", "model.dxf", "obj", "model_obj"}},
      {"*.ply; *.INC", {"a.PLY", "a.inc"}, {"a.obj"}},
  };
  for (const auto& c : cases) {
    const std::string pattern = caseInsensitivePattern(c.extensions);
    for (const char* name : c.matching)
      EXPECT_TRUE(fl_filename_match(name, pattern.c_str())) << name;
    for (const char* name : c.other) EXPECT_FALSE(fl_filename_match(name, pattern.c_str())) << name;
  }
}

}  // namespace
}  // namespace vlm::test
