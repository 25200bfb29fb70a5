// frmImport's load, format change, Import without a format, closing and its layout.
#include <algorithm>

#include "ShellTestSupport.h"
#include "shell/RegFunClient.h"
#include "shell/frmImportLayout.h"
#include "textio/modImport.h"

namespace vlm::testing {
namespace {

using ui::ControlKind;
using ui::MsgButtons;
using ui::MsgIcon;

class DialogTest : public ShellTest {};

// The saved FileFormat is read once per dialog and saved once when it closes: as an
// Integer under HKEY_LOCAL_MACHINE, each time through a freshly created component.
TEST_F(DialogTest, FileFormatIsReadAndSavedAsIntegerThroughAFreshComponentEachTime) {
  toolkit.whenIdle(ui::UserAction::select("cmbFormat", k3ds));
  pressWhenIdle("cmdCancel");
  showDialog();
  EXPECT_EQ(settings.created(), 2);
  settings.store(std::string(kSettingsKey), "FileFormat", Variant(int16_t{7}));
  toolkit.whenIdle(ui::UserAction::closeBox());
  showDialog();

  const auto reads = settings.calls("ReadValue", "FileFormat");
  ASSERT_EQ(reads.size(), 2u);
  EXPECT_EQ(reads[0].args[3].type(), VarType::Integer);
  EXPECT_EQ(reads[0].args[3].toInteger(), 0);  // the default
  const auto writes = settings.calls("WriteValue", "FileFormat");
  ASSERT_EQ(writes.size(), 2u);
  for (const SettingsCall& call : {reads[0], writes[0]}) {
    EXPECT_EQ(call.args[0].type(), VarType::Long);
    EXPECT_EQ(call.args[0].toLong(), kHKeyLocalMachine);
    EXPECT_EQ(call.args[1].toString(), "SOFTWARE\\Hollavent\\VLMImport");
  }
  EXPECT_EQ(writes[0].args[3].type(), VarType::Integer);
  EXPECT_EQ(writes[0].args[3].toInteger(), 2);
  // Nothing selected (the saved 7 could not be set) saves -1.
  EXPECT_EQ(writes[1].args[3].type(), VarType::Integer);
  EXPECT_EQ(writes[1].args[3].toInteger(), -1);
}

TEST_F(DialogTest, FirstUseShowsWaveFrontTickedAndEachFormatBringsItsOwnFrame) {
  const std::pair<int32_t, std::string> cases[] = {{k3ds, "fra3DStudio"},  {kDxf, "fraNoOptions"},
                                                   {kObj, "fraWaveFront"}, {kInc, "fraNoOptions"},
                                                   {k3ds, "fra3DStudio"},  {kPly, "fraNoOptions"}};
  std::vector<std::string> seen, want{"fraWaveFront"};
  std::string firstEntry;
  toolkit.whenIdle(ui::UserAction::call([&] {
    const ui::FormModel& form = *toolkit.lastForm();
    firstEntry = form.listText(form.find("cmbFormat"));
    seen.emplace_back(form.frontFrame());
  }));
  for (const auto& [index, frame] : cases) {
    toolkit.whenIdle(ui::UserAction::select("cmbFormat", index));
    toolkit.whenIdle(
        ui::UserAction::call([&] { seen.emplace_back(toolkit.lastForm()->frontFrame()); }));
    want.push_back(frame);
  }
  pressWhenIdle("cmdCancel");
  EXPECT_EQ(showDialog(), -1);
  EXPECT_EQ(firstEntry, "WaveFront (obj)");
  EXPECT_EQ(seen, want);
  const ui::FormModel& form = lastForm();
  EXPECT_EQ(form.control("cmbFormat").items,
            (std::vector<std::string>{"WaveFront (obj)", "AutoCad (dxf)", "3DStudio (3ds)",
                                      "PovRay (inc)", "PLY (ply)"}));
  for (const char* box : {"chkNorm", "chkSmooth", "chkAutoSmooth"}) {
    EXPECT_EQ(form.control(box).value, 1) << box;
  }
  EXPECT_EQ(form.caption(), "VLMImport");
  EXPECT_TRUE(modImport::StopImport);
}

struct SavedFormat {
  Variant saved;
  int32_t listIndex;
  const char* frontFrame;
};

TEST_F(DialogTest, SavedFormatSelectsItsEntryAndFrameOrNothingWhenUnusable) {
  const SavedFormat cases[] = {
      {Variant(int16_t{1}), 1, "fraNoOptions"},
      {Variant(int16_t{2}), 2, "fra3DStudio"},
      {Variant(int16_t{3}), 3, "fraNoOptions"},
      {Variant(int16_t{4}), 4, "fraNoOptions"},
      {Variant(int32_t{0}), 0, "fraWaveFront"},
      {Variant("2"), 2, "fra3DStudio"},
      {Variant(int16_t{-1}), -1, nullptr},
      {Variant(int16_t{7}), -1, nullptr},
      {Variant("abc"), -1, nullptr},
      {Variant(int32_t{70000}), -1, nullptr},
  };
  for (const SavedFormat& c : cases) {
    settings.store(std::string(kSettingsKey), "FileFormat", c.saved);
    pressWhenIdle("cmdCancel");
    showDialog();
    const ui::FormModel& form = lastForm();
    EXPECT_EQ(form.control("cmbFormat").listIndex, c.listIndex) << c.saved.toString();
    if (c.frontFrame) {
      EXPECT_EQ(form.frontFrame(), c.frontFrame) << c.saved.toString();
    }
    EXPECT_TRUE(toolkit.messages().empty());
  }
}

TEST_F(DialogTest, MissingSettingsComponentLoadsWithNoSelectionAndClosingSaysWhy) {
  settings.uninstall();
  pressWhenIdle("cmdCancel");
  EXPECT_EQ(showDialog(), -1);
  EXPECT_EQ(lastForm().control("cmbFormat").listIndex, -1);
  // Loading shows nothing; closing cannot save either, closes anyway and says why.
  EXPECT_FALSE(lastForm().isOpen());
  ASSERT_EQ(toolkit.messages().size(), 1u);
  EXPECT_EQ(toolkit.messages()[0].text, "ActiveX component can't create object");
}

TEST_F(DialogTest, ImportWithoutFormatAsksToSelectOneAndChangesNothing) {
  for (int16_t saved : {int16_t{-1}, int16_t{7}}) {
    settings.store(std::string(kSettingsKey), "FileFormat", Variant(saved));
    pressWhenIdle("cmdImport");
    pressWhenIdle("cmdCancel");
    EXPECT_EQ(showDialog(), -1);
  }
  ASSERT_EQ(toolkit.messages().size(), 2u);
  for (const ui::MessageRecord& m : toolkit.messages()) {
    EXPECT_EQ(m.text, "Select first a File Format!");
    EXPECT_EQ(m.icon, MsgIcon::Information);
    EXPECT_EQ(m.buttons, MsgButtons::Ok);
    EXPECT_EQ(m.title, "VLMImport");
  }
  EXPECT_EQ(importerLog.created, 0);
  EXPECT_TRUE(toolkit.fileDialogs().empty());
}

TEST_F(DialogTest, LayoutFramesOverlapAndBoxesSitInTheirFrames) {
  pressWhenIdle("cmdCancel");
  showDialog();
  const ui::FormModel& form = lastForm();
  EXPECT_EQ(form.clientWidth(), 2535);
  EXPECT_EQ(form.clientHeight(), 2610);
  const auto& noOptions = form.control("fraNoOptions").rect;
  for (const char* frame : {"fraWaveFront", "fra3DStudio"}) {
    const auto& r = form.control(frame).rect;
    EXPECT_EQ(std::tie(r.left, r.top, r.width, r.height),
              std::tie(noOptions.left, noOptions.top, noOptions.width, noOptions.height));
  }
  for (const auto& [box, frame] :
       {std::pair("chkNorm", "fraWaveFront"), std::pair("chkSmooth", "fraWaveFront"),
        std::pair("chkAutoSmooth", "fra3DStudio")}) {
    EXPECT_EQ(form.control(box).container, form.find(frame)) << box;
  }
  // The progress bar runs along the bottom edge over the full width.
  const auto& bar = form.control("ProgressBar1").rect;
  EXPECT_EQ(bar.left, 0);
  EXPECT_EQ(bar.width, form.clientWidth());
  EXPECT_EQ(bar.top + bar.height, form.clientHeight());
  // Tab indexes 0 to 10, each once; the file dialog has none.
  std::vector<int> tabs;
  for (size_t id = 0; id < form.controlCount(); ++id) {
    const ui::ControlState& c = form.control(static_cast<ui::ControlId>(id));
    EXPECT_EQ(c.kind == ControlKind::CommonDialog, c.tabIndex == -1) << c.name;
    if (c.tabIndex >= 0) tabs.push_back(c.tabIndex);
  }
  std::sort(tabs.begin(), tabs.end());
  EXPECT_EQ(tabs, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(form.control("cmdCancel").tabIndex, 0);
}

}  // namespace
}  // namespace vlm::testing
