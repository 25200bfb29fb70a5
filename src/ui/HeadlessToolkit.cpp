#include "ui/HeadlessToolkit.h"

#include <utility>

#include "platform/Error.h"

namespace vlm::ui {

// A form of the headless toolkit: the model plus the owner's events.
class HeadlessForm final : public Form {
 public:
  HeadlessForm(HeadlessToolkit& toolkit, const FormLayout& layout, FormEvents& events)
      : toolkit_(toolkit), model_(std::make_shared<FormModel>(layout)), events_(events) {
    for (ControlId id = 0; static_cast<size_t>(id) < model_->controlCount(); ++id) {
      const ControlState& c = model_->control(id);
      if (c.kind == ControlKind::ProgressBar) told_.emplace_back(id, c.bar.value);
    }
  }

  FormModel& model() noexcept { return *model_; }
  const std::shared_ptr<FormModel>& shared() const noexcept { return model_; }
  FormEvents& events() noexcept { return events_; }

  void showModal() override { toolkit_.runModal(*this); }

  bool unload() override {
    if (!model_->isOpen()) return true;
    if (!events_.onQueryUnload()) return false;
    events_.onUnload();
    model_->setOpen(false);
    return true;
  }
  bool isOpen() const override { return model_->isOpen(); }

  void setEnabled(ControlId id, bool enabled) override { model_->setEnabled(id, enabled); }
  bool enabled(ControlId id) const override { return model_->control(id).enabled; }

  void addItem(ControlId id, std::string_view text) override { model_->addItem(id, text); }
  int32_t listIndex(ControlId id) const override { return model_->control(id).listIndex; }
  void setListIndex(ControlId id, int32_t index) override {
    if (model_->setListIndex(id, index)) events_.onClick(id);
  }

  int16_t checkValue(ControlId id) const override { return model_->control(id).value; }
  void setCheckValue(ControlId id, int16_t value) override {
    if (model_->setCheckValue(id, value)) events_.onClick(id);
  }

  void bringToFront(ControlId id) override { model_->bringToFront(id); }

  float progressMax(ControlId id) const override { return model_->control(id).bar.max; }
  void setProgressMax(ControlId id, float max) override {
    model_->setProgressMax(id, max);
    tell(id);
  }
  float progressValue(ControlId id) const override { return model_->control(id).bar.value; }
  void setProgressValue(ControlId id, float value) override {
    model_->setProgressValue(id, value);
    if (toolkit_.progressListener_) tell(id);
  }
  ProgressBarState& progressBar(ControlId id) override { return model_->progressBar(id); }

  // Tells the listener of the bars whose value was stored since it last heard of them.
  void noticeStores() {
    for (auto& [id, told] : told_) {
      if (model_->control(id).bar.value != told) tell(id);
    }
  }

  void setDialogFilter(ControlId id, std::string_view filter) override {
    model_->setDialogFilter(id, filter);
  }
  void setDialogInitDir(ControlId id, std::string_view folder) override {
    model_->setDialogInitDir(id, folder);
  }
  void showOpen(ControlId id) override {
    const ControlState& dialog = model_->control(id);
    FileDialogRecord record{dialog.filter, dialog.initDir, false, {}};
    std::optional<std::string> answer = toolkit_.takeFileAnswer();
    record.cancelled = !answer.has_value();
    if (answer) record.fileName = *answer;
    toolkit_.fileDialogs_.push_back(record);
    if (!answer) raise(err::kCancel);
    model_->setDialogFileName(id, *answer);
  }
  std::string dialogFileName(ControlId id) const override { return model_->control(id).fileName; }

 private:
  void tell(ControlId id) {
    const ProgressBarState& bar = model_->control(id).bar;
    for (auto& [bar_id, told] : told_) {
      if (bar_id == id) told = bar.value;
    }
    toolkit_.progressChanged(bar);
  }

  HeadlessToolkit& toolkit_;
  std::shared_ptr<FormModel> model_;
  FormEvents& events_;
  std::vector<std::pair<ControlId, float>> told_;  // each progress bar, the value last told
};

// --- UserAction -------------------------------------------------------------------------

UserAction UserAction::select(std::string control, int32_t index) {
  return UserAction{Kind::Select, std::move(control), index, {}};
}
UserAction UserAction::setCheck(std::string control, bool checked) {
  return UserAction{Kind::SetCheck, std::move(control), checked ? 1 : 0, {}};
}
UserAction UserAction::click(std::string control) {
  return UserAction{Kind::Click, std::move(control), 0, {}};
}
UserAction UserAction::closeBox() { return UserAction{Kind::CloseBox, {}, 0, {}}; }
UserAction UserAction::call(std::function<void()> probe) {
  return UserAction{Kind::Probe, {}, 0, std::move(probe)};
}

// --- The script ----------------------------------------------------------------------------

HeadlessToolkit::HeadlessToolkit() = default;
HeadlessToolkit::~HeadlessToolkit() = default;

void HeadlessToolkit::whenIdle(UserAction action) { idle_.push_back(std::move(action)); }

void HeadlessToolkit::atYield(uint64_t yield, UserAction action) {
  timed_.emplace(yield, std::move(action));
  nextDue_ = timed_.begin()->first;
}

void HeadlessToolkit::answerFileDialog(std::string path) {
  fileAnswers_.emplace_back(std::move(path));
}

void HeadlessToolkit::cancelFileDialog() { fileAnswers_.emplace_back(std::nullopt); }

void HeadlessToolkit::answerQuestion(MsgResult answer) { answers_.push_back(answer); }

void HeadlessToolkit::setProgressListener(ProgressListener listener) {
  progressListener_ = std::move(listener);
}

std::optional<std::string> HeadlessToolkit::takeFileAnswer() {
  if (fileAnswers_.empty()) return std::nullopt;
  std::optional<std::string> answer = std::move(fileAnswers_.front());
  fileAnswers_.pop_front();
  return answer;
}

void HeadlessToolkit::progressChanged(const ProgressBarState& bar) {
  if (progressListener_) progressListener_(bar.value, bar.max);
}

void HeadlessToolkit::noticeStores() {
  if (!modal_.empty()) modal_.back()->noticeStores();
}

// --- Toolkit ------------------------------------------------------------------------------

std::unique_ptr<Form> HeadlessToolkit::createForm(const FormLayout& layout, FormEvents& events) {
  return std::make_unique<HeadlessForm>(*this, layout, events);
}

MsgResult HeadlessToolkit::messageBox(std::string_view prompt, MsgIcon icon, MsgButtons buttons,
                                      std::string_view title) {
  MsgResult answer = MsgResult::Ok;
  if (buttons == MsgButtons::YesNo) {
    answer = MsgResult::No;
    if (!answers_.empty()) {
      answer = answers_.front();
      answers_.pop_front();
    }
  }
  messages_.push_back(
      MessageRecord{std::string(prompt), icon, buttons, std::string(title), answer});
  return answer;
}

// --- The modal loop and the user's actions ----------------------------------------------

void HeadlessToolkit::runModal(HeadlessForm& form) {
  FormModel& model = form.model();
  if (model.isOpen()) raise(400, "Form already displayed; can't show modally");
  model.setOpen(true);
  model.noteLoaded();
  lastForm_ = form.shared();
  ++formsShown_;
  modal_.push_back(&form);
  form.events().onLoad();
  while (model.isOpen()) {
    if (idle_.empty()) {
      note("no action left: the user closes " + model.name());
      form.unload();
      if (model.isOpen()) {
        note(model.name() + " refused to close; the modal loop ends");
        model.setOpen(false);
      }
      break;
    }
    const UserAction action = std::move(idle_.front());
    idle_.pop_front();
    perform(form, action);
  }
  modal_.pop_back();
}

void HeadlessToolkit::runDueActions() {
  while (!timed_.empty() && timed_.begin()->first <= yields_) {
    const UserAction action = std::move(timed_.begin()->second);
    timed_.erase(timed_.begin());
    if (modal_.empty()) {
      note("yield " + std::to_string(yields_) + ": no form is shown, action dropped");
    } else {
      perform(*modal_.back(), action);
    }
  }
  nextDue_ = timed_.empty() ? std::numeric_limits<uint64_t>::max() : timed_.begin()->first;
}

bool HeadlessToolkit::reachable(const FormModel& model, ControlId id, const UserAction& action) {
  if (id == kNoControl) {
    note("no control named " + action.control);
    return false;
  }
  const ControlState& control = model.control(id);
  if (!control.enabled) {
    note(control.name + " is disabled: action not performed");
    return false;
  }
  if (model.isHidden(id)) {
    note(control.name + " is hidden behind another frame: action not performed");
    return false;
  }
  return true;
}

void HeadlessToolkit::perform(HeadlessForm& form, const UserAction& action) {
  FormModel& model = form.model();
  try {
    if (action.kind == UserAction::Kind::Probe) {
      if (action.probe) action.probe();
      return;
    }
    if (action.kind == UserAction::Kind::CloseBox) {
      form.unload();
      return;
    }
    const ControlId id = model.find(action.control);
    if (!reachable(model, id, action)) return;
    switch (action.kind) {
      case UserAction::Kind::Select:
        if (model.setListIndex(id, action.value)) form.events().onClick(id);
        break;
      case UserAction::Kind::SetCheck:
        if (model.setCheckValue(id, static_cast<int16_t>(action.value))) form.events().onClick(id);
        break;
      default: form.events().onClick(id); break;
    }
  } catch (const RuntimeError& e) {
    note(action.control + ": " + e.description());
  }
}

}  // namespace vlm::ui
