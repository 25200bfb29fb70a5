#include "shell/DialogPreselect.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/Dispatch.h"
#include "shell/RegFunClient.h"
#include "textio/modImport.h"

namespace vlm {

void preselectFile(FormatTable formats, std::string_view file, std::string_view extension) {
  const auto row = std::ranges::find_if(
      formats, [&](const FormatRow& r) { return equalsIgnoreCase(r.extension, extension); });
  if (row == formats.end() || file.find_first_of("/\\") == std::string_view::npos) {
    raise(err::kInvalidCall);
  }
  // The folder with its separator, "/" or "\", as the import run keeps it.
  std::string folder(file);
  modImport::Get_NameFromPath(folder);
  RegFunClient settings = RegFunClient::create();
  settings.WriteValue(kSettingsKey, kFormatValueName,
                      Variant(static_cast<int16_t>(row - formats.begin())));
  settings.WriteValue(pathSettingsKey(row->extension), kPathValueName,
                      Variant(folder));
}

}  // namespace vlm
