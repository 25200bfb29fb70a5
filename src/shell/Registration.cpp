#include "shell/Registration.h"

#include "platform/ClassFactory.h"
#include "settings/SettingsStore.h"
#include "vlmimport/VLMImport.h"

namespace vlm {

namespace {

using namespace vlmimport;

// The registry form of an id.
std::string text(const GuidFields& id) { return toString(id.as<Guid>()); }

std::string classKey() { return "CLSID\\" + text(kClsidCPlugIn); }
std::string interfaceKey() { return "Interface\\" + text(kIidCPlugIn); }
std::string typeLibKey() { return "TypeLib\\" + text(kLibidVLMImport); }

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
  const std::string libid = text(kLibidVLMImport);
  editRegistry([&](RegistryData& data) {
    setDefault(data, classKey(), kProgId);
    setDefault(data, classKey() + "\\InprocServer32", libraryPath);
    setDefault(data, classKey() + "\\ProgID", kProgId);
    setDefault(data, classKey() + "\\TypeLib", libid);
    setDefault(data, std::string(kProgId), kProgId);
    setDefault(data, std::string(kProgId) + "\\CLSID", text(kClsidCPlugIn));
    setDefault(data, interfaceKey(), kInterfaceName);
    setDefault(data, interfaceKey() + "\\TypeLib", libid);
    data.setValue(classesRootKey(interfaceKey() + "\\TypeLib"), "Version",
                  Variant(kTypeLibVersion));
    setDefault(data, typeLibKey() + "\\" + std::string(kTypeLibVersion), kTypeLibName);
  });
}

void unregisterServer() {
  editRegistry([](RegistryData& data) {
    for (const std::string& subKey : registrationRoots()) data.eraseKeyTree(classesRootKey(subKey));
  });
}

}  // namespace vlm
