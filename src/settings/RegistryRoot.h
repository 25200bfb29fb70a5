// The four registry roots and the full names of keys below them.
//
// Callers pass a root by its classic 32-bit number (HKEY_LOCAL_MACHINE is 0x80000002);
// the settings file names it in full. A key's full name is the root's name, then "\" and
// the sub-key, whose backslashes are kept as they are: they separate keys, not folders.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vlm {

enum class RegistryRoot : uint32_t {
  ClassesRoot = 0x80000000,
  CurrentUser = 0x80000001,
  LocalMachine = 0x80000002,
  Users = 0x80000003,
};

// The root behind a classic number, or nothing for any other number.
std::optional<RegistryRoot> registryRootFromNumber(uint32_t number) noexcept;

// "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE" or "HKEY_USERS".
std::string_view registryRootName(RegistryRoot root) noexcept;

// "HKEY_LOCAL_MACHINE\SOFTWARE\X" for (LocalMachine, "SOFTWARE\X"); the root's name
// alone for an empty sub-key.
std::string registryKeyName(RegistryRoot root, std::string_view subKey);

// True when `keyName` is a root's name (in any case), alone or followed by "\".
bool isRegistryKeyName(std::string_view keyName) noexcept;

// True when `keyName` is `ancestor` itself or a key below it (names in any case).
bool isSameOrSubKey(std::string_view keyName, std::string_view ancestor) noexcept;

}  // namespace vlm
