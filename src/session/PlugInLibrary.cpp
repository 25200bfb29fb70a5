#include "session/PlugInLibrary.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <cstdio>

#include "vlmimport/VLMImport.h"

namespace vlm::session {

namespace {

template <class Fn>
Fn entryPoint(void* handle, const char* name, const std::string& path) {
  void* symbol = ::dlsym(handle, name);
  if (symbol == nullptr) throw HostError(path + " does not export " + name);
  return reinterpret_cast<Fn>(symbol);
}

}  // namespace

PlugInLibrary::PlugInLibrary(const std::string& path) : path_(path) {
  // A name without a folder would send dlopen searching the library path.
  const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
  handle_ = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* reason = ::dlerror();
    throw HostError("cannot load the plug-in: " + std::string(reason ? reason : path));
  }
  try {
    using namespace vlmimport;
    registerServer_ = entryPoint<DllRegisterServerFn>(handle_, kDllRegisterServer, path);
    unregisterServer_ = entryPoint<DllUnregisterServerFn>(handle_, kDllUnregisterServer, path);
    getClassObject_ = entryPoint<DllGetClassObjectFn>(handle_, kDllGetClassObject, path);
    canUnloadNow_ = entryPoint<DllCanUnloadNowFn>(handle_, kDllCanUnloadNow, path);
  } catch (...) {
    ::dlclose(handle_);
    handle_ = nullptr;
    throw;
  }
}

PlugInLibrary::~PlugInLibrary() { unload(); }

ObjectRef PlugInLibrary::create(const Guid& clsid) {
  IClassFactory* factory = nullptr;
  const HResult got = getClassObject_(&clsid, &factory);
  if (got != hr::kOk || factory == nullptr) {
    throw HostError("DllGetClassObject refused class " + toString(clsid) + " (" + hex(got) + ")");
  }
  ObjectRef object;
  const HResult made = factory->CreateInstance(object);
  if (made != hr::kOk || !object) {
    throw HostError("creating class " + toString(clsid) + " failed (" + hex(made) + ")");
  }
  return object;
}

void PlugInLibrary::preselect(const std::string& file, const std::string& extension) {
  const auto function = entryPoint<vlmimport::PreselectFn>(handle_, vlmimport::kPreselect, path_);
  const HResult result = function(file.c_str(), extension.c_str());
  if (result != hr::kOk) {
    throw HostError("the plug-in could not preselect '" + file + "' (" + hex(result) + ")");
  }
}

bool PlugInLibrary::canUnloadNow() const {
  return handle_ != nullptr && canUnloadNow_() == hr::kOk;
}

bool PlugInLibrary::unload() {
  if (handle_ == nullptr) return true;
  if (!canUnloadNow()) return false;
  ::dlclose(handle_);
  handle_ = nullptr;
  return true;
}

std::string hex(HResult result) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(result));
  return text;
}

std::string codeFolder() {
  // The object that holds this very function: the program that links the session, or a
  // module such as Python's loaded with dlopen.
  Dl_info info{};
  std::string file;
  if (::dladdr(reinterpret_cast<void*>(&codeFolder), &info) != 0 && info.dli_fname != nullptr) {
    char resolved[PATH_MAX];
    file = ::realpath(info.dli_fname, resolved) ? resolved : info.dli_fname;
  }
  const size_t slash = file.rfind('/');
  return slash == std::string::npos ? "." : file.substr(0, slash);
}

}  // namespace vlm::session
