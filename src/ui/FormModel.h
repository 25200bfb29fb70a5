// The state of a form's controls and the rules their properties follow.
//
// A toolkit keeps one FormModel per form: enabled flags, list entries and index, check
// values, z-order, progress bar range and value, the file dialog's settings. Setters
// validate as the classic controls do (error 380 for a value the control refuses) and
// report whether the value changed, so the toolkit knows when to fire onClick. The
// model copies every text of the description, so it outlives the describing library.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/FormLayout.h"
#include "ui/Toolkit.h"

namespace vlm::ui {

struct ControlState {
  std::string name;
  ControlKind kind = ControlKind::Label;
  std::string text;
  TwipsRect rect;
  int16_t tabIndex = -1;
  ControlId container = kNoControl;

  bool enabled = true;
  int32_t zOrder = 0;                      // higher lies in front
  int16_t value = 0;                       // check boxes
  std::vector<std::string> items;          // lists
  int32_t listIndex = -1;                  // lists
  ProgressBarState bar;                    // progress bars
  std::string filter, initDir, fileName;   // file dialogs
};

class FormModel {
 public:
  explicit FormModel(const FormLayout& layout);

  const std::string& name() const noexcept { return name_; }
  const std::string& caption() const noexcept { return caption_; }
  int32_t clientWidth() const noexcept { return clientWidth_; }
  int32_t clientHeight() const noexcept { return clientHeight_; }

  size_t controlCount() const noexcept { return controls_.size(); }
  // Error 9 for an id that names no control.
  // Inline: the importers read and set the progress bar once per record.
  const ControlState& control(ControlId id) const {
    if (id < 0 || static_cast<size_t>(id) >= controls_.size()) badId();
    return controls_[static_cast<size_t>(id)];
  }
  // The id of the control called `name` (case-insensitive), or kNoControl.
  ControlId find(std::string_view name) const noexcept;
  // The state of the control called `name`; error 5 when there is none.
  const ControlState& control(std::string_view name) const;

  // Open: loaded and not yet unloaded.
  bool isOpen() const noexcept { return open_; }
  void setOpen(bool open) noexcept { open_ = open; }
  // How many times the form was loaded (0 or 1 for one model).
  int32_t loads() const noexcept { return loads_; }
  void noteLoaded() noexcept { ++loads_; }

  void setEnabled(ControlId id, bool enabled);
  void addItem(ControlId id, std::string_view text);
  bool setListIndex(ControlId id, int32_t index);   // true when the index changed
  bool setCheckValue(ControlId id, int16_t value);  // true when the value changed
  void bringToFront(ControlId id);
  void setProgressMax(ControlId id, float max);
  void setProgressValue(ControlId id, float value) { progressBar(id).set(value); }
  ProgressBarState& progressBar(ControlId id) {
    return mutableControl(id, ControlKind::ProgressBar).bar;
  }
  void setDialogFilter(ControlId id, std::string_view filter);
  void setDialogInitDir(ControlId id, std::string_view folder);
  void setDialogFileName(ControlId id, std::string_view file);

  // The name of the frame lying in front of all other frames, or "" without frames.
  std::string_view frontFrame() const noexcept;
  // True when a frame holding the control (directly or further out) lies under another
  // overlapping frame of the same container: the user cannot see or reach it.
  bool isHidden(ControlId id) const;
  // The list's chosen entry text, or "" with no selection.
  std::string_view listText(ControlId id) const;

 private:
  ControlState& at(ControlId id) {  // error 9 for an id that names no control
    if (id < 0 || static_cast<size_t>(id) >= controls_.size()) badId();
    return controls_[static_cast<size_t>(id)];
  }
  [[noreturn]] static void badId();
  // The control `id`; error 438 when it is not of the kind the property belongs to.
  ControlState& mutableControl(ControlId id, ControlKind expected) {
    ControlState& state = at(id);
    if (state.kind != expected) wrongKind();
    return state;
  }
  [[noreturn]] static void wrongKind();

  std::string name_;
  std::string caption_;
  int32_t clientWidth_;
  int32_t clientHeight_;
  std::vector<ControlState> controls_;
  int32_t topZ_;
  bool open_ = false;
  int32_t loads_ = 0;
};

}  // namespace vlm::ui
