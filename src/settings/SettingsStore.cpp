#include "settings/SettingsStore.h"

#include <iostream>
#include <optional>
#include <string>

#include "platform/Error.h"
#include "settings/RegistryChanges.h"
#include "settings/RegistryFile.h"
#include "settings/RegistryText.h"
#include "settings/SettingsError.h"

namespace vlm {

namespace {

// The changes this process made that its settings file could not take, with the file they
// belong to. Everything runs on the dialog's thread, so no lock guards them.
struct KeptChanges {
  std::string path;
  RegistryChanges changes;
};

struct MemoryState {
  std::optional<KeptChanges> kept;
  // The file the warning was given for: once per file, which is once per process unless
  // XDG_CONFIG_HOME or HOME change while it runs.
  std::string warnedPath;
};

MemoryState& memory() {
  static MemoryState state;
  return state;
}

const RegistryChanges* keptFor(const std::string& path) {
  const std::optional<KeptChanges>& kept = memory().kept;
  return kept && kept->path == path ? &kept->changes : nullptr;
}

void keep(const std::string& path, const RegistryChanges& change, const std::string& reason) {
  MemoryState& state = memory();
  if (!keptFor(path)) state.kept = KeptChanges{path, {}};
  change.applyTo(state.kept->changes);
  if (state.warnedPath == path) return;
  state.warnedPath = path;
  std::cerr << "vlmimport: cannot save settings to " << path << " (" << reason
            << "); they are kept until the program ends\n";
}

// What a reader sees: a file that cannot be read holds no values; kept changes lie over it.
RegistryData loadForReading() {
  const std::string path = settingsFilePath();
  RegistryData data;
  try {
    data = parseRegistryText(readRegistryFile(path));
  } catch (const RuntimeError&) {
  }
  if (const RegistryChanges* changes = keptFor(path)) changes->applyTo(data);
  return data;
}

// Makes `change` on the registry as readers see it and returns whether that changed it. The
// file is written when it could be read (or does not exist); when it cannot be read (its
// values would be lost) or the write fails, the change is kept in memory instead.
bool changeSettings(const RegistryChanges& change) {
  const std::string path = settingsFilePath();
  const RegistryChanges* changes = keptFor(path);
  RegistryData data;
  std::optional<std::string> onFile;  // the file's values as text, when it could be read
  std::string failure;
  try {
    data = parseRegistryText(readRegistryFile(path));
    onFile = formatRegistryText(data);
  } catch (const SettingsFileError& error) {
    failure = error.reason();
  }
  if (changes) changes->applyTo(data);
  const std::string before = formatRegistryText(data);
  change.applyTo(data);
  const std::string after = formatRegistryText(data);
  const bool changed = after != before;
  if (!changed && !changes) return false;  // nothing to write and nothing waiting
  if (onFile) {
    try {
      if (after != *onFile) replaceFile(path, after);
      if (changes) memory().kept.reset();  // the file holds everything again
      return changed;
    } catch (const SettingsFileError& error) {
      failure = error.reason();
    }
  }
  keep(path, change, failure);
  return changed;
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
  RegistryChanges change;
  change.setValue(registryKeyName(root, subKey), valueName, value);  // error 13 before any read
  changeSettings(change);
}

bool deleteRegistryKey(RegistryRoot root, std::string_view subKey) {
  RegistryChanges change;
  change.eraseKeyTree(registryKeyName(root, subKey));
  return changeSettings(change);  // an existing key always shows in the text
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
