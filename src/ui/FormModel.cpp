#include "ui/FormModel.h"

#include "platform/Dispatch.h"
#include "platform/Error.h"

namespace vlm::ui {

namespace {

ControlState stateFromLayout(const ControlLayout& layout, int32_t zOrder) {
  ControlState state;
  state.name = std::string(layout.name);
  state.kind = layout.kind;
  state.text = std::string(layout.text);
  state.rect = layout.rect;
  state.tabIndex = layout.tabIndex;
  state.container = layout.container;
  state.zOrder = zOrder;
  state.value = layout.startValue;
  return state;
}

}  // namespace

FormModel::FormModel(const FormLayout& layout)
    : name_(layout.name),
      caption_(layout.caption),
      clientWidth_(layout.clientWidth),
      clientHeight_(layout.clientHeight),
      topZ_(static_cast<int32_t>(layout.controls.size())) {
  controls_.reserve(layout.controls.size());
  for (const ControlLayout& c : layout.controls) {
    controls_.push_back(stateFromLayout(c, static_cast<int32_t>(controls_.size())));
  }
}

void FormModel::badId() { raise(err::kSubscript); }

void FormModel::wrongKind() { raise(err::kNoSuchMember); }

ControlId FormModel::find(std::string_view name) const noexcept {
  for (size_t i = 0; i < controls_.size(); ++i) {
    if (equalsIgnoreCase(controls_[i].name, name)) return static_cast<ControlId>(i);
  }
  return kNoControl;
}

const ControlState& FormModel::control(std::string_view name) const {
  const ControlId id = find(name);
  if (id == kNoControl) raise(err::kInvalidCall, "No control named " + std::string(name));
  return controls_[static_cast<size_t>(id)];
}

void FormModel::setEnabled(ControlId id, bool enabled) { at(id).enabled = enabled; }

void FormModel::addItem(ControlId id, std::string_view text) {
  mutableControl(id, ControlKind::ComboBox).items.emplace_back(text);
}

bool FormModel::setListIndex(ControlId id, int32_t index) {
  ControlState& list = mutableControl(id, ControlKind::ComboBox);
  if (index < -1 || index >= static_cast<int32_t>(list.items.size())) invalidPropertyValue();
  const bool changed = list.listIndex != index;
  list.listIndex = index;
  return changed;
}

bool FormModel::setCheckValue(ControlId id, int16_t value) {
  ControlState& box = mutableControl(id, ControlKind::CheckBox);
  if (value < 0 || value > 2) invalidPropertyValue();
  const bool changed = box.value != value;
  box.value = value;
  return changed;
}

void FormModel::bringToFront(ControlId id) { at(id).zOrder = ++topZ_; }

void FormModel::setProgressMax(ControlId id, float max) {
  ProgressBarState& bar = progressBar(id);
  if (!(max > bar.min)) invalidPropertyValue();
  bar.max = max;
  if (bar.value > max) bar.value = max;
}

void FormModel::setDialogFilter(ControlId id, std::string_view filter) {
  mutableControl(id, ControlKind::CommonDialog).filter = std::string(filter);
}

void FormModel::setDialogInitDir(ControlId id, std::string_view folder) {
  mutableControl(id, ControlKind::CommonDialog).initDir = std::string(folder);
}

void FormModel::setDialogFileName(ControlId id, std::string_view file) {
  mutableControl(id, ControlKind::CommonDialog).fileName = std::string(file);
}

std::string_view FormModel::frontFrame() const noexcept {
  const ControlState* front = nullptr;
  for (const ControlState& c : controls_) {
    if (c.kind == ControlKind::Frame && (front == nullptr || c.zOrder > front->zOrder)) front = &c;
  }
  return front ? std::string_view(front->name) : std::string_view{};
}

namespace {

bool overlap(const TwipsRect& a, const TwipsRect& b) noexcept {
  return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
         b.top < a.top + a.height;
}

}  // namespace

bool FormModel::isHidden(ControlId id) const {
  for (ControlId frame = control(id).container; frame != kNoControl;
       frame = control(frame).container) {
    const ControlState& f = control(frame);
    for (const ControlState& other : controls_) {
      if (&other != &f && other.kind == ControlKind::Frame && other.container == f.container &&
          other.zOrder > f.zOrder && overlap(other.rect, f.rect)) {
        return true;
      }
    }
  }
  return false;
}

std::string_view FormModel::listText(ControlId id) const {
  const ControlState& list = control(id);
  if (list.listIndex < 0 || static_cast<size_t>(list.listIndex) >= list.items.size()) return {};
  return list.items[static_cast<size_t>(list.listIndex)];
}

}  // namespace vlm::ui
