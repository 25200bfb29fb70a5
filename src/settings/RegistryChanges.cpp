#include "settings/RegistryChanges.h"

#include "settings/RegistryRoot.h"

namespace vlm {

void RegistryChanges::setValue(std::string_view keyName, std::string_view valueName,
                               const Variant& value) {
  values_.setValue(keyName, valueName, value);
}

void RegistryChanges::eraseKeyTree(std::string_view keyName) {
  values_.eraseKeyTree(keyName);
  std::erase_if(erased_, [&](const std::string& erased) { return isSameOrSubKey(erased, keyName); });
  erased_.emplace(keyName);
}

// Every recorded value was set after the last removal of a tree holding it (a removal
// drops the values recorded below it), so removals first, then values, is that outcome.
template <class Target>
void RegistryChanges::replay(Target& target) const {
  for (const std::string& keyName : erased_) target.eraseKeyTree(keyName);
  for (const auto& [keyName, values] : values_.keys()) {
    for (const auto& [valueName, value] : values) target.setValue(keyName, valueName, value);
  }
}

void RegistryChanges::applyTo(RegistryData& data) const { replay(data); }

void RegistryChanges::applyTo(RegistryChanges& record) const { replay(record); }

}  // namespace vlm
