// The settings component as the fuzz targets use it: registered once, its file named,
// the format the dialog saved read back.
#include "FuzzImport.h"
#include "settings/RegFun.h"
#include "settings/RegistryFile.h"
#include "settings/RegistryText.h"

namespace vlm::fuzz {

void registerSettings() { registerSettingsComponent(); }

std::string settingsFile() { return registryFilePath(); }

int32_t savedFormat() {
  const RegistryData data = parseRegistryText(readRegistryFile(registryFilePath()));
  const Variant* saved =
      data.findValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollavent\\VLMImport", "FileFormat");
  return saved != nullptr ? saved->toLong() : -1;
}

}  // namespace vlm::fuzz
