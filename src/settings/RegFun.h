// "RegServer.RegFun": the settings component that the dialog creates by ProgID for each
// use and calls by member name.
//
//   ReadValue(root, subKey, valueName[, default])  the stored value, of the kind it was
//                                                   stored with, or `default` when none
//   WriteValue(root, subKey, valueName, value)      stores an Integer, Long, String,
//                                                   Single, Double or Boolean value
//
// `root` is a classic root number (0x80000002 for HKEY_LOCAL_MACHINE), in any numeric
// kind; as a 32-bit Long it arrives negative. An unknown root is error 5, a value of
// another kind error 13. A write that cannot reach the disk still succeeds: the value is
// kept in memory until the process ends (see SettingsStore.h).
#pragma once

#include "platform/Dispatch.h"
#include "settings/SettingsError.h"

namespace vlm {

class RegFun : public DispatchObject {
 public:
  static constexpr DispId kReadValue = 1;
  static constexpr DispId kWriteValue = 2;

  RegFun();
};

// Makes "RegServer.RegFun" creatable through createObject (ObjectRegistry.h).
void registerSettingsComponent();
// Removes it again; creating it then fails with error 429.
void unregisterSettingsComponent();

}  // namespace vlm
