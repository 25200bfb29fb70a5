// The settings file's text: one section per key, one line per value, each value tagged
// with its kind.
//
//   [HKEY_LOCAL_MACHINE\SOFTWARE\Hollavent\VLMImport]
//   FileFormat=int16:0
//
//   [HKEY_LOCAL_MACHINE\SOFTWARE\Hollavent\VLMImport\OBJ]
//   Path=text:/home/me/models/
//
// Kinds: int16, int32, single, double, bool (true/false), text. Key names, value names
// and text are escaped (TextEscape.h). Lines end with "\n" ("\r\n" is accepted).
#pragma once

#include <string>
#include <string_view>

#include "settings/RegistryData.h"

namespace vlm {

// Reads the text. A line that does not parse is skipped and the rest still loads:
// a value line with a bad escape, an unknown kind or a number that does not fit; a
// section whose root is unknown (its values are skipped with it); values before any
// section; and a last line without its "\n", which is what a cut-short write leaves.
// Lines starting with ';' or '#' are comments. The result's size is bounded by a small
// multiple of the text's length.
RegistryData parseRegistryText(std::string_view text);

// The text that parseRegistryText reads back as `data`.
std::string formatRegistryText(const RegistryData& data);

}  // namespace vlm
