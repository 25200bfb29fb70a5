#include "ui/fltk/FltkToolkit.h"

#include <FL/Fl.H>

#include <algorithm>

#include "ui/fltk/FileFilter.h"
#include "ui/fltk/FltkDisplay.h"
#include "ui/fltk/FltkFileChooser.h"
#include "ui/fltk/FltkForm.h"
#include "ui/fltk/FltkMessageBox.h"

namespace vlm::ui {

namespace {

using Clock = std::chrono::steady_clock;

// The clock is read every `stride` doEvents calls; the stride doubles while reads come
// faster than kReadOften apart and halves while they come slower than kReadSeldom.
constexpr auto kReadOften = std::chrono::microseconds(250);
constexpr auto kReadSeldom = std::chrono::microseconds(1000);
constexpr uint64_t kMaxStride = uint64_t{1} << 16;

constexpr const char* kOpenTitle = "Open";

}  // namespace

std::unique_ptr<FltkToolkit> FltkToolkit::open(std::string& whyNot) {
  if (!fltk::openDisplay(whyNot)) return nullptr;
  Fl::scheme("gtk+");
  return std::unique_ptr<FltkToolkit>(new FltkToolkit());
}

FltkToolkit::FltkToolkit() = default;

FltkToolkit::~FltkToolkit() { Fl::flush(); }

std::unique_ptr<Form> FltkToolkit::createForm(const FormLayout& layout, FormEvents& events) {
  return std::make_unique<FltkForm>(*this, layout, events);
}

MsgResult FltkToolkit::messageBox(std::string_view prompt, MsgIcon icon, MsgButtons buttons,
                                  std::string_view title) {
  MessageRecord record{std::string(prompt), icon, buttons, std::string(title), MsgResult::Ok};
  const FltkForm* over = activeForm();
  record.answer =
      fltk::runMessageBox(record, messageAnswerer_, over != nullptr ? over->window() : nullptr);
  messages_.push_back(record);
  return record.answer;
}

void FltkToolkit::setMousePointer(MousePointer pointer) {
  pointer_ = pointer;
  for (FltkForm* form : shown_) form->showPointer(pointer);
  Fl::flush();
}

const std::vector<MessageRecord>& FltkToolkit::messages() const { return messages_; }

void FltkToolkit::setFileChooser(FileChooser chooser) { fileChooser_ = std::move(chooser); }

void FltkToolkit::setMessageAnswerer(MessageAnswerer answerer) {
  messageAnswerer_ = std::move(answerer);
}

FltkForm* FltkToolkit::activeForm() const noexcept {
  return shown_.empty() ? nullptr : shown_.back();
}

// --- doEvents --------------------------------------------------------------------------

void FltkToolkit::pump() {
  Clock::time_point now = Clock::now();
  adaptStride(now);
  if (now >= nextPump_) {
    ++pumps_;
    for (FltkForm* form : shown_) form->showStoredProgress();
    Fl::check();
    now = Clock::now();
    lastClockRead_ = now;
    nextPump_ = now + kPumpInterval;
  }
  nextClockRead_ = yields_ + stride_;
}

void FltkToolkit::adaptStride(Clock::time_point now) noexcept {
  const auto since = now - lastClockRead_;
  lastClockRead_ = now;
  if (since < kReadOften && stride_ < kMaxStride) {
    stride_ *= 2;
  } else if (since > kReadSeldom && stride_ > 1) {
    stride_ /= 2;
  }
}

// --- Forms and the file dialog ----------------------------------------------------------

void FltkToolkit::formShown(FltkForm& form) {
  shown_.push_back(&form);
  form.showPointer(pointer_);
}

void FltkToolkit::formHidden(FltkForm& form) noexcept {
  shown_.erase(std::remove(shown_.begin(), shown_.end(), &form), shown_.end());
}

std::optional<std::string> FltkToolkit::chooseFile(std::string_view filter,
                                                   std::string_view initDir) {
  const FileChooserRequest request{kOpenTitle, std::string(filter), fltkFilter(filter),
                                   std::string(initDir)};
  std::optional<std::string> chosen =
      fileChooser_ ? fileChooser_(request) : fltk::nativeFileChooser(request);
  fileDialogs_.push_back(FileDialogRecord{request.filter, request.initDir, !chosen.has_value(),
                                          chosen.value_or(std::string())});
  return chosen;
}

}  // namespace vlm::ui
