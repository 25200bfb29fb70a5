#include "SettingsStage.h"

#include <cstdlib>

#include "settings/RegFun.h"

namespace vlm::test3ds {

void installSettingsComponent(const std::string& configHome) {
  ::setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
  registerSettingsComponent();
}

void removeSettingsComponent() { unregisterSettingsComponent(); }

}  // namespace vlm::test3ds
