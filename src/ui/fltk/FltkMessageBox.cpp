#include "ui/fltk/FltkMessageBox.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Return_Button.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <optional>

#include "ui/fltk/FltkControls.h"

namespace vlm::ui::fltk {

namespace {

constexpr int kMargin = 12;
constexpr int kIconSize = 32;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kMinTextWidth = 160;
constexpr int kMaxTextWidth = 420;

struct IconLook {
  const char* symbol;
  Fl_Color color;
};

std::optional<IconLook> iconLook(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Critical: return IconLook{"X", FL_RED};
    case MsgIcon::Question: return IconLook{"?", FL_BLUE};
    case MsgIcon::Exclamation: return IconLook{"!", fl_rgb_color(230, 160, 0)};
    case MsgIcon::Information: return IconLook{"i", FL_BLUE};
    default: return std::nullopt;
  }
}

// The box's window: its widgets and the answer once a button was pressed.
class MessageBoxWindow final : public Fl_Double_Window {
 public:
  explicit MessageBoxWindow(const MessageRecord& message)
      : Fl_Double_Window(100, 100), buttons_(message.buttons) {
    end();
    copy_label(message.title.c_str());
    set_modal();
    callback(closeBoxCallback, this);
    const int textX = addIcon(message.icon);
    const auto [textW, textH] = measure(message.text);
    const int bodyH = std::max(textH, iconBox_ ? kIconSize : 0);
    text_ = new Fl_Box(FL_NO_BOX, textX, kMargin, textW, bodyH, nullptr);
    text_->copy_label(message.text.c_str());
    text_->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
    text_->labelsize(kFontSize);
    add(text_);
    const int width = textX + textW + kMargin;
    const int buttonsY = kMargin + bodyH + kMargin;
    addButtons(width, buttonsY);
    size(width, buttonsY + kButtonHeight + kMargin);
  }

  MessageBoxView view(const MessageRecord& message) const {
    MessageBoxView v;
    v.window = const_cast<MessageBoxWindow*>(this);
    v.icon = iconBox_;
    v.text = text_;
    v.buttons = pressable_;
    v.message = &message;
    return v;
  }

  // Presses the button giving `result`; the default (first) button when the box has
  // none, as a box offers only its own answers.
  void press(MsgResult result) {
    size_t index = 0;
    for (size_t i = 0; i < pressable_.size(); ++i) {
      if (results_[i] == result) index = i;
    }
    pressable_[index]->do_callback();
  }

  const std::optional<MsgResult>& answer() const noexcept { return answer_; }

 private:
  int addIcon(MsgIcon icon) {
    const std::optional<IconLook> look = iconLook(icon);
    if (!look) return kMargin;
    iconBox_ = new Fl_Box(FL_OVAL_BOX, kMargin, kMargin, kIconSize, kIconSize, look->symbol);
    iconBox_->color(look->color);
    iconBox_->labelcolor(FL_WHITE);
    iconBox_->labelfont(FL_HELVETICA_BOLD);
    iconBox_->labelsize(20);
    add(iconBox_);
    return kMargin + kIconSize + kMargin;
  }

  static std::pair<int, int> measure(const std::string& text) {
    fl_font(FL_HELVETICA, kFontSize);
    int w = kMaxTextWidth;
    int h = 0;
    fl_measure(text.c_str(), w, h, 0);
    return {std::clamp(w + 4, kMinTextWidth, kMaxTextWidth), std::max(h, kIconSize)};
  }

  void addButtons(int width, int y) {
    const bool yesNo = buttons_ == MsgButtons::YesNo;
    const int count = yesNo ? 2 : 1;
    const int gap = 8;
    int x = (width - (count * kButtonWidth + (count - 1) * gap)) / 2;
    addButton(x, y, yesNo ? "&Yes" : "OK", yesNo ? MsgResult::Yes : MsgResult::Ok, true);
    if (yesNo) addButton(x + kButtonWidth + gap, y, "&No", MsgResult::No, false);
  }

  void addButton(int x, int y, const char* label, MsgResult result, bool isDefault) {
    Fl_Button* button = isDefault ? new Fl_Return_Button(x, y, kButtonWidth, kButtonHeight)
                                  : new Fl_Button(x, y, kButtonWidth, kButtonHeight);
    button->copy_label(label);
    button->labelsize(kFontSize);
    if (label[0] == '&') button->shortcut(label[1] | 0x20);  // y, n
    button->callback(buttonCallback, this);
    add(button);
    pressable_.push_back(button);
    results_.push_back(result);
  }

  static void buttonCallback(Fl_Widget* button, void* self) {
    auto* box = static_cast<MessageBoxWindow*>(self);
    for (size_t i = 0; i < box->pressable_.size(); ++i) {
      if (box->pressable_[i] == button) box->answer_ = box->results_[i];
    }
    box->hide();
  }

  // The close box and Escape: "OK" for a box that has only that button.
  static void closeBoxCallback(Fl_Widget*, void* self) {
    auto* box = static_cast<MessageBoxWindow*>(self);
    if (box->buttons_ != MsgButtons::Ok) return;
    box->answer_ = MsgResult::Ok;
    box->hide();
  }

  MsgButtons buttons_;
  Fl_Box* iconBox_ = nullptr;
  Fl_Box* text_ = nullptr;
  std::vector<Fl_Widget*> pressable_;
  std::vector<MsgResult> results_;
  std::optional<MsgResult> answer_;
};

void placeOver(Fl_Window& box, Fl_Window* over) {
  if (over != nullptr && over->shown()) {
    box.position(over->x() + (over->w() - box.w()) / 2, over->y() + (over->h() - box.h()) / 2);
  } else {
    box.position((Fl::w() - box.w()) / 2, (Fl::h() - box.h()) / 2);
  }
}

}  // namespace

MsgResult runMessageBox(const MessageRecord& message, const MessageAnswerer& answerer,
                        Fl_Window* over) {
  Fl_Group::current(nullptr);  // a top-level window, not a child of a group being built
  MessageBoxWindow box(message);
  placeOver(box, over);
  box.show();
  if (answerer) {
    if (const std::optional<MsgResult> chosen = answerer(box.view(message))) box.press(*chosen);
  }
  while (box.shown() && !box.answer()) Fl::wait();
  box.hide();
  // A box hidden from outside without an answer: "No" keeps things as they are.
  return box.answer().value_or(message.buttons == MsgButtons::YesNo ? MsgResult::No
                                                                    : MsgResult::Ok);
}

}  // namespace vlm::ui::fltk
