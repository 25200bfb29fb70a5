// The slot holding the host's current dialog toolkit.
//
// It lives in the shared runtime library, not in the plug-in, so that the toolkit a host
// program installs is the one its plug-ins reach. The toolkit itself is ui/Toolkit.h.
#pragma once

namespace vlm::ui {

class Toolkit;

// The host's current toolkit, or nullptr.
Toolkit* toolkit() noexcept;
// Installs (or with nullptr removes) the current toolkit; the caller keeps ownership.
void setToolkit(Toolkit* toolkit) noexcept;

}  // namespace vlm::ui
