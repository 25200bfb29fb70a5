// vlmhost --gui and --view: the real import dialog on the X display, answered by the
// person there, and the view window of the scene.
#pragma once

#include <memory>
#include <string>

#include "Options.h"
#include "Report.h"
#include "session/ImportSession.h"
#include "ui/fltk/FltkToolkit.h"

namespace vlm::vlmhost {

// No display could be opened; the message is one line.
class NoDisplay : public session::HostError {
 public:
  using session::HostError::HostError;
};

// The window toolkit on $DISPLAY; NoDisplay "cannot show <what>: <why>" when there is none.
std::unique_ptr<ui::FltkToolkit> openDisplay(const std::string& what);

// The file the person chose in the last open-file dialog, or "" when none was chosen.
std::string chosenFile(const ui::FltkToolkit& toolkit);

// One import in which the person at `window` chooses format and file; a record.path
// given makes the dialog open on its format and folder.
void importInWindow(session::ImportSession& session, ImportRecord& record, ui::FltkToolkit& window,
                    const Options& options);

}  // namespace vlm::vlmhost
