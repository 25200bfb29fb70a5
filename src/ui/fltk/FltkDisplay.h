// The X display FLTK draws on: opened once per process, from $DISPLAY.
#pragma once

#include <string>

namespace vlm::ui::fltk {

// True when FLTK has a display: opened now or by an earlier call. Otherwise `whyNot`
// says why in one line ("no X display: DISPLAY is not set"). FLTK itself would end the
// process on a display it cannot open, so the display is tried here first.
bool openDisplay(std::string& whyNot);

}  // namespace vlm::ui::fltk
