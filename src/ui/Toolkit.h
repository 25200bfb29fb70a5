// The dialog toolkit: what a form owner asks of the windowing system.
//
// The host program installs one toolkit (headless, or a real window system) with
// setToolkit(); the slot lives in the shared runtime library, so the plug-in sees the
// toolkit its host installed. A form owner describes its form (FormLayout.h), receives its
// events through FormEvents, and drives its controls through Form. Property setters
// raise error 380 ("Invalid property value") for values the control refuses.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/ToolkitSlot.h"
#include "ui/FormLayout.h"
#include "ui/ProgressBar.h"

namespace vlm::ui {


enum class MsgIcon : uint8_t { None, Critical, Question, Exclamation, Information };
enum class MsgButtons : uint8_t { Ok, YesNo };
enum class MsgResult : uint8_t { Ok, Yes, No };
enum class MousePointer : uint8_t { Default, Hourglass };

// Stable lower-case names for reports: "none", "critical", "question", "exclamation",
// "information"; "ok", "yesno"; "ok", "yes", "no"; "default", "hourglass".
std::string_view iconName(MsgIcon icon) noexcept;
std::string_view buttonsName(MsgButtons buttons) noexcept;
std::string_view resultName(MsgResult result) noexcept;
std::string_view pointerName(MousePointer pointer) noexcept;

// What a form reports to its owner. The toolkit calls these on the user-interface
// thread; they must not throw.
class FormEvents {
 public:
  virtual void onLoad() noexcept = 0;
  // A button was pressed, a list entry chosen or a check box changed.
  virtual void onClick(ControlId control) noexcept = 0;
  // A request to close the form (close box or unload from code); false refuses it.
  virtual bool onQueryUnload() noexcept = 0;
  // The close was allowed; the controls can still be read.
  virtual void onUnload() noexcept = 0;

 protected:
  ~FormEvents() = default;
};

class Form {
 public:
  virtual ~Form() = default;

  // Loads the form (onLoad runs), shows it modally with no owner window and returns once
  // it has been unloaded. The toolkit runs a nested message loop meanwhile.
  virtual void showModal() = 0;
  // A close request from code: onQueryUnload decides; returns true when the form closed.
  virtual bool unload() = 0;
  virtual bool isOpen() const = 0;

  virtual void setEnabled(ControlId control, bool enabled) = 0;
  virtual bool enabled(ControlId control) const = 0;

  // Drop-down lists. A new list index outside -1 .. count-1 is refused; a change of the
  // index fires onClick, as a user's choice does.
  virtual void addItem(ControlId list, std::string_view text) = 0;
  virtual int32_t listIndex(ControlId list) const = 0;
  virtual void setListIndex(ControlId list, int32_t index) = 0;

  // Check boxes: 0 unchecked, 1 checked, 2 grayed; a change fires onClick.
  virtual int16_t checkValue(ControlId box) const = 0;
  virtual void setCheckValue(ControlId box, int16_t value) = 0;

  virtual void bringToFront(ControlId control) = 0;

  // Progress bars: minimum 0; the value must lie within minimum .. maximum and the
  // maximum above the minimum.
  virtual float progressMax(ControlId bar) const = 0;
  virtual void setProgressMax(ControlId bar, float max) = 0;
  virtual float progressValue(ControlId bar) const = 0;
  virtual void setProgressValue(ControlId bar, float value) = 0;
  // The bar itself, for stores that are shown at the next doEvents (values set through
  // setProgressValue are shown at once). It lives as long as the form.
  virtual ProgressBarState& progressBar(ControlId bar) = 0;

  // The open-file dialog: filter "description|pattern", starting folder, show, chosen
  // file. showOpen raises error 32755 when the user cancels.
  virtual void setDialogFilter(ControlId dialog, std::string_view filter) = 0;
  virtual void setDialogInitDir(ControlId dialog, std::string_view folder) = 0;
  virtual void showOpen(ControlId dialog) = 0;
  virtual std::string dialogFileName(ControlId dialog) const = 0;
};

class Toolkit {
 public:
  virtual ~Toolkit() = default;

  // Builds (does not yet load or show) a form; `events` must outlive it.
  virtual std::unique_ptr<Form> createForm(const FormLayout& layout, FormEvents& events) = 0;
  // A modal message box; returns the button the user chose.
  virtual MsgResult messageBox(std::string_view prompt, MsgIcon icon, MsgButtons buttons,
                               std::string_view title) = 0;
  virtual void setMousePointer(MousePointer pointer) = 0;
  // Runs the events that are due; called after every line an importer reads, so it must
  // cost next to nothing when nothing is due.
  virtual void doEvents() = 0;
};

// The current toolkit; error 429 with a clear description when the host installed none.
Toolkit& requireToolkit();

// A message box through the current toolkit.
MsgResult messageBox(std::string_view prompt, MsgIcon icon, MsgButtons buttons,
                     std::string_view title);

}  // namespace vlm::ui
