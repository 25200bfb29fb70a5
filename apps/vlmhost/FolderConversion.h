// vlmhost --export-each DIR: every FILE converted on its own into DIR, FILE a file or a
// folder searched with its subfolders for the five formats.
//
// Each import runs in a worker process of its own (--jobs of them at once), as the
// plug-in keeps one import per process and a file that brings the plug-in down then
// costs only its own conversion. The outputs are named after the inputs, in DIR itself:
// "a b.obj" gives "a b.glb", and a second input of that stem "a b-2.glb".
//
// On a terminal a line "[k/n] name" follows the conversions; every input that did not
// convert gets a line with the reason. At the end one summary line ("18 files: 15
// converted, 2 without triangles, 1 failed"), or with --json a list of results on stdout.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Options.h"

namespace vlm::vlmhost {

// One input of the conversion and where its output goes.
struct EachInput {
  std::string file;    // as given, or as found below a folder given
  std::string path;    // absolute
  std::string format;  // "" when neither --format nor the extension names one
  std::string output;  // in the --export-each folder
};

// The inputs the FILE arguments name, in order, folders searched (sorted, the output folder
// left out), each with the output name it gets.
std::vector<EachInput> gatherInputs(const Options& options);

// Converts every input; returns the exit status (0 when every input converted).
int convertEach(const Options& options);

}  // namespace vlm::vlmhost
