// Shared pieces for importer tests: a double of the import dialog, temporary files, and
// module-state resets.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileTable.h"
#include "textio/modImport.h"
#include "ui/ImportDialog.h"

namespace vlm::test {

// Stands in for the import dialog while an importer reads: option boxes as set, every
// progress value kept, and a hook that runs at each progress report, the moment right
// before the importer yields (setting StopImport there is a Cancel answered with Yes).
class TestDialog : public ui::IImportDialog {
 public:
  TestDialog() { ui::setImportDialog(this); }
  ~TestDialog() override { ui::setImportDialog(nullptr); }
  TestDialog(const TestDialog&) = delete;
  TestDialog& operator=(const TestDialog&) = delete;

  float progressMax() override { return max; }
  void setProgressValue(float value) override {
    progress.push_back(value);
    if (onProgress) onProgress(progress.size());
  }
  int16_t chkNormValue() override { return norm; }
  int16_t chkSmoothValue() override { return smooth; }

  // Sets StopImport at the n-th progress report.
  void stopAt(size_t n) {
    onProgress = [n](size_t count) {
      if (count == n) modImport::StopImport = true;
    };
  }

  float max = 1e30f;
  int16_t norm = 1;
  int16_t smooth = 1;
  std::vector<float> progress;
  std::function<void(size_t)> onProgress;
};

// A folder of its own under the system's temporary folder, removed at the end.
class TempDir {
 public:
  TempDir() {
    std::string templ = (std::filesystem::temp_directory_path() / "vlmtest-XXXXXX").string();
    path_ = mkdtemp(templ.data());
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }

  // Writes `bytes` exactly as given to `name` and returns the full path.
  std::string write(const std::string& name, std::string_view bytes) const {
    const std::filesystem::path file = path_ / name;
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file.string();
  }

 private:
  std::filesystem::path path_;
};

// Module state and the file table as a freshly loaded component has them.
inline void resetComponentState() {
  modImport::resetModuleState();
  fileTable().CloseAll();
}

}  // namespace vlm::test
