// The FLTK toolkit on an X server: what a form's widgets show, a person's events reaching
// the owner, message boxes, DoEvents, the display and the file dialog's filter.
#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Progress.H>
#include <FL/Fl_Window.H>
#include <FL/filename.H>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <tuple>

#include "FltkFixture.h"
#include "TestForm.h"
#include "support/ErrorOf.h"
#include "ui/ImportDialog.h"
#include "ui/fltk/FileFilter.h"

namespace vlm::test {
namespace {

using ui::MsgButtons;
using ui::MsgIcon;
using ui::MsgResult;
using Strings = std::vector<std::string>;

template <class Widget = Fl_Widget>
Widget& widget(ui::Form& form, ui::ControlId id) {
  return dynamic_cast<Widget&>(*static_cast<ui::FltkForm&>(form).widget(id));
}

// Twips become pixels (15 to one, rounded) offset by the frames around; only the frame
// in front shows; list entries show as given; values set from code show on the widgets.
TEST_F(FltkTest, WidgetsShowTheControlsAndWhatCodeSetsOnThem) {
  Recorder owner(toolkit());
  ui::Form& form = *owner.form;
  const Fl_Window& window = *widget(form, kOk).window();
  EXPECT_EQ(std::tuple(std::string(window.label()), window.w(), window.h()),
            std::tuple("Test", 170, 140));
  for (const ui::ControlId id : {kBack, kBox, kTitle, kOk}) {
    EXPECT_EQ(widget(form, id).label(), kTestControls[id].text);
  }
  auto& box = widget<Fl_Button>(form, kBox);
  EXPECT_EQ((std::array{box.x(), box.y(), box.w(), box.h(), int{box.value()}}),
            (std::array{16, 56, 133, 20, 1}));
  EXPECT_EQ(static_cast<ui::FltkForm&>(form).widget(kDialog), nullptr);
  std::vector<bool> shown;  // the back frame, the front one, the box's holder
  for (const ui::ControlId front : {kOk, kBack, kOk}) {
    form.bringToFront(front);
    for (const Fl_Widget* w :
         {&widget(form, kBack), &widget(form, kFront), static_cast<Fl_Widget*>(box.parent())}) {
      shown.push_back(w->visible() != 0);
    }
  }
  EXPECT_EQ(shown, (std::vector<bool>{0, 1, 0, 1, 0, 1, 1, 0, 1}));

  auto& list = widget<Fl_Choice>(form, kList);
  for (const char* text : {"A/B & C_", "_lead", "Same", "Same"}) form.addItem(kList, text);
  EXPECT_EQ(list.value(), -1);
  form.setListIndex(kList, 3);
  EXPECT_EQ(errorOf([&] { form.setListIndex(kList, 4); }), 380);
  EXPECT_EQ((Strings{list.menu()[0].label(), list.menu()[1].label(), list.text()}),
            (Strings{"A/B & C_", "_lead", "Same"}));
  EXPECT_EQ(std::pair(list.size(), list.value()), std::pair(5, 3));  // with the terminator
  std::vector<int> values;                                           // grayed shows as checked
  for (const int16_t value : {1, 0, 2})
    form.setCheckValue(kBox, value), values.push_back(box.value());
  EXPECT_EQ(values, (std::vector<int>{1, 0, 1}));
  EXPECT_EQ(owner.events, (Strings{"click cmbList", "click chkBox", "click chkBox"}));
  form.setEnabled(kOk, false);
  form.setEnabled(kBack, false);
  EXPECT_EQ(std::pair(widget(form, kOk).active(), box.active_r()), std::pair(0u, 0));
  form.setEnabled(kOk, true);
  EXPECT_TRUE(widget(form, kOk).active());

  auto& bar = widget<Fl_Progress>(form, kBar);
  form.setProgressMax(kBar, 1001);
  std::vector<float> barShows{bar.maximum()};
  for (const float value : {500.0f, 1001.0f, 0.0f}) {
    form.setProgressValue(kBar, value);
    barShows.push_back(bar.value());
  }
  EXPECT_EQ(barShows, (std::vector<float>{1001, 500, 1001, 0}));
  EXPECT_EQ(errorOf([&] { form.setProgressValue(kBar, 1002); }), 380);
}

// Shown modally: clicks reach neither disabled controls nor those of a covered frame,
// Tab walks the reachable ones in tab order (those without one last), Escape does not
// close, the close box asks the owner. A question asked from a click stands over the
// form; a value the importers store shows at the next DoEvents that lets FLTK run.
TEST_F(FltkTest, PersonsEventsReachOnlyWhatThePersonCanReach) {
  Recorder owner(toolkit());
  auto& form = static_cast<ui::FltkForm&>(*owner.form);
  for (const char* text : {"a", "b"}) form.addItem(kList, text);
  owner.refuse = true;
  owner.afterClick = [](ui::ControlId id) {
    if (id == kOk) ui::messageBox("Go on?", MsgIcon::Question, MsgButtons::YesNo, "T");
  };
  bool centred = false;  // over the form, to half a pixel
  onBox = [&](const ui::MessageBoxView& box) {
    const Fl_Window &w = *box.window, &over = *form.window();
    centred = std::abs(w.x() * 2 + w.w() - over.x() * 2 - over.w()) <= 1 &&
              std::abs(w.y() * 2 + w.h() - over.y() * 2 - over.h()) <= 1;
  };
  std::vector<Strings> walks;
  const auto walk = [&] {
    Fl::focus(form.widget(kClose));
    walks.emplace_back();
    for (int i = 0; i < 5; ++i) {
      pressKey(*form.window(), FL_Tab);
      size_t id = 0;
      while (id < kCount && form.widget(static_cast<ui::ControlId>(id)) != Fl::focus()) ++id;
      walks.back().emplace_back(id < kCount ? kTestControls[id].name : "?");
    }
  };
  auto& bar = widget<Fl_Progress>(form, kBar);
  std::vector<float> barShows;
  steps.emplace_back([](ui::FltkForm&) { return true; },
                     [&](ui::FltkForm& f) {
                       f.setEnabled(kOk, false);
                       walk();
                       for (const ui::ControlId id : {kOk, kBox, kClose}) click(*f.widget(id));
                       widget<Fl_Choice>(f, kList).value(1);
                       f.widget(kList)->do_callback();  // as a pick from the drop-down does
                       pressKey(*f.window(), FL_Escape);
                       f.bringToFront(kBack);
                       f.setEnabled(kOk, true);
                       walk();
                       for (const ui::ControlId id : {kBox, kOk}) click(*f.widget(id));
                       f.progressBar(kBar).set(70);
                       barShows.push_back(bar.value());
                       for (const uint64_t pumps = toolkit().pumps(); toolkit().pumps() == pumps;)
                         ui::DoEvents();
                       barShows.push_back(bar.value());
                       closeBox(*f.window());
                       owner.refuse = false;
                       closeBox(*f.window());
                     });
  form.showModal();
  EXPECT_EQ(owner.events, (Strings{"load", "click cmdClose", "query", "click cmbList",
                                   "click chkBox", "click cmdOk", "query", "query", "unload"}));
  EXPECT_EQ(walks, (std::vector<Strings>{{"cmbList", "cmdClose", "cmbList", "cmdClose", "cmbList"},
                                         {"cmdOk", "chkBox", "cmbList", "cmdClose", "cmdOk"}}));
  EXPECT_EQ(std::tuple(form.checkValue(kBox), form.listIndex(kList), form.window()->shown()),
            std::tuple(0, 1, 0));
  EXPECT_EQ(std::tuple(toolkit().messages().at(0).answer, centred, barShows),
            std::tuple(MsgResult::No, true, std::vector<float>{0, 70}));
}

// Nothing of a box is cut off or covered: every part lies inside the window, the text
// beside the icon, the buttons below the text and centred.
void expectTidy(const ui::MessageBoxView& box) {
  const Fl_Window& w = *box.window;
  for (int i = 0; i < w.children(); ++i) {
    const Fl_Widget& c = *w.child(i);
    EXPECT_TRUE(c.x() >= 0 && c.y() >= 0 && c.x() + c.w() <= w.w() && c.y() + c.h() <= w.h());
  }
  const Fl_Widget &first = *box.buttons.front(), &last = *box.buttons.back();
  EXPECT_GE(box.text->x(), box.icon ? box.icon->x() + box.icon->w() : 0);
  EXPECT_GE(first.y(), box.text->y() + box.text->h());
  EXPECT_NEAR(first.x(), w.w() - last.x() - last.w(), 1);
  EXPECT_TRUE(&first == &last || last.x() >= first.x() + first.w());
}

// A box shows its title, icon and buttons and gives the one pressed; an answer it does
// not offer presses its first button. The close box answers an "OK" box, not a question.
TEST_F(FltkTest, MessageBoxesShowTheirPartsAndGiveOnlyWhatTheyOffer) {
  const std::tuple<MsgIcon, MsgButtons, MsgResult, MsgResult, SeenBox> cases[] = {
      {MsgIcon::Information,
       MsgButtons::Ok,
       MsgResult::Yes,
       MsgResult::Ok,
       {"T", "?", "i", {"OK"}}},
      {MsgIcon::Exclamation, MsgButtons::Ok, MsgResult::Ok, MsgResult::Ok, {"T", "?", "!", {"OK"}}},
      {MsgIcon::Critical, MsgButtons::Ok, MsgResult::Ok, MsgResult::Ok, {"T", "?", "X", {"OK"}}},
      {MsgIcon::Question,
       MsgButtons::YesNo,
       MsgResult::Yes,
       MsgResult::Yes,
       {"T", "?", "?", {"&Yes", "&No"}}},
      {MsgIcon::None,
       MsgButtons::YesNo,
       MsgResult::No,
       MsgResult::No,
       {"T", "?", "", {"&Yes", "&No"}}}};
  onBox = expectTidy;
  for (const auto& [icon, buttons, pressed, result, shows] : cases) {
    answers = {pressed};
    EXPECT_EQ(toolkit().messageBox("?", icon, buttons, "T"), result);
    const ui::MessageRecord& r = toolkit().messages().back();
    EXPECT_EQ(std::tuple(r.text, r.icon, r.buttons, r.title, r.answer, seen.back()),
              std::tuple("?", icon, buttons, "T", result, shows));
  }
  toolkit().setMessageAnswerer([](const ui::MessageBoxView& box) {
    closeBox(*box.window);
    if (box.window->shown()) pressKey(*box.window, 'y');  // a question stays: its key answers
    return std::optional<MsgResult>();
  });
  EXPECT_EQ(std::pair(toolkit().messageBox("", MsgIcon::None, MsgButtons::Ok, ""),
                      toolkit().messageBox("", MsgIcon::None, MsgButtons::YesNo, "")),
            std::pair(MsgResult::Ok, MsgResult::Yes));
}

TEST_F(FltkTest, DoEventsLetsFltkRunAtMostEveryTenMilliseconds) {
  bool fired = false;
  Fl::add_timeout(
      0.0, [](void* flag) { *static_cast<bool*>(flag) = true; }, &fired);
  uint64_t calls = 0;
  for (const auto start = std::chrono::steady_clock::now();
       std::chrono::steady_clock::now() - start < std::chrono::milliseconds(100); ++calls) {
    ui::DoEvents();
  }
  EXPECT_EQ(std::tuple(fired, toolkit().yields(), toolkit().pumps() <= 11),
            std::tuple(true, calls, true));
}

// Each in a fresh process: FLTK keeps the first display it opened.
TEST(FltkToolkitOpen, MissingOrUnreachableDisplayIsNamed) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (const char* display : {static_cast<const char*>(nullptr), "", ":4711"}) {
    EXPECT_EXIT(
        {
          display ? ::setenv("DISPLAY", display, 1) : ::unsetenv("DISPLAY");
          std::string whyNot;
          const bool opened = ui::FltkToolkit::open(whyNot) != nullptr;
          std::fprintf(stderr, "%s\n", whyNot.c_str());
          std::_Exit(opened ? 1 : 0);
        },
        ::testing::ExitedWithCode(0),
        display && *display ? "^no X display: cannot open display ':4711'\n$"
                            : "^no X display: DISPLAY is not set\n$");
  }
}

// "description|pattern" pairs become FLTK's lines, every letter of a pattern in both
// cases, as FLTK's own matcher takes them.
TEST(FltkFilter, BecomesOneCaseBlindLinePerPair) {
  const std::pair<const char*, const char*> cases[] = {
      {"*.obj|*.obj", "*.obj\t*.[oO][bB][jJ]"},
      {"*.3ds|*.3ds", "*.3ds\t*.3[dD][sS]"},
      {"", ""},  // all files
      {"Meshes|*.ply; *.inc;", "Meshes\t{*.[pP][lL][yY]|*.[iI][nN][cC]}"},
      {"A|*.a|B|*.b", "A\t*.[aA]\nB\t*.[bB]"},
      {"*.dxf", "*.dxf\t*.[dD][xX][fF]"},             // a description filters by itself
      {"Two\tparts\r\n|*.x", "Two parts  \t*.[xX]"},  // FLTK's separators become spaces
      {"Sets|*.[ab]\\*;", "Sets\t*.[ab]\\*"},         // sets and escapes kept as written
      {"Open|*.[ab", "Open\t*.[ab"}};
  for (const auto& [filter, expected] : cases) EXPECT_EQ(ui::fltkFilter(filter), expected);
  const std::string obj = ui::caseInsensitivePattern("*.obj");
  for (const char* name : {"MODEL.OBJ", "a b.oBj", ".obj"})
    EXPECT_TRUE(fl_filename_match(name, obj.c_str())) << name;
  for (const char* name : {"a.objx", "a.obj.bak", "obj"})
    EXPECT_FALSE(fl_filename_match(name, obj.c_str())) << name;
}

}  // namespace
}  // namespace vlm::test
