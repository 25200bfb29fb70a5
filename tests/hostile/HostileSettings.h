// The real settings component for the hostile tests, kept apart from the shell's headers
// (which name the component's ProgID themselves).
#pragma once

#include <string>

namespace vlm::hostile {

// Makes "RegServer.RegFun" creatable, its file under `configHome`.
void installSettings(const std::string& configHome);
void removeSettings();
// The settings file's path, and the format saved in it (-1 when none can be read).
std::string settingsFile();
int32_t savedFormat();
// The saved values as text, one line each, without the two an OBJ import writes.
std::string otherSavedValues();

}  // namespace vlm::hostile
