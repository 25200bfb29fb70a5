#include "settings/SettingsStore.h"

#include "platform/Error.h"
#include "settings/RegistryFile.h"
#include "settings/RegistryText.h"

namespace vlm {

namespace {

// What a reader sees: a file that cannot be read holds no values.
RegistryData loadForReading() {
  try {
    return parseRegistryText(readRegistryFile(settingsFilePath()));
  } catch (const RuntimeError&) {
    return {};
  }
}

}  // namespace

std::string settingsFilePath() { return registryFilePath(); }

std::optional<Variant> readRegistryValue(RegistryRoot root, std::string_view subKey,
                                         std::string_view valueName) {
  const RegistryData data = loadForReading();
  const Variant* value = data.findValue(registryKeyName(root, subKey), valueName);
  if (!value) return std::nullopt;
  return *value;
}

RegistryValues listRegistryValues(RegistryRoot root, std::string_view subKey) {
  const RegistryData data = loadForReading();
  const RegistryValues* values = data.findKey(registryKeyName(root, subKey));
  return values ? *values : RegistryValues{};
}

bool registryKeyExists(RegistryRoot root, std::string_view subKey) {
  return loadForReading().findKey(registryKeyName(root, subKey)) != nullptr;
}

void setRegistryValue(RegistryRoot root, std::string_view subKey, std::string_view valueName,
                      const Variant& value) {
  const std::string keyName = registryKeyName(root, subKey);
  editRegistry([&](RegistryData& data) { data.setValue(keyName, valueName, value); });
}

bool deleteRegistryKey(RegistryRoot root, std::string_view subKey) {
  const std::string keyName = registryKeyName(root, subKey);
  bool removed = false;
  editRegistry([&](RegistryData& data) { removed = data.eraseKeyTree(keyName) > 0; });
  return removed;
}

void editRegistry(const std::function<void(RegistryData&)>& change) {
  // A file that exists but cannot be read is not overwritten: its values would be lost.
  const std::string path = settingsFilePath();
  RegistryData data = parseRegistryText(readRegistryFile(path));
  const std::string before = formatRegistryText(data);
  change(data);
  const std::string after = formatRegistryText(data);
  if (after != before) replaceFile(path, after);  // nothing changed: nothing to write
}

}  // namespace vlm
