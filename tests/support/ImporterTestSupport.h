// Shared pieces for importer tests: a double of the import dialog, temporary files, and
// module-state resets.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/FileTable.h"
#include "support/TempDir.h"
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

// Module state and the file table as a freshly loaded component has them.
inline void resetComponentState() {
  modImport::resetModuleState();
  fileTable().CloseAll();
}

}  // namespace vlm::test
