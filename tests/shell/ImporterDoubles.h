// Importer doubles for the import run: they add host objects and materials, raise a
// chosen error, keep the import file open, or wait for the user to stop them.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "shell/FormatTable.h"

namespace vlm::testing {

// What every double of one test does in its Load, in this order.
struct ImporterScript {
  bool openFile = false;             // opens the file as file number 1 and leaves it open
  bool newCollections = false;       // puts collections of its own in the arguments first
  int objects = 1;                   // host objects appended ("Velmo.CVLMObject")
  int materials = 0;                 // host materials appended ("Velmo.CVLMMaterial")
  int waitForStop = 0;               // yields up to this many times, ending early on StopImport
  int32_t raiseNumber = 0;           // then raises this error (0: none)
  std::string raiseDescription;      // empty: the classic description
  std::array<float, 3> position{};   // what Get_Position reports
  std::function<void()> duringLoad;  // called inside Load, before anything else
};

// What the doubles saw.
struct ImporterLog {
  int created = 0;
  std::vector<std::string> loadedFiles;
  bool materialsGiven = false;  // the run passed a material collection
  bool sawStop = false;         // a wait ended because StopImport became true
  int positionsTaken = 0;
};

// The component's five formats (texts, extensions, frames) with doubles as importers.
std::vector<FormatRow> doubleFormats(const ImporterScript& script, ImporterLog& log);

}  // namespace vlm::testing
