// A component library loaded with dlopen and reached only through the functions it exports.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "platform/ClassFactory.h"

namespace vlm::session {

// A failure of the host itself (a file it cannot read, a plug-in it cannot load), in
// one line.
class HostError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class PlugInLibrary {
 public:
  // Loads `path` and looks up the four entry points; HostError when either fails.
  explicit PlugInLibrary(const std::string& path);
  // Unloads the library if DllCanUnloadNow allows it.
  ~PlugInLibrary();
  PlugInLibrary(const PlugInLibrary&) = delete;
  PlugInLibrary& operator=(const PlugInLibrary&) = delete;

  // A new object of class `clsid` through DllGetClassObject and the class factory.
  ObjectRef create(const Guid& clsid);
  // DllRegisterServer / DllUnregisterServer.
  HResult registerServer() { return registerServer_(); }
  HResult unregisterServer() { return unregisterServer_(); }
  // VLMImportPreselect: the plug-in's dialog opens on `file`, of format `extension`.
  // HostError when the library does not export it or it fails.
  void preselect(const std::string& file, const std::string& extension);
  // DllCanUnloadNow said yes.
  bool canUnloadNow() const;
  // Unloads the library when DllCanUnloadNow says yes; returns whether it is unloaded.
  bool unload();

 private:
  std::string path_;
  void* handle_ = nullptr;
  DllRegisterServerFn registerServer_ = nullptr;
  DllUnregisterServerFn unregisterServer_ = nullptr;
  DllGetClassObjectFn getClassObject_ = nullptr;
  DllCanUnloadNowFn canUnloadNow_ = nullptr;
};

// The folder of the program or shared module this code is linked into, without a
// trailing separator.
std::string codeFolder();

// "0x80004005" for a result code.
std::string hex(HResult result);

}  // namespace vlm::session
