// Class identifiers, class factories and the four entry points of a component library.
//
// A component library (a shared object) exports, with C linkage:
//   HResult DllRegisterServer();      records its classes in the settings store
//   HResult DllUnregisterServer();    removes what DllRegisterServer wrote
//   HResult DllGetClassObject(const Guid* clsid, IClassFactory** factory);
//                                     the factory of class `clsid`, or
//                                     hr::kClassNotAvailable for a class it does not offer
//   HResult DllCanUnloadNow();        hr::kOk when no object and no lock is outstanding,
//                                     else hr::kFalse
// A host finds them with dlsym, creates objects through the factory, and unloads the
// library only when DllCanUnloadNow answers hr::kOk. Nothing throws across them.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/Dispatch.h"
#include "platform/Variant.h"

namespace vlm {

// A 16-byte globally unique identifier, written {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}.
struct Guid {
  uint32_t data1 = 0;
  uint16_t data2 = 0;
  uint16_t data3 = 0;
  std::array<uint8_t, 8> data4{};

  friend constexpr bool operator==(const Guid&, const Guid&) = default;
};

// The registry form, upper-case hex in braces.
inline std::string toString(const Guid& g) {
  char text[39];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(g.data1), g.data2, g.data3, g.data4[0], g.data4[1],
                g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
  return text;
}

// Hands out new objects of one class. The factory belongs to the library; a host does
// not delete it. A lock keeps the library loaded while the host holds no object.
class IClassFactory {
 public:
  // A new object in `out`; hr::kOk, or a failure result with `out` left empty.
  virtual HResult CreateInstance(ObjectRef& out) noexcept = 0;
  // Adds (true) or removes (false) one lock on the library.
  virtual HResult LockServer(bool lock) noexcept = 0;

 protected:
  ~IClassFactory() = default;
};

// The entry points' types, for dlsym.
using DllRegisterServerFn = HResult (*)();
using DllUnregisterServerFn = HResult (*)();
using DllGetClassObjectFn = HResult (*)(const Guid* clsid, IClassFactory** factory);
using DllCanUnloadNowFn = HResult (*)();

}  // namespace vlm
