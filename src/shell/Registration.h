// The component's registration under HKEY_CLASSES_ROOT in the settings store.
//
//   CLSID\{clsid}                  (default) "VLMImport.CPlugIn"
//   CLSID\{clsid}\InprocServer32   (default) the library's path
//   CLSID\{clsid}\ProgID           (default) "VLMImport.CPlugIn"
//   CLSID\{clsid}\TypeLib          (default) {libid}
//   VLMImport.CPlugIn              (default) "VLMImport.CPlugIn"
//   VLMImport.CPlugIn\CLSID        (default) {clsid}
//   Interface\{iid}                (default) "_CPlugIn"
//   Interface\{iid}\TypeLib        (default) {libid}, "Version" "1.0"
//   TypeLib\{libid}\1.0            (default) "VLMImport"
// The default value of a key has the empty name.
#pragma once

#include <string>
#include <vector>

namespace vlm {

// The sub-keys registerServer writes, each removed with everything below it by
// unregisterServer.
std::vector<std::string> registrationRoots();

// Writes the registration, all or nothing; error 70 or 75 when the store cannot be
// written.
void registerServer(const std::string& libraryPath);
// Removes every key registerServer wrote; nothing to remove is no failure.
void unregisterServer();

}  // namespace vlm
