// A double of the import dialog for tests that run an importer without the real dialog.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "textio/ImportContext.h"
#include "ui/ImportDialog.h"
#include "ui/Toolkit.h"

namespace vlm::test {

// Stands in for the import dialog while an importer reads: every progress value kept, a
// hook that runs at each progress report, the moment right before the importer yields
// (setting `stop` there is a Cancel answered with Yes), and the yield of the installed
// toolkit, if any. With `lent` set, the bar is lent out as the real dialog lends it.
class TestDialog : public ui::IImportDialog {
 public:
  float progressMax() override { return max; }
  ui::ProgressBarState* progressBar() override { return lent; }
  void setProgressValue(float value) override {
    progress.push_back(value);
    if (onProgress) onProgress(progress.size());
  }
  void DoEvents() override {
    if (ui::Toolkit* current = ui::toolkit()) current->doEvents();
  }
  void showMessage(std::string_view message) override {
    ui::messageBox(message, ui::MsgIcon::None, ui::MsgButtons::Ok, {});
  }

  // Sets the stop request at the n-th progress report.
  void stopAt(size_t n) {
    onProgress = [this, n](size_t count) {
      if (count == n) stop = true;
    };
  }

  float max = 1e30f;
  ui::ProgressBarState* lent = nullptr;
  ImportOptions options;
  bool stop = false;
  std::vector<float> progress;
  std::function<void(size_t)> onProgress;
};

}  // namespace vlm::test
