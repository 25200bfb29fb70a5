// The inputs of --export-each and the names of their outputs.
#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>

#include "FolderConversion.h"

namespace vlm::vlmhost {

namespace fs = std::filesystem;

namespace {

// The files of the five formats below `folder`, sorted, the output folder's own left out.
std::vector<fs::path> filesBelow(const fs::path& folder, const fs::path& outputFolder) {
  std::vector<fs::path> found;
  std::error_code error;
  const auto options = fs::directory_options::skip_permission_denied;
  for (auto it = fs::recursive_directory_iterator(folder, options, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    std::error_code ignored;
    if (it->is_directory(ignored) && fs::equivalent(it->path(), outputFolder, ignored)) {
      it.disable_recursion_pending();
      continue;
    }
    const std::string extension = it->path().extension().string();
    if (it->is_regular_file(ignored) && session::formatIndex(extension.empty() ? "" : extension.substr(1)) >= 0)
      found.push_back(it->path());
  }
  std::sort(found.begin(), found.end());
  return found;
}

// `stem` + "." + `type` in `folder`, or with "-2", "-3", ... after the stem when an earlier
// input took that name.
std::string outputName(const fs::path& folder, const std::string& stem, const std::string& type,
                       std::set<std::string>& taken) {
  std::string name = stem + "." + type;
  for (int n = 2; !taken.insert(name).second; ++n) name = stem + "-" + std::to_string(n) + "." + type;
  return (folder / name).string();
}

}  // namespace

std::vector<EachInput> gatherInputs(const Options& options) {
  const fs::path outputFolder = fs::absolute(options.exportEach);
  std::vector<EachInput> inputs;
  std::set<std::string> taken;
  const auto add = [&](const fs::path& file, std::string format) {
    EachInput input;
    input.file = file.string();
    input.path = fs::absolute(file).string();
    input.format = std::move(format);
    input.output = outputName(outputFolder, file.stem().string(), options.eachType, taken);
    inputs.push_back(std::move(input));
  };
  for (const std::string& file : options.files) {
    std::error_code error;
    if (!fs::is_directory(file, error)) {
      add(file, resolveFormat(options, file));
      continue;
    }
    for (const fs::path& found : filesBelow(file, outputFolder))
      add(found, resolveFormat(options, found.string()));
  }
  return inputs;
}

}  // namespace vlm::vlmhost
