// What every fuzz target shares: one whole import of the fuzz input, as a user makes it
// (the dialog, the format, the Import button, the file dialog answered with a file that
// holds the input) into a reference scene, and the checks that must hold afterwards.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vlm::fuzz {

// The folder of this process's files (the imported file, the settings file), made once
// under /dev/shm when there is one, else under the temporary folder.
const std::string& workFolder();

// The settings file the settings component reads and writes (XDG_CONFIG_HOME is pointed
// at workFolder() on first use).
std::string settingsFilePath();

// The settings component's side, kept apart from the shell's headers (FuzzSettings.cpp):
// makes "RegServer.RegFun" creatable, names its file, reads the saved format (-1 when
// none can be read).
void registerSettings();
std::string settingsFile();
int32_t savedFormat();

// Puts `data` in the memory file "input.<extension>" of workFolder(), imports it with
// the format of that extension through the dialog and checks the outcome; aborts with a
// message on stderr when a check fails. `imported`, when given, is called with the scene's
// object count once the run has ended, before the scene's checks (whose JSON report may
// take more memory than the run).
void importBytes(std::string_view extension, const uint8_t* data, size_t size,
                 const std::function<void(size_t objects)>& imported = {});

// Aborts with `what` on stderr unless `condition` holds.
void check(bool condition, std::string_view what);

}  // namespace vlm::fuzz
