#include "shell/RegFunClient.h"

#include <array>

#include "platform/Dispatch.h"
#include "platform/ObjectRegistry.h"

namespace vlm {

std::string pathSettingsKey(std::string_view extension) {
  std::string key(kSettingsKey);
  key += '\\';
  for (char c : extension) key += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  return key;
}

RegFunClient RegFunClient::create() { return RegFunClient(createObject(kSettingsProgId)); }

Variant RegFunClient::ReadValue(std::string_view subKey, std::string_view valueName,
                                Variant defaultValue) {
  std::array<Variant, 4> args{Variant(kHKeyLocalMachine), Variant(subKey), Variant(valueName),
                              std::move(defaultValue)};
  return invokeByName(requireObject(object_), "ReadValue", InvokeKind::Method, args);
}

void RegFunClient::WriteValue(std::string_view subKey, std::string_view valueName, Variant value) {
  std::array<Variant, 4> args{Variant(kHKeyLocalMachine), Variant(subKey), Variant(valueName),
                              std::move(value)};
  invokeByName(requireObject(object_), "WriteValue", InvokeKind::Method, args);
}

}  // namespace vlm
