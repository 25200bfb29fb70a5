// A progress bar's range and value as plain memory.
//
// Importers set the bar once per record, millions of times in a large file, so a form
// lends its bar out as this struct: a store costs nothing, and the toolkit shows what the
// bar holds the next time it runs events.
#pragma once

#include <cstdint>

namespace vlm::ui {

inline constexpr int32_t kInvalidPropertyValue = 380;
// Raises error 380 ("Invalid property value").
[[noreturn]] void invalidPropertyValue();

struct ProgressBarState {
  float min = 0;
  float max = 100;
  float value = 0;

  // Value = `v`: error 380 outside min .. max, as the control refuses it.
  void set(float v) {
    if (!(v >= min && v <= max)) invalidPropertyValue();
    value = v;
  }
};

}  // namespace vlm::ui
