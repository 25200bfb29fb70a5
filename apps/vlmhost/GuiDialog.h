// vlmhost --gui and --view: the real import dialog on the X display, answered by the
// person there, and the view window of the scene.
#pragma once

#include <memory>
#include <string>

#include "PlugInLibrary.h"
#include "ui/fltk/FltkToolkit.h"

namespace vlm::vlmhost {

// No display could be opened; the message is one line.
class NoDisplay : public HostError {
 public:
  using HostError::HostError;
};

// The window toolkit on $DISPLAY; NoDisplay "cannot show <what>: <why>" when there is none.
std::unique_ptr<ui::FltkToolkit> openDisplay(const std::string& what);

// The file the person chose in the last open-file dialog, or "" when none was chosen.
std::string chosenFile(const ui::FltkToolkit& toolkit);

}  // namespace vlm::vlmhost
