// A dialog toolkit without a window system: a scripted user plays the dialog.
//
// The script has three parts. Idle actions run in order while a modal form waits for
// the user (choose a list entry, tick or untick a box, press a button, the close box).
// Timed actions run inside the n-th DoEvents yield, counted from the toolkit's creation
// (press Cancel during an import, say). Answers are taken in order by the open-file
// dialogs (a path, or cancel) and by Yes/No questions (No when none is left).
// When a modal form has no idle action left, the user presses its close box.
//
// Everything the user saw is recorded: every message box (text, icon, buttons, title
// and the answer given), every open-file dialog, and the state of the controls of the
// last form shown. DoEvents with no action due costs one increment and two compares,
// and a look at the modal form's progress bars while a progress listener is set.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/DialogRecords.h"
#include "ui/FormModel.h"
#include "ui/Toolkit.h"

namespace vlm::ui {

// One thing the scripted user does. Actions on a control that is disabled, or hidden
// behind another frame, are not performed (a user cannot reach it); the log says so.
struct UserAction {
  enum class Kind : uint8_t { Select, SetCheck, Click, CloseBox, Probe };

  Kind kind = Kind::Click;
  std::string control;
  int32_t value = 0;            // Select: list index; SetCheck: 0 or 1
  std::function<void()> probe;  // Probe: called at that moment (tests look at the state)

  static UserAction select(std::string control, int32_t index);
  static UserAction setCheck(std::string control, bool checked);
  static UserAction click(std::string control);
  static UserAction closeBox();
  static UserAction call(std::function<void()> probe);
};

class HeadlessForm;

class HeadlessToolkit final : public Toolkit {
 public:
  using ProgressListener = std::function<void(float value, float max)>;

  HeadlessToolkit();
  ~HeadlessToolkit() override;
  HeadlessToolkit(const HeadlessToolkit&) = delete;
  HeadlessToolkit& operator=(const HeadlessToolkit&) = delete;

  // --- The script ---
  void whenIdle(UserAction action);
  // Runs `action` inside the `yield`-th DoEvents (1-based), or the next one when that
  // yield has passed.
  void atYield(uint64_t yield, UserAction action);
  void answerFileDialog(std::string path);
  void cancelFileDialog();
  void answerQuestion(MsgResult answer);
  // Told of every value or maximum a progress bar is set to, and, at each doEvents, of a
  // value stored into a bar of the innermost modal form since it was last told.
  void setProgressListener(ProgressListener listener);

  // --- What happened ---
  const std::vector<MessageRecord>& messages() const noexcept { return messages_; }
  const std::vector<FileDialogRecord>& fileDialogs() const noexcept { return fileDialogs_; }
  // Actions that could not be performed and other remarks, one line each.
  const std::vector<std::string>& log() const noexcept { return log_; }
  // The form shown most recently, kept after it has been unloaded; null before any.
  std::shared_ptr<const FormModel> lastForm() const noexcept { return lastForm_; }
  int32_t formsShown() const noexcept { return formsShown_; }
  MousePointer mousePointer() const noexcept { return pointer_; }
  uint64_t yields() const noexcept { return yields_; }
  bool hasPendingIdleActions() const noexcept { return !idle_.empty(); }

  // --- Toolkit ---
  std::unique_ptr<Form> createForm(const FormLayout& layout, FormEvents& events) override;
  MsgResult messageBox(std::string_view prompt, MsgIcon icon, MsgButtons buttons,
                       std::string_view title) override;
  void setMousePointer(MousePointer pointer) override { pointer_ = pointer; }
  void doEvents() override {
    ++yields_;
    if (progressListener_) noticeStores();
    if (yields_ >= nextDue_) runDueActions();
  }

 private:
  friend class HeadlessForm;

  void runModal(HeadlessForm& form);
  void runDueActions();
  void perform(HeadlessForm& form, const UserAction& action);
  bool reachable(const FormModel& model, ControlId id, const UserAction& action);
  std::optional<std::string> takeFileAnswer();
  void progressChanged(const ProgressBarState& bar);
  void noticeStores();
  void note(std::string line) { log_.push_back(std::move(line)); }

  uint64_t yields_ = 0;
  uint64_t nextDue_ = std::numeric_limits<uint64_t>::max();
  std::multimap<uint64_t, UserAction> timed_;
  std::deque<UserAction> idle_;
  std::deque<std::optional<std::string>> fileAnswers_;
  std::deque<MsgResult> answers_;
  ProgressListener progressListener_;

  std::vector<HeadlessForm*> modal_;  // innermost last
  std::vector<MessageRecord> messages_;
  std::vector<FileDialogRecord> fileDialogs_;
  std::vector<std::string> log_;
  std::shared_ptr<const FormModel> lastForm_;
  int32_t formsShown_ = 0;
  MousePointer pointer_ = MousePointer::Default;
};

}  // namespace vlm::ui
