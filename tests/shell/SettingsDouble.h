// A stand-in for the settings component "RegServer.RegFun": values kept in memory,
// every call recorded with its arguments as they arrived (kinds included).
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Variant.h"

namespace vlm::testing {

struct SettingsCall {
  std::string member;         // "ReadValue" or "WriteValue"
  std::vector<Variant> args;  // root, sub-key, value name, default or value
};

class SettingsDouble {
 public:
  // Registers the double as "RegServer.RegFun" (unregistered by the destructor).
  SettingsDouble();
  ~SettingsDouble();
  SettingsDouble(const SettingsDouble&) = delete;
  SettingsDouble& operator=(const SettingsDouble&) = delete;

  void store(const std::string& subKey, const std::string& name, Variant value);
  std::optional<Variant> stored(const std::string& subKey, const std::string& name) const;
  const std::vector<SettingsCall>& calls() const;
  // The calls of one member naming `valueName`.
  std::vector<SettingsCall> calls(const std::string& member, const std::string& valueName) const;
  // How many components were created.
  int created() const;
  // Makes the component impossible to create (error 429), as when it is not installed.
  void uninstall();

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace vlm::testing
