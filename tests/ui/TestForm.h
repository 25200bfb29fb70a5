// The form both toolkits are tested with, and an owner that records what it reports.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "ui/Toolkit.h"

namespace vlm::test {

enum Id : ui::ControlId { kBack, kBox, kFront, kTitle, kOk, kClose, kList, kBar, kDialog, kCount };

// Two frames on top of each other (the box lies in the lower one), a label, two buttons,
// a list without a tab index, a bar and the file dialog; tab order is not listing order.
inline constexpr std::array<ui::ControlLayout, kCount> kTestControls{{
    {"fraBack", ui::ControlKind::Frame, "Back", {120, 600, 2310, 780}, 3},
    {"chkBox", ui::ControlKind::CheckBox, "Box", {127, 233, 2000, 300}, 0, kBack, 1},
    {"fraFront", ui::ControlKind::Frame, "Front", {120, 600, 2310, 780}, 4},
    {"lblTitle", ui::ControlKind::Label, "Title", {120, 0, 2310, 120}},
    {"cmdOk", ui::ControlKind::CommandButton, "OK", {120, 1440, 1000, 330}, 1},
    {"cmdClose", ui::ControlKind::CommandButton, "Close", {1430, 1440, 1000, 330}, 0},
    {"cmbList", ui::ControlKind::ComboBox, "", {120, 150, 2310, 315}},
    {"barProgress", ui::ControlKind::ProgressBar, "", {0, 1800, 2550, 300}},
    {"dlgOpen", ui::ControlKind::CommonDialog, "", {}},
}};
inline constexpr ui::FormLayout kTestForm{"frmTest", "Test", 2550, 2100, kTestControls};

// Records "load", "click <control>", "query", "unload". Close unloads the form; a close
// is refused while `refuse` is set.
struct Recorder : ui::FormEvents {
  explicit Recorder(ui::Toolkit& toolkit) : form(toolkit.createForm(kTestForm, *this)) {}
  void onLoad() noexcept override { events.emplace_back("load"); }
  void onClick(ui::ControlId id) noexcept override {
    events.push_back("click " + std::string(kTestControls[static_cast<size_t>(id)].name));
    if (id == kClose) form->unload();
  }
  bool onQueryUnload() noexcept override { return events.emplace_back("query"), !refuse; }
  void onUnload() noexcept override { events.emplace_back("unload"); }

  std::unique_ptr<ui::Form> form;
  std::vector<std::string> events;
  bool refuse = false;
};

}  // namespace vlm::test
