// The stage for the FLTK toolkit's tests: an X server ($DISPLAY, or an Xvfb started for
// this program and ended with it; the tests are skipped without one), the toolkit
// installed as the host's, a person's steps and events, message boxes answered from a
// list, and screenshots.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/fltk/FltkForm.h"
#include "ui/fltk/FltkToolkit.h"

namespace vlm::test {

struct SeenBox {  // what a message box showed; the icon as its symbol, "" for none
  std::string title, text, icon;
  std::vector<std::string> buttons;
  bool operator==(const SeenBox&) const = default;
};

class FltkTest : public ::testing::Test {
 protected:
  using Step = std::pair<std::function<bool(ui::FltkForm&)>, std::function<void(ui::FltkForm&)>>;
  void SetUp() override;
  void TearDown() override;
  ui::FltkToolkit& toolkit() { return *toolkit_; }

  // The person's steps: once the first's check holds for the form on screen, its action
  // runs. They run from an FLTK timeout, so inside modal loops and DoEvents alike.
  std::deque<Step> steps;
  // Message boxes press these answers in turn, then No; each box is kept in `seen`, and
  // `onBox` runs while it is on screen.
  std::deque<ui::MsgResult> answers;
  std::vector<SeenBox> seen;
  std::function<void(const ui::MessageBoxView&)> onBox;

 private:
  static void tick(void* self);
  std::unique_ptr<ui::FltkToolkit> toolkit_;
  std::chrono::steady_clock::time_point deadline_;
};

// As FLTK dispatches them from the X server: a left click in the middle of `widget`, the
// close box, a key.
void click(Fl_Widget& widget);
void closeBox(Fl_Window& window);
void pressKey(Fl_Window& window, int key);

struct Screenshot {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
  std::array<uint8_t, 3> pixel(int x, int y) const;
};
Screenshot capture(Fl_Window& window);  // once pending drawing is done
bool writePng(const std::string& path, const Screenshot& shot);

}  // namespace vlm::test
