#include "shell/DialogPreselect.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/Dispatch.h"
#include "shell/RegFunClient.h"

namespace vlm {

void preselectFile(FormatTable formats, std::string_view file, std::string_view extension) {
  const auto row = std::ranges::find_if(
      formats, [&](const FormatRow& r) { return equalsIgnoreCase(r.extension, extension); });
  // The folder with its separator, "/" or "\", as the import run keeps it.
  const size_t separator = file.find_last_of("/\\");
  if (row == formats.end() || separator == std::string_view::npos) raise(err::kInvalidCall);
  RegFunClient settings = RegFunClient::create();
  settings.WriteValue(kSettingsKey, kFormatValueName,
                      Variant(static_cast<int16_t>(row - formats.begin())));
  settings.WriteValue(pathSettingsKey(row->extension), kPathValueName,
                      Variant(file.substr(0, separator + 1)));
}

}  // namespace vlm
