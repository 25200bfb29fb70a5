#include "settings/RegFun.h"

#include <cmath>
#include <memory>
#include <string>

#include "platform/ObjectRegistry.h"
#include "settings/RegistryRoot.h"
#include "settings/SettingsStore.h"

namespace vlm {

namespace {

constexpr double kTwoTo32 = 4294967296.0;

// The root named by a number of any kind. 0x80000002 passed as a 32-bit Long is
// -2147483646, so negative numbers count from 2^32.
RegistryRoot rootArgument(const Variant& argument) {
  double number = argument.toDouble();  // error 13 for what is not a number
  if (number < 0) number += kTwoTo32;
  if (number >= 0 && number < kTwoTo32 && number == std::floor(number)) {
    if (auto root = registryRootFromNumber(static_cast<uint32_t>(number))) return *root;
  }
  raiseSettingsError(err::kInvalidCall, "Invalid procedure call or argument: unknown root key");
}

Variant readValue(std::span<Variant> args) {
  expectArgs(args, 3, 4);
  const RegistryRoot root = rootArgument(args[0]);
  std::optional<Variant> stored = readRegistryValue(root, args[1].toString(), args[2].toString());
  if (stored) return std::move(*stored);
  Variant fallback;
  if (args.size() == 4 && !args[3].isMissing()) fallback.assign(args[3]);
  return fallback;
}

Variant writeValue(std::span<Variant> args) {
  expectArgs(args, 4);
  const RegistryRoot root = rootArgument(args[0]);
  // Checked before the file is touched, so a wrong kind is reported as such.
  if (!isStorableType(args[3].type())) raiseSettingsError(err::kTypeMismatch);
  setRegistryValue(root, args[1].toString(), args[2].toString(), args[3]);
  return {};
}

}  // namespace

RegFun::RegFun() {
  addMember(kReadValue, "ReadValue",
            [](InvokeKind, std::span<Variant> args) { return readValue(args); });
  addMember(kWriteValue, "WriteValue",
            [](InvokeKind, std::span<Variant> args) { return writeValue(args); });
}

void registerSettingsComponent() {
  registerClass(std::string(kSettingsProgId), [] { return std::make_shared<RegFun>(); });
}

void unregisterSettingsComponent() { unregisterClass(kSettingsProgId); }

}  // namespace vlm
