// The toolkit's message box: a small modal FLTK window with an icon, the prompt and
// "OK" or "Yes" and "No", under the given title.
#pragma once

#include "ui/fltk/FltkToolkit.h"

class Fl_Window;

namespace vlm::ui::fltk {

// Shows `message` (its answer is ignored) centred over `over` (nullptr: the screen)
// and returns the button pressed. `answerer`, when set, is called once the box is on
// screen and may press a button in place of the person at the display (an answer the
// box does not offer presses its first button). The close box
// and Escape answer an "OK" box; a Yes/No box has no cancel answer and ignores them.
MsgResult runMessageBox(const MessageRecord& message, const MessageAnswerer& answerer,
                        Fl_Window* over);

}  // namespace vlm::ui::fltk
