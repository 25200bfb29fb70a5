// The slot holding the host's current dialog toolkit.
//
// Built into the shared runtime library (vlmplatform), not into the plug-in, so that
// the toolkit a host program installs is the one the plug-in reaches.
#include "ui/Toolkit.h"

namespace vlm::ui {

namespace {
Toolkit* currentToolkit = nullptr;
}  // namespace

Toolkit* toolkit() noexcept { return currentToolkit; }

void setToolkit(Toolkit* toolkit) noexcept { currentToolkit = toolkit; }

}  // namespace vlm::ui
