// The real settings component for run tests, storing its file under a given folder.
// (Kept apart from the shell's headers, which name the component's ProgID themselves.)
#pragma once

#include <string>

namespace vlm::test3ds {

void installSettingsComponent(const std::string& configHome);
void removeSettingsComponent();

}  // namespace vlm::test3ds
