#include "ui/fltk/FltkForm.h"

#include <FL/Enumerations.H>
#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Progress.H>

#include "platform/Error.h"
#include "ui/fltk/FltkControls.h"
#include "ui/fltk/FltkToolkit.h"

namespace vlm::ui {

namespace {

// The group a container's children go into: the frame's group, or the window for the
// form itself (and for a container that holds no children, which a description should
// not name).
Fl_Group* groupOf(ControlId container, Fl_Window& window, const std::vector<Fl_Widget*>& widgets) {
  Fl_Widget* holder = container == kNoControl ? nullptr : widgets[static_cast<size_t>(container)];
  Fl_Group* group = holder != nullptr ? holder->as_group() : nullptr;
  return group != nullptr ? group : &window;
}

}  // namespace

FltkForm::FltkForm(FltkToolkit& toolkit, const FormLayout& layout, FormEvents& events)
    : toolkit_(toolkit), model_(layout), events_(events) {
  build(layout);
}

FltkForm::~FltkForm() {
  toolkit_.formHidden(*this);
  if (window_) window_->hide();
}

// --- Building ----------------------------------------------------------------------------

void FltkForm::build(const FormLayout& layout) {
  const int width = fltk::toPixels(layout.clientWidth);
  const int height = fltk::toPixels(layout.clientHeight);
  Fl_Group::current(nullptr);  // widgets are placed explicitly, in tab order
  window_ = std::make_unique<Fl_Double_Window>(width, height);
  window_->end();
  window_->copy_label(model_.caption().c_str());
  window_->size_range(width, height, width, height);
  window_->position((Fl::w() - width) / 2, (Fl::h() - height) / 2);
  window_->set_modal();
  window_->callback(closeBoxCallback, this);

  const size_t count = model_.controlCount();
  widgets_.assign(count, nullptr);
  bindings_.resize(count);
  progressPixels_.assign(count, -1);
  for (size_t i = 0; i < count; ++i) {
    const auto id = static_cast<ControlId>(i);
    widgets_[i] = fltk::createWidget(model_.control(id), fltk::windowRect(model_, id));
    bind(id);
  }
  // Each container takes its children in tab order: the form, then every other control
  // that holds some.
  std::vector<ControlId> containers{kNoControl};
  for (size_t i = 0; i < count; ++i) containers.push_back(static_cast<ControlId>(i));
  for (ControlId container : containers) {
    Fl_Group* group = groupOf(container, *window_, widgets_);
    for (ControlId child : fltk::childrenInTabOrder(model_, container)) {
      if (Fl_Widget* w = widgets_[static_cast<size_t>(child)]) group->add(w);
    }
  }
  showFrames();
}

void FltkForm::bind(ControlId id) {
  Fl_Widget* widget = widgets_[static_cast<size_t>(id)];
  if (widget == nullptr) return;
  bindings_[static_cast<size_t>(id)] = Binding{this, id};
  widget->callback(widgetCallback, &bindings_[static_cast<size_t>(id)]);
}

// --- Events from the widgets -------------------------------------------------------------

void FltkForm::widgetCallback(Fl_Widget*, void* binding) {
  const auto* b = static_cast<const Binding*>(binding);
  b->form->userChanged(b->id);
}

void FltkForm::closeBoxCallback(Fl_Widget*, void* form) {
  // Escape reaches a window's callback too; this dialog closes only on request.
  if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
  try {
    static_cast<FltkForm*>(form)->unload();
  } catch (...) {
    // The owner's handlers report their own failures; nothing may unwind into FLTK.
  }
}

// A person changed a control: the model takes the new value and the owner hears of it.
void FltkForm::userChanged(ControlId id) noexcept {
  try {
    Fl_Widget* widget = widgets_[static_cast<size_t>(id)];
    bool changed = true;
    switch (model_.control(id).kind) {
      case ControlKind::ComboBox:
        changed = model_.setListIndex(id, static_cast<fltk::DropDownList*>(widget)->value());
        break;
      case ControlKind::CheckBox:
        changed = model_.setCheckValue(id, static_cast<Fl_Button*>(widget)->value() ? 1 : 0);
        break;
      case ControlKind::CommandButton: break;
      default: changed = false; break;
    }
    if (changed) events_.onClick(id);
  } catch (...) {
    // As above: a refused value leaves the model as it was.
  }
}

// --- Showing ------------------------------------------------------------------------------

void FltkForm::showModal() {
  if (model_.isOpen()) raise(400, "Form already displayed; can't show modally");
  model_.setOpen(true);
  model_.noteLoaded();
  toolkit_.formShown(*this);
  events_.onLoad();
  if (model_.isOpen()) {
    window_->show();
    showPointer(toolkit_.mousePointer());
    runModalLoop();
  }
  window_->hide();
  toolkit_.formHidden(*this);
  Fl::flush();
}

void FltkForm::runModalLoop() {
  while (model_.isOpen()) {
    // A window hidden from outside is a close request; a refused one shows it again.
    if (!window_->shown()) {
      if (unload()) break;
      window_->show();
    }
    Fl::wait();
  }
}

bool FltkForm::unload() {
  if (!model_.isOpen()) return true;
  if (!events_.onQueryUnload()) return false;
  events_.onUnload();
  model_.setOpen(false);
  window_->hide();
  return true;
}

void FltkForm::showPointer(MousePointer pointer) {
  if (!window_->shown()) return;
  window_->cursor(pointer == MousePointer::Hourglass ? FL_CURSOR_WAIT : FL_CURSOR_DEFAULT);
}

// --- Controls -----------------------------------------------------------------------------

void FltkForm::setEnabled(ControlId id, bool enabled) {
  model_.setEnabled(id, enabled);
  if (Fl_Widget* w = widget(id)) {
    if (enabled) {
      w->activate();
    } else {
      w->deactivate();
    }
  }
}

void FltkForm::addItem(ControlId id, std::string_view text) {
  model_.addItem(id, text);
  static_cast<fltk::DropDownList*>(widget(id))->addEntry(text);
}

void FltkForm::setListIndex(ControlId id, int32_t index) {
  const bool changed = model_.setListIndex(id, index);
  static_cast<fltk::DropDownList*>(widget(id))->value(index);
  if (changed) events_.onClick(id);
}

void FltkForm::setCheckValue(ControlId id, int16_t value) {
  const bool changed = model_.setCheckValue(id, value);
  static_cast<Fl_Button*>(widget(id))->value(value != 0 ? 1 : 0);
  if (changed) events_.onClick(id);
}

void FltkForm::bringToFront(ControlId id) {
  model_.bringToFront(id);
  if (model_.control(id).kind == ControlKind::Frame) showFrames();
}

// Overlapping frames show only the one in front; the others are hidden, so they are
// neither drawn nor reached by the mouse or Tab.
void FltkForm::showFrames() {
  for (size_t i = 0; i < widgets_.size(); ++i) {
    const auto id = static_cast<ControlId>(i);
    if (model_.control(id).kind != ControlKind::Frame) continue;
    if (fltk::frameCovered(model_, id)) {
      widgets_[i]->hide();
    } else {
      widgets_[i]->show();
    }
  }
}

void FltkForm::setProgressMax(ControlId id, float max) {
  model_.setProgressMax(id, max);
  auto* bar = static_cast<Fl_Progress*>(widget(id));
  bar->maximum(max);
  showProgress(id, true);
}

// The widget is touched only when the filled part would change by at least a pixel.
// Importers store into the bar instead, once per record; the toolkit shows what they
// stored each time it lets FLTK run.
void FltkForm::setProgressValue(ControlId id, float value) {
  model_.setProgressValue(id, value);
  showProgress(id, false);
}

void FltkForm::showProgress(ControlId id, bool always) {
  const ProgressBarState& state = model_.control(id).bar;
  auto* bar = static_cast<Fl_Progress*>(widgets_[static_cast<size_t>(id)]);
  const float span = state.max - state.min;
  const int pixels =
      static_cast<int>((state.value - state.min) / span * static_cast<float>(bar->w()));
  int& shown = progressPixels_[static_cast<size_t>(id)];
  if (!always && pixels == shown) return;
  shown = pixels;
  bar->value(state.value);
}

void FltkForm::showStoredProgress() {
  for (ControlId id = 0; static_cast<size_t>(id) < model_.controlCount(); ++id) {
    if (model_.control(id).kind == ControlKind::ProgressBar) showProgress(id, false);
  }
}

void FltkForm::setDialogFilter(ControlId id, std::string_view filter) {
  model_.setDialogFilter(id, filter);
}

void FltkForm::setDialogInitDir(ControlId id, std::string_view folder) {
  model_.setDialogInitDir(id, folder);
}

void FltkForm::showOpen(ControlId id) {
  const ControlState& dialog = model_.control(id);
  if (dialog.kind != ControlKind::CommonDialog) raise(err::kNoSuchMember);
  const std::optional<std::string> chosen = toolkit_.chooseFile(dialog.filter, dialog.initDir);
  if (!chosen) raise(err::kCancel);
  model_.setDialogFileName(id, *chosen);
}

std::string FltkForm::dialogFileName(ControlId id) const {
  const ControlState& dialog = model_.control(id);
  if (dialog.kind != ControlKind::CommonDialog) raise(err::kNoSuchMember);
  return dialog.fileName;
}

// --- For the toolkit and tests ------------------------------------------------------------

Fl_Window* FltkForm::window() const noexcept { return window_.get(); }

Fl_Widget* FltkForm::widget(ControlId id) const noexcept {
  if (id < 0 || static_cast<size_t>(id) >= widgets_.size()) return nullptr;
  return widgets_[static_cast<size_t>(id)];
}

Fl_Widget* FltkForm::widget(std::string_view name) const noexcept {
  return widget(model_.find(name));
}

}  // namespace vlm::ui
