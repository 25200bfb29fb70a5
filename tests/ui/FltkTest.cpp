// The FLTK toolkit on an X server ($DISPLAY, or an Xvfb this program starts; the tests are
// skipped without one), and the real import dialog at work, whose pictures go to
// VLM_SCREENSHOT_DIR as dialog.png and dialog-running.png (the ones in docs/).
#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Progress.H>
#include <FL/Fl_Window.H>
#include <FL/filename.H>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <deque>
#include <filesystem>
#include <optional>
#include <tuple>

#include "support/TestDisplay.h"
#include "TestForm.h"
#include "refhost/ReferenceScene.h"
#include "shell/frmImport.h"
#include "support/ErrorOf.h"
#include "support/TempDir.h"
#include "ui/fltk/FileFilter.h"
#include "ui/fltk/FltkForm.h"
#include "ui/fltk/FltkToolkit.h"

#include "support/Screenshot.h"  // last: Xlib's macros

namespace vlm {
void registerSettingsComponent();  // settings/RegFun.h clashes with the shell's client of it
}  // namespace vlm

namespace vlm::test {
namespace {

using namespace ui;
using Strings = std::vector<std::string>;

class FltkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static TestDisplay display;
    std::string whyNot;
    toolkit_ = FltkToolkit::open(whyNot);
    if (!toolkit_) GTEST_SKIP() << whyNot;
    setToolkit(toolkit_.get());
    toolkit_->setMessageAnswerer([this](const MessageBoxView& box) {
      seen.push_back(std::string(box.window->label()) + "|" + box.message->text + "|" +
                     (box.icon ? box.icon->label() : ""));
      for (Fl_Widget* b : box.buttons) seen.back() += std::string("|") + b->label();
      answers.push_back(MsgResult::No);  // after the given answers
      const MsgResult answer = answers.front();
      answers.pop_front();
      return answer;
    });
    Fl::add_timeout(0, tick, this);
    ::alarm(60);  // a step that never comes ends the program rather than hang it
  }
  void TearDown() override {
    Fl::remove_timeout(tick, this);
    setToolkit(nullptr);
  }
  FltkToolkit& toolkit() { return *toolkit_; }

  // The person's steps: once the first one's check holds for the form on screen, its
  // action runs. They run from an FLTK timeout, so inside modal loops and DoEvents alike.
  static void tick(void* self) {
    auto& test = *static_cast<FltkTest*>(self);
    Fl::repeat_timeout(0.005, tick, self);
    FltkForm* form = test.toolkit_->activeForm();
    if (test.steps.empty() || form == nullptr || !test.steps.front().first(*form)) return;
    const auto act = std::move(test.steps.front().second);
    test.steps.pop_front();
    act(*form);
  }
  std::deque<std::pair<std::function<bool(FltkForm&)>, std::function<void(FltkForm&)>>> steps;
  // Message boxes press these answers in turn, then No. Each box shown is kept in `seen`
  // as "title|prompt|icon symbol|buttons...".
  std::deque<MsgResult> answers;
  Strings seen;
  std::unique_ptr<FltkToolkit> toolkit_;
};

// A person's events as FLTK dispatches them: a left click in the middle of `widget`, the
// close box, a key.
void click(Fl_Widget& widget) {
  Fl::e_x = widget.x() + widget.w() / 2;
  Fl::e_y = widget.y() + widget.h() / 2;
  Fl::handle(FL_PUSH, widget.window());
  Fl::handle(FL_RELEASE, widget.window());
}
void closeBox(Fl_Window& window) { Fl::handle(FL_CLOSE, &window); }
void pressKey(Fl_Window& window, int key) {
  Fl::e_keysym = Fl::e_original_keysym = key;
  Fl::handle(FL_KEYBOARD, &window);
}

template <class Widget = Fl_Widget>
Widget& widget(FltkForm& form, ControlId id) {
  return dynamic_cast<Widget&>(*form.widget(id));
}

// Twips become pixels (15 to one, rounded) offset by the frames around; only the frame in
// front shows; list entries show as given; values from code show at once. Shown modally:
// clicks reach neither disabled controls nor those of a covered frame, Tab walks the rest
// in tab order (those without one last), Escape does not close, the close box asks the
// owner, and a value the importers store shows once DoEvents lets FLTK run.
TEST_F(FltkTest, FormShowsItsControlsAndGetsWhatAPersonCanReach) {
  Recorder owner(toolkit());
  auto& form = static_cast<FltkForm&>(*owner.form);
  auto& box = widget<Fl_Button>(form, kBox);
  auto& list = widget<Fl_Choice>(form, kList);
  auto& bar = widget<Fl_Progress>(form, kBar);
  Fl_Window& window = *form.window();
  EXPECT_EQ((Strings{window.label(), widget(form, kBack).label(), widget(form, kTitle).label()}),
            (Strings{"Test", "Back", "Title"}));
  EXPECT_EQ(
      (std::array{window.w(), window.h(), box.x(), box.y(), box.w(), box.h(), int{box.value()}}),
      (std::array{170, 140, 16, 56, 133, 20, 1}));
  std::vector<int> values;  // whether the back frame, the front one, the box's holder show
  for (const ControlId front : {kOk, kBack, kFront}) {
    form.bringToFront(front);
    for (const Fl_Widget* w : {&widget(form, kBack), &widget(form, kFront)})
      values.push_back(w->visible());
    values.push_back(box.parent()->visible());
  }
  for (const char* text : {"A/B & C_", "_lead", "Same", "Same"}) form.addItem(kList, text);
  values.push_back(list.value());
  form.setListIndex(kList, 3);
  EXPECT_EQ(errorOf([&] { form.setListIndex(kList, 4); }), 380);
  EXPECT_EQ(std::tuple(std::string(list.menu()[0].label()), std::string(list.menu()[1].label()),
                       std::string(list.text()), list.size(), list.value()),
            std::tuple("A/B & C_", "_lead", "Same", 5, 3));  // the size counts the terminator
  for (const int16_t value : {1, 0, 2}) {                    // grayed shows as checked
    form.setCheckValue(kBox, value);
    values.push_back(box.value());
  }
  form.setProgressMax(kBar, 1001);
  std::vector<float> barShows{bar.maximum()};
  for (const float value : {500.0f, 0.0f}) {
    form.setProgressValue(kBar, value);
    barShows.push_back(bar.value());
  }

  owner.refuse = true;
  std::vector<Fl_Widget*> walked, expected;
  const auto walk = [&] {
    Fl::focus(form.widget(kClose));
    for (int i = 0; i < 5; ++i) {
      pressKey(window, FL_Tab);
      walked.push_back(Fl::focus());
    }
  };
  const auto anyTime = [](FltkForm&) { return true; };
  steps.emplace_back(anyTime, [&](FltkForm& f) {
    f.setEnabled(kOk, false);
    walk();
    for (const ControlId id : {kOk, kBox, kClose}) click(*f.widget(id));
    list.value(1);
    list.do_callback();  // as a pick from the drop-down does
    f.bringToFront(kBack);
    f.setEnabled(kOk, true);
    walk();
    for (const ControlId id : {kBox, kOk}) click(*f.widget(id));
    f.progressBar(kBar).set(70);
    barShows.push_back(bar.value());
    const uint64_t pumps = toolkit().pumps();
    while (toolkit().pumps() == pumps) toolkit().doEvents();
    barShows.push_back(bar.value());
    pressKey(*f.window(), FL_Escape);
    closeBox(*f.window());
    owner.refuse = false;
    closeBox(*f.window());
  });
  form.showModal();
  EXPECT_EQ(owner.events, (Strings{"click cmbList", "click chkBox", "click chkBox", "load",
                                   "click cmdClose", "query", "click cmbList", "click chkBox",
                                   "click cmdOk", "query", "query", "unload"}));
  for (const ControlId id : {kList, kClose, kList, kClose, kList, kOk, kBox, kList, kClose, kOk}) {
    expected.push_back(form.widget(id));
  }
  EXPECT_EQ(walked, expected);
  EXPECT_EQ(values, (std::vector<int>{0, 1, 0, 1, 0, 1, 0, 1, 0, -1, 1, 0, 1}));
  EXPECT_EQ(barShows, (std::vector<float>{1001, 500, 0, 0, 70}));
  EXPECT_EQ(std::tuple(form.checkValue(kBox), form.listIndex(kList), window.shown()),
            std::tuple(0, 1, 0));
}

// A box shows its title, icon and buttons and gives the one pressed; an answer it does
// not offer presses its first button. The close box answers an "OK" box, not a question.
TEST_F(FltkTest, MessageBoxesShowTheirPartsAndGiveOnlyWhatTheyOffer) {
  const std::tuple<MsgIcon, MsgButtons, MsgResult, MsgResult, const char*> cases[] = {
      {MsgIcon::Information, MsgButtons::Ok, MsgResult::Yes, MsgResult::Ok, "T|?|i|OK"},
      {MsgIcon::Exclamation, MsgButtons::Ok, MsgResult::Ok, MsgResult::Ok, "T|?|!|OK"},
      {MsgIcon::Critical, MsgButtons::Ok, MsgResult::Ok, MsgResult::Ok, "T|?|X|OK"},
      {MsgIcon::Question, MsgButtons::YesNo, MsgResult::Yes, MsgResult::Yes, "T|?|?|&Yes|&No"},
      {MsgIcon::None, MsgButtons::YesNo, MsgResult::No, MsgResult::No, "T|?||&Yes|&No"}};
  for (const auto& [icon, buttons, pressed, result, shows] : cases) {
    answers = {pressed};
    EXPECT_EQ(toolkit().messageBox("?", icon, buttons, "T"), result);
    const MessageRecord& r = toolkit().messages().back();
    EXPECT_EQ(std::tuple(r.text, r.icon, r.buttons, r.title, r.answer, seen.back()),
              std::tuple("?", icon, buttons, "T", result, shows));
  }
  toolkit().setMessageAnswerer([](const MessageBoxView& box) {
    closeBox(*box.window);
    if (box.window->shown()) pressKey(*box.window, 'y');  // a question stays: its key answers
    return std::optional<MsgResult>();
  });
  EXPECT_EQ(std::pair(toolkit().messageBox("", MsgIcon::None, MsgButtons::Ok, ""),
                      toolkit().messageBox("", MsgIcon::None, MsgButtons::YesNo, "")),
            std::pair(MsgResult::Ok, MsgResult::Yes));
}

// "description|pattern" pairs become FLTK's lines, every letter of a pattern in both
// cases, as FLTK's own matcher takes them.
TEST(FltkFilter, BecomesOneCaseBlindLinePerPair) {
  const std::pair<const char*, const char*> cases[] = {
      {"*.obj|*.obj", "*.obj\t*.[oO][bB][jJ]"},
      {"", ""},  // all files
      {"Meshes|*.ply; *.inc;", "Meshes\t{*.[pP][lL][yY]|*.[iI][nN][cC]}"},
      {"A|*.a|B|*.b", "A\t*.[aA]\nB\t*.[bB]"},
      {"*.AZaz", "*.AZaz\t*.[aA][zZ][aA][zZ]"},       // a description filters by itself
      {"Two\tparts\r\n|*.x", "Two parts  \t*.[xX]"},  // FLTK's separators become spaces
      {"Sets|*.[ab]\\*;", "Sets\t*.[ab]\\*"},         // sets and escapes kept as written
      {"Open|*.[ab", "Open\t*.[ab"}};
  for (const auto& [filter, expected] : cases) EXPECT_EQ(fltkFilter(filter), expected);
  const std::string obj = caseInsensitivePattern("*.obj");
  std::string matches;
  for (const char* name : {"MODEL.OBJ", "a b.oBj", ".obj", "a.objx", "a.obj.bak", "obj"}) {
    matches += fl_filename_match(name, obj.c_str()) ? 'y' : 'n';
  }
  EXPECT_EQ(matches, "yyynnn");
}

// Every caption and list entry is narrower than the room FLTK draws it in: a label's width
// less its margins, a list's less the arrow button and margins, a frame's less the indents
// around its caption, a check box's less the box and gaps, a button's less the bevels.
void expectTextsFit(const FltkForm& form) {
  for (ControlId id = 0; id < static_cast<ControlId>(form.model().controlCount()); ++id) {
    const ControlState& c = form.model().control(id);
    const Fl_Widget* w = form.widget(id);
    if (w == nullptr) continue;
    const int room =
        w->w() - std::array{6, w->h() + 6, 16, w->labelsize() + 4, 4, 0}[size_t(c.kind)];
    fl_font(w->labelfont(), w->labelsize());
    for (const std::string& text : c.kind == ControlKind::ComboBox ? c.items : Strings{c.text})
      EXPECT_LE(fl_width(text.c_str()), room) << c.name << ": " << text;
  }
}

// The texts fit; while an import runs the bar fills from its start; Cancel answered Yes
// stops it with nothing in the scene.
TEST_F(FltkTest, DialogScreenshotsShowWholeTextsAndTheBarFillingUntilCancelStops) {
  TempDir temp;
  ::setenv("XDG_CONFIG_HOME", temp.path().c_str(), 1);
  registerSettingsComponent();
  refhost::registerReferenceHostClasses();
  refhost::ReferenceScene scene;
  // Long enough that the bar is redrawn (every 10 ms at most) between a third and the
  // end even on a machine several times faster than ours, where the import takes 0.1 s.
  std::string obj;
  for (int i = 0; i < 2'000'000; ++i) obj += "v 1.125 2.25 3.5\n";
  const std::string file = temp.write("large.obj", obj);
  toolkit().setFileChooser([&](const FileChooserRequest&) { return std::optional(file); });
  answers = {MsgResult::Yes};
  Screenshot before, during;
  int y = 0, start = 0, end = 0;  // the bar's middle line and its ends, just inside
  const auto idle = [](FltkForm& f) { return f.widget("cmdImport")->active() != 0; };
  steps.emplace_back(idle, [&](FltkForm& f) {
    const Fl_Widget& bar = *f.widget("ProgressBar1");
    std::tie(y, start, end) = std::tuple(bar.y() + bar.h() / 2, bar.x() + 6, bar.x() + bar.w() - 6);
    before = capture(*f.window());
    expectTextsFit(f);
    click(*f.widget("cmdImport"));
  });
  const auto aThird = [](FltkForm& f) {
    const ProgressBarState& bar = f.progressBar(f.model().find("ProgressBar1"));
    return bar.value > bar.max / 3;
  };
  steps.emplace_back(aThird, [&](FltkForm& f) {
    during = capture(*f.window());
    click(*f.widget("cmdCancel"));
  });
  steps.emplace_back(idle, [](FltkForm& f) { closeBox(*f.window()); });
  frmImport dialog;
  dialog.setObjScene(scene.dispatch());
  dialog.Show();
  ASSERT_TRUE(steps.empty());
  EXPECT_EQ(std::tuple(dialog.SelectedObject(), scene.objectCount(), seen),
            std::tuple(-1, 0u, Strings{"VLMImport|Do you want to stop Import?||&Yes|&No"}));
  // While running, filled at its start only.
  EXPECT_NE(during.at(start, y), before.at(start, y));
  EXPECT_EQ(during.at(end, y), before.at(end, y));
  const char* folder = std::getenv("VLM_SCREENSHOT_DIR");
  const std::filesystem::path out = folder ? std::filesystem::path(folder) : temp.path();
  preview::writePng(before, out / "dialog.png");
  preview::writePng(during, out / "dialog-running.png");
}

}  // namespace
}  // namespace vlm::test
