// The import dialog as the benchmark drivers need it: the progress bar the import run
// sets up (maximum file length plus 1), the yield of the installed toolkit, if any, both
// OBJ options ticked, nobody asking to stop.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "textio/ImportContext.h"
#include "ui/ImportDialog.h"
#include "ui/Toolkit.h"

namespace vlm::bench {

class BenchDialog : public ui::IImportDialog {
 public:
  explicit BenchDialog(float max) : max_(max) {}
  BenchDialog(const BenchDialog&) = delete;
  BenchDialog& operator=(const BenchDialog&) = delete;

  float progressMax() override { return max_; }
  void setProgressValue(float value) override { last_ = value; }
  void DoEvents() override {
    if (ui::Toolkit* current = ui::toolkit()) current->doEvents();
  }
  void showMessage(std::string_view message) override {
    ui::messageBox(message, ui::MsgIcon::None, ui::MsgButtons::Ok, {});
  }

  // The import of `path` shown on this dialog.
  ImportContext importOf(std::string path) {
    return ImportContext(std::move(path), ImportOptions{}, *this, stop_);
  }

 private:
  float max_;
  float last_ = 0;
  bool stop_ = false;
};

}  // namespace vlm::bench
