// The widgets of an FLTK form: one per drawn control kind, placed in window pixels.
//
// FLTK places every widget in window coordinates, also inside groups, and walks the
// children of a group in their order when Tab moves the focus; so the form adds each
// container's children in tab-index order, and a control's pixel rectangle adds up the
// offsets of the frames around it.
#pragma once

#include <FL/Fl_Choice.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Menu_Item.H>

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "ui/FormModel.h"

namespace vlm::ui::fltk {

// The texts' size in pixels. The control sizes (twips at 96 dpi) were drawn for the classic
// 8-point dialog font; FLTK's default sans font is wider, and 9 px is the largest size at
// which every caption and list entry fits its box at those exact positions (at 10 px
// "Smooth all Normal Group" ran 2 pixels past its check box into the frame's edge).
inline constexpr int kFontSize = 9;

struct PixelRect {
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
};

// Twips to pixels at 96 dpi, rounded to the nearest pixel.
int toPixels(int32_t twips) noexcept;

// The control's rectangle in window pixels.
PixelRect windowRect(const FormModel& model, ControlId id);

// The controls that `container` (kNoControl: the form itself) holds directly, in the
// order FLTK should hold them: by tab index, those without one last, ties in the order
// of the description.
std::vector<ControlId> childrenInTabOrder(const FormModel& model, ControlId container);

// True when another frame of the same container lies in front of `frame` and overlaps
// it: the frame can be neither seen nor reached.
bool frameCovered(const FormModel& model, ControlId frame);

// A new widget for `control` at `where`, in no group yet; nullptr for a control that is
// not drawn on the form (the open-file dialog).
Fl_Widget* createWidget(const ControlState& control, PixelRect where);

// A frame: an engraved border with its caption set into the top line.
class FrameGroup final : public Fl_Group {
 public:
  FrameGroup(int x, int y, int w, int h, const char* caption);

 protected:
  void draw() override;
};

// A drop-down list whose entries are shown exactly as given: the entries are kept in
// the widget's own menu array, so no character of a text has a special meaning and two
// equal texts are two entries.
class DropDownList final : public Fl_Choice {
 public:
  DropDownList(int x, int y, int w, int h);

  void addEntry(std::string_view text);

 private:
  std::deque<std::string> texts_;  // stable addresses for the menu items
  std::vector<Fl_Menu_Item> items_;
};

}  // namespace vlm::ui::fltk
