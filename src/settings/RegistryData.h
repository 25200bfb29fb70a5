// The registry in memory: keys by full name ("HKEY_LOCAL_MACHINE\SOFTWARE\..."), each
// holding named, typed values.
//
// Key and value names compare case-insensitively, as registry names do, and keep the
// spelling they were first stored with. A value keeps its kind: a 16-bit Integer stored
// is a 16-bit Integer read back.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

#include "platform/Variant.h"

namespace vlm {

// Orders names by their bytes with A-Z folded to a-z.
struct LessIgnoreCase {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const noexcept;
};

using RegistryValues = std::map<std::string, Variant, LessIgnoreCase>;

// The kinds a value may have: Boolean, Integer, Long, Single, Double and String.
bool isStorableType(VarType type) noexcept;

class RegistryData {
 public:
  using Keys = std::map<std::string, RegistryValues, LessIgnoreCase>;

  // The values of the key, which is created (without values) when missing.
  RegistryValues& key(std::string_view keyName);
  // Null when there is no such key.
  const RegistryValues* findKey(std::string_view keyName) const;
  // Null when there is no such key or value.
  const Variant* findValue(std::string_view keyName, std::string_view valueName) const;

  // Stores `value` under the key, creating the key; error 13 for a kind the store
  // cannot keep (Empty, Missing, objects, arrays).
  void setValue(std::string_view keyName, std::string_view valueName, const Variant& value);
  // Removes the key and every key below it; returns how many keys went.
  size_t eraseKeyTree(std::string_view keyName);

  const Keys& keys() const noexcept { return keys_; }

 private:
  Keys keys_;
};

}  // namespace vlm
