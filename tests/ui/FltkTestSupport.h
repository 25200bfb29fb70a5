// The stage for the FLTK toolkit's tests: an X server (the one in $DISPLAY, or an Xvfb
// started for the test program and ended with it), a fixture that skips every test when
// no server can be had, a pilot that plays the person at the display, events sent
// through the X server to the dialog's windows, and screenshots written as PNG.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/fltk/FltkForm.h"
#include "ui/fltk/FltkToolkit.h"

class Fl_Widget;
class Fl_Window;

namespace vlm::test {

// The X server of this test program: $DISPLAY when set, otherwise an Xvfb started on a
// free display number at first use and terminated at exit.
class TestDisplay {
 public:
  static TestDisplay& instance();
  ~TestDisplay();
  TestDisplay(const TestDisplay&) = delete;
  TestDisplay& operator=(const TestDisplay&) = delete;

  bool available() const noexcept { return available_; }
  const std::string& whyNot() const noexcept { return whyNot_; }

 private:
  TestDisplay();
  void startXvfb();

  bool available_ = false;
  std::string whyNot_;
  int pid_ = -1;
};

// Every FLTK test: the toolkit installed as the host's toolkit, or the test skipped.
class FltkTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  ui::FltkToolkit& toolkit() { return *toolkit_; }

 private:
  std::unique_ptr<ui::FltkToolkit> toolkit_;
};

// Plays the person at the display. Each step waits until its condition holds on the
// form being shown, then acts. Steps run from an FLTK timeout, so inside the form's
// modal loop and inside DoEvents while an import runs. A step still waiting after the
// deadline fails the test and ends the program rather than leave it hanging.
class Pilot {
 public:
  using Condition = std::function<bool(ui::FltkForm&)>;
  using Action = std::function<void(ui::FltkForm&)>;

  explicit Pilot(ui::FltkToolkit& toolkit,
                 std::chrono::seconds deadline = std::chrono::seconds(60));
  ~Pilot();
  Pilot(const Pilot&) = delete;
  Pilot& operator=(const Pilot&) = delete;

  void when(std::string what, Condition condition, Action action);
  // A step for the idle dialog: open, shown, Import enabled.
  void whenIdle(std::string what, Action action);

  bool finished() const noexcept { return steps_.empty(); }
  std::string nextStep() const { return steps_.empty() ? "" : steps_.front().what; }

 private:
  struct Step {
    std::string what;
    Condition condition;
    Action action;
  };
  static void tick(void* self);

  ui::FltkToolkit& toolkit_;
  std::deque<Step> steps_;
  std::chrono::steady_clock::time_point deadline_;
};

// True while the dialog is open, on screen and idle (Import enabled).
bool dialogIdle(ui::FltkForm& form);
// True while an import runs (Import disabled).
bool dialogRunning(ui::FltkForm& form);

// --- Events, sent through the X server as a person's would arrive ---
// A left click in the middle of `widget`.
void sendClick(Fl_Widget& widget);
// The window manager's close request (the close box).
void sendCloseBox(Fl_Window& window);
// A Tab key press handed to FLTK's event dispatch for `window`.
void pressTab(Fl_Window& window);
// A list entry chosen: the list's value changes and its callback runs, as after a pick.
void chooseEntry(Fl_Widget& list, int index);

// --- Screenshots ---
struct Screenshot {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // width * height * 3

  std::array<uint8_t, 3> pixel(int x, int y) const;
};
// The window's content as on screen, after pending drawing has been done.
Screenshot capture(Fl_Window& window);
// Writes an 8-bit RGB PNG; false and `error` set on failure.
bool writePng(const std::string& path, const Screenshot& shot, std::string& error);

// The message boxes a test answers: each answer in turn (Yes/No questions take the
// next one; "No" when none is left) and what each box showed.
struct SeenBox {
  std::string title;
  std::string text;
  std::string icon;  // the icon's symbol, "" for none
  std::vector<std::string> buttons;
};
class ScriptedAnswers {
 public:
  explicit ScriptedAnswers(ui::FltkToolkit& toolkit);
  void add(ui::MsgResult answer) { answers_.push_back(answer); }
  const std::vector<SeenBox>& seen() const noexcept { return seen_; }
  // Runs once per box while it is on screen, before the answer.
  std::function<void(const ui::MessageBoxView&)> onShown;

 private:
  std::deque<ui::MsgResult> answers_;
  std::vector<SeenBox> seen_;
};

}  // namespace vlm::test
