#include "ui/fltk/FltkControls.h"

#include <FL/Enumerations.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Progress.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <limits>

namespace vlm::ui::fltk {

namespace {

// The filled part of a progress bar and the bar's empty background.
constexpr Fl_Color kProgressFill = 0x0078D700;  // RGB 0, 120, 215
constexpr Fl_Color kProgressBackground = FL_WHITE;

bool overlap(const TwipsRect& a, const TwipsRect& b) noexcept {
  return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
         b.top < a.top + a.height;
}

Fl_Widget* createLabel(const ControlState& c, PixelRect r) {
  auto* box = new Fl_Box(FL_NO_BOX, r.x, r.y, r.w, r.h, nullptr);
  box->copy_label(c.text.c_str());
  box->align(FL_ALIGN_TOP_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
  return box;
}

Fl_Widget* createCheckBox(const ControlState& c, PixelRect r) {
  auto* box = new Fl_Check_Button(r.x, r.y, r.w, r.h, nullptr);
  box->copy_label(c.text.c_str());
  box->value(c.value != 0 ? 1 : 0);
  return box;
}

Fl_Widget* createButton(const ControlState& c, PixelRect r) {
  auto* button = new Fl_Button(r.x, r.y, r.w, r.h, nullptr);
  button->copy_label(c.text.c_str());
  return button;
}

Fl_Widget* createProgressBar(const ControlState& c, PixelRect r) {
  auto* bar = new Fl_Progress(r.x, r.y, r.w, r.h, nullptr);
  bar->minimum(c.bar.min);
  bar->maximum(c.bar.max);
  bar->value(c.bar.value);
  bar->color(kProgressBackground);
  bar->selection_color(kProgressFill);
  return bar;
}

}  // namespace

int toPixels(int32_t twips) noexcept { return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel; }

PixelRect windowRect(const FormModel& model, ControlId id) {
  const TwipsRect& own = model.control(id).rect;
  PixelRect r{toPixels(own.left), toPixels(own.top), toPixels(own.width), toPixels(own.height)};
  for (ControlId outer = model.control(id).container; outer != kNoControl;
       outer = model.control(outer).container) {
    r.x += toPixels(model.control(outer).rect.left);
    r.y += toPixels(model.control(outer).rect.top);
  }
  return r;
}

std::vector<ControlId> childrenInTabOrder(const FormModel& model, ControlId container) {
  std::vector<ControlId> children;
  for (size_t i = 0; i < model.controlCount(); ++i) {
    const auto id = static_cast<ControlId>(i);
    if (model.control(id).container == container) children.push_back(id);
  }
  auto key = [&](ControlId id) {
    const int16_t tab = model.control(id).tabIndex;
    return tab < 0 ? std::numeric_limits<int32_t>::max() : int32_t{tab};
  };
  std::stable_sort(children.begin(), children.end(),
                   [&](ControlId a, ControlId b) { return key(a) < key(b); });
  return children;
}

bool frameCovered(const FormModel& model, ControlId frame) {
  const ControlState& f = model.control(frame);
  for (size_t i = 0; i < model.controlCount(); ++i) {
    const ControlState& other = model.control(static_cast<ControlId>(i));
    if (&other != &f && other.kind == ControlKind::Frame && other.container == f.container &&
        other.zOrder > f.zOrder && overlap(other.rect, f.rect)) {
      return true;
    }
  }
  return false;
}

Fl_Widget* createWidget(const ControlState& control, PixelRect where) {
  Fl_Widget* widget = nullptr;
  switch (control.kind) {
    case ControlKind::Label: widget = createLabel(control, where); break;
    case ControlKind::ComboBox:
      widget = new DropDownList(where.x, where.y, where.w, where.h);
      break;
    case ControlKind::Frame:
      widget = new FrameGroup(where.x, where.y, where.w, where.h, control.text.c_str());
      break;
    case ControlKind::CheckBox: widget = createCheckBox(control, where); break;
    case ControlKind::CommandButton: widget = createButton(control, where); break;
    case ControlKind::ProgressBar: widget = createProgressBar(control, where); break;
    case ControlKind::CommonDialog: return nullptr;
  }
  widget->labelsize(kFontSize);
  return widget;
}

// --- FrameGroup -------------------------------------------------------------------------

FrameGroup::FrameGroup(int x, int y, int w, int h, const char* caption) : Fl_Group(x, y, w, h) {
  end();  // children are added explicitly, in tab order
  copy_label(caption);
  box(FL_NO_BOX);
}

void FrameGroup::draw() {
  if (damage() & ~FL_DAMAGE_CHILD) {
    fl_font(labelfont(), labelsize());
    const int textHeight = fl_height();
    const int lineTop = y() + textHeight / 2;
    fl_color(parent() ? parent()->color() : color());
    fl_rectf(x(), y(), w(), h());
    fl_draw_box(FL_ENGRAVED_FRAME, x(), lineTop, w(), h() - (lineTop - y()), color());
    if (label() && *label()) {
      constexpr int kIndent = 6;
      constexpr int kGap = 2;
      const int textWidth = static_cast<int>(fl_width(label()));
      fl_color(parent() ? parent()->color() : color());
      fl_rectf(x() + kIndent, y(), textWidth + 2 * kGap, textHeight);
      fl_color(active_r() ? labelcolor() : fl_inactive(labelcolor()));
      fl_draw(label(), x() + kIndent + kGap, y() + textHeight - fl_descent());
    }
  }
  draw_children();
}

// --- DropDownList -----------------------------------------------------------------------

DropDownList::DropDownList(int x, int y, int w, int h) : Fl_Choice(x, y, w, h) {
  textsize(kFontSize);
  items_.push_back(Fl_Menu_Item{});  // the terminating item
  menu(items_.data());
  value(-1);
}

void DropDownList::addEntry(std::string_view text) {
  const int chosen = value();
  texts_.emplace_back(text);
  Fl_Menu_Item item{};
  item.text = texts_.back().c_str();
  item.labelsize_ = kFontSize;
  items_.insert(items_.end() - 1, item);
  menu(items_.data());  // the array may have moved; menu() also resets the choice
  value(chosen);
}

}  // namespace vlm::ui::fltk
