// The timing driver's set-up of the settings component, apart from the shell's headers
// (the component's header and the shell's client of it cannot share a translation unit).
#include "settings/RegFun.h"

namespace vlm::timing {

void installSettingsComponent() { registerSettingsComponent(); }

}  // namespace vlm::timing
