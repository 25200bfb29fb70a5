// A form of the FLTK toolkit: an FLTK window holding one widget per drawn control.
//
// The FormModel keeps the controls' state and enforces their rules (error 380 and so
// on); the widgets show that state. A user's change (a list entry picked, a box ticked,
// a button pressed) updates the model and fires FormEvents::onClick, as a change made
// from code does. The close box routes to unload(), which asks onQueryUnload.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "ui/FormModel.h"
#include "ui/Toolkit.h"

class Fl_Double_Window;
class Fl_Widget;
class Fl_Window;

namespace vlm::ui {

class FltkToolkit;

class FltkForm final : public Form {
 public:
  FltkForm(FltkToolkit& toolkit, const FormLayout& layout, FormEvents& events);
  ~FltkForm() override;
  FltkForm(const FltkForm&) = delete;
  FltkForm& operator=(const FltkForm&) = delete;

  // --- Form ---
  void showModal() override;
  bool unload() override;
  bool isOpen() const override { return model_.isOpen(); }

  void setEnabled(ControlId control, bool enabled) override;
  bool enabled(ControlId control) const override { return model_.control(control).enabled; }

  void addItem(ControlId list, std::string_view text) override;
  int32_t listIndex(ControlId list) const override { return model_.control(list).listIndex; }
  void setListIndex(ControlId list, int32_t index) override;

  int16_t checkValue(ControlId box) const override { return model_.control(box).value; }
  void setCheckValue(ControlId box, int16_t value) override;

  void bringToFront(ControlId control) override;

  float progressMax(ControlId bar) const override { return model_.control(bar).bar.max; }
  void setProgressMax(ControlId bar, float max) override;
  float progressValue(ControlId bar) const override { return model_.control(bar).bar.value; }
  void setProgressValue(ControlId bar, float value) override;
  ProgressBarState& progressBar(ControlId bar) override { return model_.progressBar(bar); }

  void setDialogFilter(ControlId dialog, std::string_view filter) override;
  void setDialogInitDir(ControlId dialog, std::string_view folder) override;
  void showOpen(ControlId dialog) override;
  std::string dialogFileName(ControlId dialog) const override;

  // --- For the toolkit and tests ---
  // Shows the values stored into the progress bars since they were last shown.
  void showStoredProgress();
  Fl_Window* window() const noexcept;
  // The widget of a control, or nullptr for one that is not drawn (the file dialog) or
  // an id/name that names no control. Names compare case-insensitively.
  Fl_Widget* widget(ControlId control) const noexcept;
  Fl_Widget* widget(std::string_view name) const noexcept;
  const FormModel& model() const noexcept { return model_; }
  void showPointer(MousePointer pointer);

 private:
  struct Binding {
    FltkForm* form;
    ControlId id;
  };

  void build(const FormLayout& layout);
  void bind(ControlId id);
  static void widgetCallback(Fl_Widget* widget, void* binding);
  static void closeBoxCallback(Fl_Widget* window, void* form);
  void userChanged(ControlId id) noexcept;
  void showFrames();
  void showProgress(ControlId bar, bool always);
  void runModalLoop();

  FltkToolkit& toolkit_;
  FormModel model_;
  FormEvents& events_;
  std::unique_ptr<Fl_Double_Window> window_;
  std::vector<Fl_Widget*> widgets_;  // by control id; owned by window_
  std::vector<Binding> bindings_;    // by control id
  std::vector<int> progressPixels_;  // by control id: the filled width on screen
};

}  // namespace vlm::ui
