// The description of a dialog that a toolkit builds: its caption, client size and
// controls with their kinds, texts, positions (twips), tab order and start states.
//
// A form owner (frmImport) keeps its description in static tables; a toolkit copies what
// it keeps, so nothing it holds points into the library that described the form.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace vlm::ui {

// A control is named by its position in FormLayout::controls.
using ControlId = int32_t;
inline constexpr ControlId kNoControl = -1;

// 1440 twips to the inch; at 96 dots per inch a pixel is 15 twips.
inline constexpr int32_t kTwipsPerPixel = 15;

enum class ControlKind : uint8_t {
  Label,
  ComboBox,  // a drop-down list from which one entry is chosen
  Frame,     // a container; frames that overlap show the one brought to the front
  CheckBox,
  CommandButton,
  ProgressBar,
  CommonDialog,  // the open-file dialog; not drawn on the form
};

struct TwipsRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
};

struct ControlLayout {
  std::string_view name;  // "cmbFormat"
  ControlKind kind = ControlKind::Label;
  std::string_view text;             // caption; empty for lists, progress bars and dialogs
  TwipsRect rect;                    // relative to the container's client area
  int16_t tabIndex = -1;             // -1: not in the tab order
  ControlId container = kNoControl;  // the frame holding it, or the form itself
  int16_t startValue = 0;            // check boxes: 1 = checked at load
};

// Controls listed earlier lie below controls listed later (their start z-order).
struct FormLayout {
  std::string_view name;     // "frmImport"
  std::string_view caption;  // the window title
  int32_t clientWidth = 0;   // twips
  int32_t clientHeight = 0;  // twips
  std::span<const ControlLayout> controls;
};

}  // namespace vlm::ui
