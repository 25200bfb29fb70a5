#include "ui/fltk/FltkDisplay.h"

#include <FL/Fl.H>
#include <FL/x.H>

#include <cstdlib>

namespace vlm::ui::fltk {

bool openDisplay(std::string& whyNot) {
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') {
    whyNot = "no X display: DISPLAY is not set";
    return false;
  }
  if (fl_display != nullptr) return true;
  Display* display = XOpenDisplay(name);
  if (display == nullptr) {
    whyNot = std::string("no X display: cannot open display '") + name + "'";
    return false;
  }
  fl_open_display(display);
  return true;
}

}  // namespace vlm::ui::fltk
