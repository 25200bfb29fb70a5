// The import dialog as the benchmark drivers need it: the progress bar the import run
// sets up (maximum file length plus 1), both OBJ options ticked, nothing else.
#pragma once

#include <cstdint>

#include "ui/ImportDialog.h"

namespace vlm::bench {

class BenchDialog : public ui::IImportDialog {
 public:
  explicit BenchDialog(float max) : max_(max) { ui::setImportDialog(this); }
  ~BenchDialog() override { ui::setImportDialog(nullptr); }
  BenchDialog(const BenchDialog&) = delete;
  BenchDialog& operator=(const BenchDialog&) = delete;

  float progressMax() override { return max_; }
  void setProgressValue(float value) override { last_ = value; }
  int16_t chkNormValue() override { return 1; }
  int16_t chkSmoothValue() override { return 1; }

 private:
  float max_;
  float last_ = 0;
};

}  // namespace vlm::bench
