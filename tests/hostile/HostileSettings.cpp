#include "HostileSettings.h"

#include <cstdlib>

#include "settings/RegFun.h"
#include "settings/RegistryFile.h"
#include "settings/RegistryText.h"

namespace vlm::hostile {

namespace {
constexpr std::string_view kMainKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollavent\\VLMImport";
}  // namespace

void installSettings(const std::string& configHome) {
  ::setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
  registerSettingsComponent();
}

void removeSettings() { unregisterSettingsComponent(); }

std::string settingsFile() { return registryFilePath(); }

int32_t savedFormat() {
  try {
    const RegistryData data = parseRegistryText(readRegistryFile(registryFilePath()));
    const Variant* saved = data.findValue(kMainKey, "FileFormat");
    return saved != nullptr ? saved->toLong() : -1;
  } catch (const RuntimeError&) {
    return -1;
  }
}

std::string otherSavedValues() {
  RegistryData data = parseRegistryText(readRegistryFile(registryFilePath()));
  data.key(kMainKey).erase("FileFormat");
  data.key(std::string(kMainKey) + "\\OBJ").erase("Path");
  return formatRegistryText(data);
}

}  // namespace vlm::hostile
