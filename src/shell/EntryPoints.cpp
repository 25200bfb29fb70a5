// The library's exported functions (see VLMImport.map): the four entry points and the
// dialog's preselection, named and described in vlmimport/VLMImport.h.
//
// Nothing throws across them: every failure becomes a result code.
#include <new>
#include <type_traits>

#include "platform/ClassFactory.h"
#include "shell/CPlugIn.h"
#include "shell/ComponentPath.h"
#include "shell/DialogPreselect.h"
#include "shell/Registration.h"
#include "shell/ServerState.h"
#include "vlmimport/VLMImport.h"

#define VLM_EXPORT extern "C" __attribute__((visibility("default")))

namespace vlm {
namespace {

constexpr HResult kAccessDenied = static_cast<HResult>(0x80070005);

HResult resultOf(const RuntimeError& error) noexcept {
  switch (error.number()) {
    case err::kInvalidCall: return hr::kInvalidArg;
    case err::kPermissionDenied: return kAccessDenied;
    case err::kOutOfMemory: return hr::kOutOfMemory;
    default: return hr::kFail;
  }
}

template <class Body>
HResult guarded(Body&& body) noexcept {
  try {
    body();
    return hr::kOk;
  } catch (...) {
    return resultOf(currentError());
  }
}

class PlugInFactory final : public IClassFactory {
 public:
  HResult CreateInstance(ObjectRef& out) noexcept override {
    return guarded([&] {
      startComponent();
      out = std::make_shared<CPlugIn>();
    });
  }
  HResult LockServer(bool lock) noexcept override {
    lockServer(lock);
    return hr::kOk;
  }
};

PlugInFactory plugInFactory;

}  // namespace
}  // namespace vlm

VLM_EXPORT vlm::HResult DllRegisterServer() {
  return vlm::guarded([] { vlm::registerServer(vlm::componentPath()); });
}

VLM_EXPORT vlm::HResult DllUnregisterServer() {
  return vlm::guarded([] { vlm::unregisterServer(); });
}

VLM_EXPORT vlm::HResult DllGetClassObject(const vlm::Guid* clsid, vlm::IClassFactory** factory) {
  if (factory == nullptr) return vlm::hr::kInvalidArg;
  *factory = nullptr;
  if (clsid == nullptr || !(*clsid == vlm::vlmimport::kClsidCPlugIn.as<vlm::Guid>())) {
    return vlm::hr::kClassNotAvailable;
  }
  *factory = &vlm::plugInFactory;
  return vlm::hr::kOk;
}

VLM_EXPORT vlm::HResult DllCanUnloadNow() {
  return vlm::canUnloadNow() ? vlm::hr::kOk : vlm::hr::kFalse;
}

VLM_EXPORT vlm::HResult VLMImportPreselect(const char* file, const char* extension) {
  if (file == nullptr || extension == nullptr) return vlm::hr::kInvalidArg;
  return vlm::guarded([&] { vlm::preselectFile(vlm::formatTable(), file, extension); });
}
static_assert(std::is_same_v<decltype(&VLMImportPreselect), vlm::vlmimport::PreselectFn>);
