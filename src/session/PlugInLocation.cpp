#include "session/PlugInLocation.h"

#include <unistd.h>

#include "session/PlugInLibrary.h"
#include "settings/RegistryFile.h"
#include "settings/RegistryText.h"
#include "settings/SettingsStore.h"
#include "vlmimport/VLMImport.h"

namespace vlm::session {

namespace {

bool exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

// Every key of the settings store with its values as text, to compare two snapshots.
std::map<std::string, std::string, LessIgnoreCase> snapshotKeys() {
  const RegistryData data = parseRegistryText(readRegistryFile(registryFilePath()));
  std::map<std::string, std::string, LessIgnoreCase> keys;
  for (const auto& [name, values] : data.keys()) {
    RegistryData one;
    one.key(name) = values;
    keys.emplace(name, formatRegistryText(one));
  }
  return keys;
}

}  // namespace

std::string registeredPlugInPath() {
  const std::string clsid = toString(vlmimport::kClsidCPlugIn.as<Guid>());
  const std::string subKey = "CLSID\\" + clsid + "\\InprocServer32";
  const std::optional<Variant> path = readRegistryValue(RegistryRoot::ClassesRoot, subKey, "");
  return path && path->type() == VarType::String ? path->toString() : std::string();
}

std::string locatePlugIn(const std::string& explicitPath) {
  if (!explicitPath.empty()) return explicitPath;
  const std::string file(vlmimport::kLibraryFile);
  const std::string folder = codeFolder();
  const std::string beside = folder + "/" + file;
  if (exists(beside)) return beside;
  const std::string installed = folder + "/../lib/vlmimport/" + file;
  if (exists(installed)) return installed;
  const std::string registered = registeredPlugInPath();
  if (!registered.empty() && exists(registered)) return registered;
  throw HostError("cannot find the plug-in " + file + ": not in " + folder + ", not in " + folder +
                  "/../lib/vlmimport/" +
                  (registered.empty() ? ", and not registered"
                                      : ", and the registered " + registered + " is gone"));
}

RegistrationChange registerPlugIn(const std::string& libraryPath, bool unregister) {
  const auto before = snapshotKeys();
  {
    PlugInLibrary library(libraryPath);
    const HResult result = unregister ? library.unregisterServer() : library.registerServer();
    if (result != hr::kOk) {
      throw HostError(std::string(unregister ? "DllUnregisterServer" : "DllRegisterServer") +
                      " failed (" + hex(result) + ")");
    }
  }
  const auto after = snapshotKeys();
  RegistrationChange change;
  change.storeFile = registryFilePath();
  for (const auto& [name, text] : after) {
    const auto old = before.find(name);
    if (old == before.end() || old->second != text) change.added.push_back(name);
  }
  for (const auto& [name, text] : before) {
    if (!after.contains(name)) change.removed.push_back(name);
  }
  return change;
}

}  // namespace vlm::session
