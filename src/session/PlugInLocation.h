// Where vlmhost finds the plug-in, and its registration as a class.
#pragma once

#include <string>
#include <vector>

namespace vlm::session {

// The plug-in library to load: `explicitPath` when given; else libVLMImport.so beside
// the program or module holding this code (the build tree, a Python package), then in
// ../lib/vlmimport/ (the install layout), then the
// library the class registration names. HostError when none of them exists.
std::string locatePlugIn(const std::string& explicitPath);

// The library path the class registration of CPlugIn names, or "" when it is not
// registered.
std::string registeredPlugInPath();

// What a registration call changed in the settings store.
struct RegistrationChange {
  std::string storeFile;           // the settings file
  std::vector<std::string> added;  // full key names, sorted
  std::vector<std::string> removed;
};

// Calls the library's DllRegisterServer or DllUnregisterServer and reports which keys
// appeared or went; HostError when the entry point reports a failure.
RegistrationChange registerPlugIn(const std::string& libraryPath, bool unregister);

}  // namespace vlm::session
