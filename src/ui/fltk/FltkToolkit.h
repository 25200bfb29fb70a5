// The dialog toolkit on a real X display, drawn with FLTK 1.3.
//
// Forms become FLTK windows with every control at its position (twips / 15 = pixels),
// children ordered by tab index so that Tab walks them in the form's tab order, and
// overlapping frames showing only the one in front. showModal runs a nested loop on
// Fl::wait until the form is unloaded; the close box asks FormEvents::onQueryUnload.
//
// doEvents is called after every line an importer reads. With nothing due it costs an
// increment and a compare; every `stride` calls it reads the monotonic clock (vDSO, no
// system call), and at most every kPumpInterval it lets FLTK run (Fl::check). The
// stride adapts so that the clock is read roughly every millisecond whatever a call
// costs.
//
// Two seams let a program answer the dialogs in place of a person: a file chooser
// (default: FLTK's native chooser) and a message-box answerer, called once the real box
// is on screen (default: none, the person at the display answers).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/DialogRecords.h"
#include "ui/Toolkit.h"

class Fl_Widget;
class Fl_Window;

namespace vlm::ui {

class FltkForm;

// What the open-file dialog is asked to show.
struct FileChooserRequest {
  std::string title;       // the chooser's window title
  std::string filter;      // as the form set it: "*.obj|*.obj"
  std::string fltkFilter;  // the same for FLTK: "*.obj\t*.[oO][bB][jJ]"
  std::string initDir;     // the starting folder
};
// Returns the chosen file's full path, or nullopt when the user cancelled.
using FileChooser = std::function<std::optional<std::string>(const FileChooserRequest&)>;

// A message box on the screen, as an answerer sees it.
struct MessageBoxView {
  Fl_Window* window = nullptr;
  Fl_Widget* icon = nullptr;               // the icon's box; nullptr for MsgIcon::None
  Fl_Widget* text = nullptr;               // the prompt
  std::vector<Fl_Widget*> buttons;         // left to right: "OK", or "Yes" and "No"
  const MessageRecord* message = nullptr;  // prompt, icon, buttons, title (no answer yet)
};
// Called once when a box is on screen: the button to press, or nullopt to leave the
// box to the person at the display (or to events the answerer sent itself).
using MessageAnswerer = std::function<std::optional<MsgResult>(const MessageBoxView&)>;

class FltkToolkit final : public Toolkit {
 public:
  // How often doEvents lets FLTK handle events and redraw, at most.
  static constexpr std::chrono::microseconds kPumpInterval{10'000};

  // Opens the X display named by $DISPLAY; nullptr and `whyNot` set (one line, e.g.
  // "no X display: DISPLAY is not set") when none can be opened. FLTK keeps one display
  // per process: later calls reuse the one opened first.
  static std::unique_ptr<FltkToolkit> open(std::string& whyNot);
  ~FltkToolkit() override;
  FltkToolkit(const FltkToolkit&) = delete;
  FltkToolkit& operator=(const FltkToolkit&) = delete;

  // The form must be destroyed before the toolkit.
  std::unique_ptr<Form> createForm(const FormLayout& layout, FormEvents& events) override;
  MsgResult messageBox(std::string_view prompt, MsgIcon icon, MsgButtons buttons,
                       std::string_view title) override;
  void setMousePointer(MousePointer pointer) override;
  void doEvents() override {
    if (++yields_ < nextClockRead_) return;
    pump();
  }

  // Every message box shown so far (prompt, icon, buttons, title, answer).
  const std::vector<MessageRecord>& messages() const;
  // Every open-file dialog shown so far, with its answer.
  const std::vector<FileDialogRecord>& fileDialogs() const noexcept { return fileDialogs_; }

  // --- Seams for programs that answer in place of a person (tests, measurements) ---
  // An empty function restores the default (the real chooser; the person answers).
  void setFileChooser(FileChooser chooser);
  void setMessageAnswerer(MessageAnswerer answerer);

  // --- State, for tests and reports ---
  // The innermost form being shown modally, or nullptr.
  FltkForm* activeForm() const noexcept;
  MousePointer mousePointer() const noexcept { return pointer_; }
  uint64_t yields() const noexcept { return yields_; }  // doEvents calls
  uint64_t pumps() const noexcept { return pumps_; }    // of which let FLTK run

 private:
  friend class FltkForm;
  FltkToolkit();

  void pump();
  void adaptStride(std::chrono::steady_clock::time_point now) noexcept;
  // Called by FltkForm while it is shown modally and when it is destroyed.
  void formShown(FltkForm& form);
  void formHidden(FltkForm& form) noexcept;
  // The open-file dialog for `form`: the chosen path, or nullopt when cancelled.
  std::optional<std::string> chooseFile(std::string_view filter, std::string_view initDir);

  uint64_t yields_ = 0;
  uint64_t nextClockRead_ = 0;
  uint64_t stride_ = 1;
  uint64_t pumps_ = 0;
  std::chrono::steady_clock::time_point lastClockRead_{};
  std::chrono::steady_clock::time_point nextPump_{};

  MousePointer pointer_ = MousePointer::Default;
  std::vector<FltkForm*> shown_;  // innermost last
  std::vector<MessageRecord> messages_;
  std::vector<FileDialogRecord> fileDialogs_;
  FileChooser fileChooser_;
  MessageAnswerer messageAnswerer_;
};

}  // namespace vlm::ui
