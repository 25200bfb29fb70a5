// The fuzz target of the settings file: each input is the file as the settings component
// finds it. The parser must read back what it writes for whatever it read, and a whole
// import (OBJ, whose dialog reads the saved format and folder and writes both) must
// leave every other value of the file as it was.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "FuzzImport.h"
#include "settings/RegistryFile.h"
#include "settings/RegistryText.h"

namespace {

constexpr std::string_view kMainKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollavent\\VLMImport";
constexpr std::string_view kObjKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollavent\\VLMImport\\OBJ";
constexpr std::string_view kTriangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";

// The text of `data` without the two values an OBJ import writes.
std::string othersThanWritten(vlm::RegistryData data) {
  data.key(kMainKey).erase("FileFormat");
  data.key(kObjKey).erase("Path");
  return vlm::formatRegistryText(data);
}

void writeFile(const std::string& path, std::string_view bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  vlm::fuzz::check(out.good(), "cannot write the settings file");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vlm;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const RegistryData parsed = parseRegistryText(text);
  const std::string formatted = formatRegistryText(parsed);
  fuzz::check(formatRegistryText(parseRegistryText(formatted)) == formatted,
              "the settings text does not read back as written");

  const std::string path = fuzz::settingsFilePath();
  writeFile(path, text);
  fuzz::importBytes("obj", reinterpret_cast<const uint8_t*>(kTriangle.data()), kTriangle.size());
  const RegistryData after = parseRegistryText(readRegistryFile(path));
  fuzz::check(othersThanWritten(after) == othersThanWritten(parsed),
              "an import changed or lost a saved value it does not own");
  return 0;
}
