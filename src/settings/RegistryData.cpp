#include "settings/RegistryData.h"

#include "platform/Error.h"
#include "settings/RegistryRoot.h"
#include "settings/SettingsError.h"

namespace vlm {

namespace {

char foldCase(char c) noexcept {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool LessIgnoreCase::operator()(std::string_view a, std::string_view b) const noexcept {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(foldCase(a[i]));
    const auto y = static_cast<unsigned char>(foldCase(b[i]));
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

bool isStorableType(VarType type) noexcept {
  switch (type) {
    case VarType::Boolean:
    case VarType::Integer:
    case VarType::Long:
    case VarType::Single:
    case VarType::Double:
    case VarType::String: return true;
    default: return false;
  }
}

RegistryValues& RegistryData::key(std::string_view keyName) {
  auto it = keys_.find(keyName);
  if (it == keys_.end()) it = keys_.emplace(std::string(keyName), RegistryValues{}).first;
  return it->second;
}

const RegistryValues* RegistryData::findKey(std::string_view keyName) const {
  auto it = keys_.find(keyName);
  return it == keys_.end() ? nullptr : &it->second;
}

const Variant* RegistryData::findValue(std::string_view keyName, std::string_view valueName) const {
  const RegistryValues* values = findKey(keyName);
  if (!values) return nullptr;
  auto it = values->find(valueName);
  return it == values->end() ? nullptr : &it->second;
}

void RegistryData::setValue(std::string_view keyName, std::string_view valueName,
                            const Variant& value) {
  if (!isStorableType(value.type())) raiseSettingsError(err::kTypeMismatch);
  Variant stored;
  stored.assign(value);  // drops a by-reference mark: the store keeps a plain value
  RegistryValues& values = key(keyName);
  auto it = values.find(valueName);
  if (it == values.end()) {
    values.emplace(std::string(valueName), std::move(stored));
  } else {
    it->second = std::move(stored);
  }
}

size_t RegistryData::eraseKeyTree(std::string_view keyName) {
  return std::erase_if(keys_,
                       [&](const auto& entry) { return isSameOrSubKey(entry.first, keyName); });
}

}  // namespace vlm
