// Calls on the settings component "RegServer.RegFun", created by its ProgID for each use.
//
// The dialog's two settings live under HKEY_LOCAL_MACHINE, passed as the 32-bit root
// number 0x80000002: "FileFormat" under kSettingsKey, and "Path" under kSettingsKey,
// "\" and the format's extension in capitals.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "platform/Variant.h"

namespace vlm {

inline constexpr std::string_view kSettingsProgId = "RegServer.RegFun";
inline constexpr int32_t kHKeyLocalMachine = static_cast<int32_t>(0x80000002u);
inline constexpr std::string_view kSettingsKey = "SOFTWARE\\Hollavent\\VLMImport";
// The names of the two values: the list index of the last format (16-bit) and, per
// format, the folder of the last file chosen, with its trailing separator.
inline constexpr std::string_view kFormatValueName = "FileFormat";
inline constexpr std::string_view kPathValueName = "Path";

// The sub-key holding "Path" for a format: kSettingsKey + "\" + extension in capitals.
std::string pathSettingsKey(std::string_view extension);

// A reference to the component; empty (Nothing) until created, and after release().
class RegFunClient {
 public:
  RegFunClient() = default;
  // Creates the component; error 429 when it is not installed.
  static RegFunClient create();
  void release() noexcept { object_.reset(); }

  // ReadValue(root, subKey, valueName, default): the stored value or `defaultValue`.
  // Both calls raise error 91 on an empty reference.
  Variant ReadValue(std::string_view subKey, std::string_view valueName, Variant defaultValue);
  // WriteValue(root, subKey, valueName, value); the result is not used.
  void WriteValue(std::string_view subKey, std::string_view valueName, Variant value);

 private:
  explicit RegFunClient(ObjectRef object) : object_(std::move(object)) {}
  ObjectRef object_;
};

}  // namespace vlm
