#include "shell/Registration.h"

#include "settings/SettingsStore.h"
#include "shell/VLMImportIds.h"

namespace vlm {

namespace {

using namespace vlmimport;

std::string classKey() { return "CLSID\\" + toString(kClsidCPlugIn); }
std::string interfaceKey() { return "Interface\\" + toString(kIidCPlugIn); }
std::string typeLibKey() { return "TypeLib\\" + toString(kLibidVLMImport); }

std::string classesRootKey(const std::string& subKey) {
  return registryKeyName(RegistryRoot::ClassesRoot, subKey);
}

void setDefault(RegistryData& data, const std::string& subKey, std::string_view value) {
  data.setValue(classesRootKey(subKey), "", Variant(value));
}

}  // namespace

std::vector<std::string> registrationRoots() {
  return {classKey(), std::string(kProgId), interfaceKey(), typeLibKey()};
}

void registerServer(const std::string& libraryPath) {
  const std::string libid = toString(kLibidVLMImport);
  editRegistry([&](RegistryData& data) {
    setDefault(data, classKey(), kProgId);
    setDefault(data, classKey() + "\\InprocServer32", libraryPath);
    setDefault(data, classKey() + "\\ProgID", kProgId);
    setDefault(data, classKey() + "\\TypeLib", libid);
    setDefault(data, std::string(kProgId), kProgId);
    setDefault(data, std::string(kProgId) + "\\CLSID", toString(kClsidCPlugIn));
    setDefault(data, interfaceKey(), kInterfaceName);
    setDefault(data, interfaceKey() + "\\TypeLib", libid);
    data.setValue(classesRootKey(interfaceKey() + "\\TypeLib"), "Version",
                  Variant(kTypeLibVersion));
    setDefault(data, typeLibKey() + "\\" + std::string(kTypeLibVersion), kLibraryName);
  });
}

void unregisterServer() {
  editRegistry([](RegistryData& data) {
    for (const std::string& subKey : registrationRoots()) data.eraseKeyTree(classesRootKey(subKey));
  });
}

}  // namespace vlm
