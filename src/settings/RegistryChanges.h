// Changes to the registry kept apart from it, to be made again on another copy: the
// settings this process changed while its file could not take them, laid over what the
// file holds at each read and written with it once it can be written.
//
// Only the outcome is kept, not the history: the last value of each name and the key
// trees removed before it, so the record is never larger than the values it holds.
#pragma once

#include <set>
#include <string>
#include <string_view>

#include "settings/RegistryData.h"

namespace vlm {

class RegistryChanges {
 public:
  // Records the value; error 13 for a kind the store cannot keep (see RegistryData).
  void setValue(std::string_view keyName, std::string_view valueName, const Variant& value);
  // Records that the key and every key below it go, with the values recorded there.
  void eraseKeyTree(std::string_view keyName);

  // Makes the changes on `data`, with the outcome of making them one by one in the order
  // they were recorded.
  void applyTo(RegistryData& data) const;
  // Adds them to `record` as changes made after those it holds.
  void applyTo(RegistryChanges& record) const;

 private:
  template <class Target>
  void replay(Target& target) const;

  // Removed key trees, none below another; then the values recorded since.
  std::set<std::string, LessIgnoreCase> erased_;
  RegistryData values_;
};

}  // namespace vlm
