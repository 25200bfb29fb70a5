#include "settings/RegistryRoot.h"

#include <array>

#include "platform/Dispatch.h"

namespace vlm {

namespace {

struct RootEntry {
  RegistryRoot root;
  std::string_view name;
};

constexpr std::array<RootEntry, 4> kRoots = {{
    {RegistryRoot::ClassesRoot, "HKEY_CLASSES_ROOT"},
    {RegistryRoot::CurrentUser, "HKEY_CURRENT_USER"},
    {RegistryRoot::LocalMachine, "HKEY_LOCAL_MACHINE"},
    {RegistryRoot::Users, "HKEY_USERS"},
}};

}  // namespace

std::optional<RegistryRoot> registryRootFromNumber(uint32_t number) noexcept {
  for (const RootEntry& entry : kRoots) {
    if (static_cast<uint32_t>(entry.root) == number) return entry.root;
  }
  return std::nullopt;
}

std::string_view registryRootName(RegistryRoot root) noexcept {
  for (const RootEntry& entry : kRoots) {
    if (entry.root == root) return entry.name;
  }
  return {};
}

std::string registryKeyName(RegistryRoot root, std::string_view subKey) {
  std::string name(registryRootName(root));
  if (!subKey.empty()) {
    name += '\\';
    name += subKey;
  }
  return name;
}

bool isRegistryKeyName(std::string_view keyName) noexcept {
  const std::string_view rootPart = keyName.substr(0, keyName.find('\\'));
  for (const RootEntry& entry : kRoots) {
    if (equalsIgnoreCase(rootPart, entry.name)) return true;
  }
  return false;
}

bool isSameOrSubKey(std::string_view keyName, std::string_view ancestor) noexcept {
  if (keyName.size() == ancestor.size()) return equalsIgnoreCase(keyName, ancestor);
  return keyName.size() > ancestor.size() && keyName[ancestor.size()] == '\\' &&
         equalsIgnoreCase(keyName.substr(0, ancestor.size()), ancestor);
}

}  // namespace vlm
