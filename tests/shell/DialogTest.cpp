// frmImport's load, format change, Import without a format, closing and its layout.
#include <set>

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

TEST_F(DialogTest, FirstUseSelectsWaveFrontWithItsOptionsAndEverythingTicked) {
  pressWhenIdle("cmdCancel");
  EXPECT_EQ(showDialog(), -1);
  const ui::FormModel& form = lastForm();
  EXPECT_EQ(form.listText(form.find("cmbFormat")), "WaveFront (obj)");
  EXPECT_EQ(form.frontFrame(), "fraWaveFront");
  EXPECT_EQ(form.control("cmbFormat").items,
            (std::vector<std::string>{"WaveFront (obj)", "AutoCad (dxf)", "3DStudio (3ds)",
                                      "PovRay (inc)", "PLY (ply)"}));
  for (const char* box : {"chkNorm", "chkSmooth", "chkAutoSmooth"}) {
    EXPECT_EQ(form.control(box).value, 1) << box;
  }
  EXPECT_EQ(form.caption(), "VLMImport");
  EXPECT_TRUE(modImport::StopImport);
}

TEST_F(DialogTest, LoadReadsFileFormatAsIntegerWithDefaultZero) {
  pressWhenIdle("cmdCancel");
  showDialog();
  const auto reads = settings.calls("ReadValue", "FileFormat");
  ASSERT_EQ(reads.size(), 1u);
  const auto& args = reads[0].args;
  EXPECT_EQ(args[0].type(), VarType::Long);
  EXPECT_EQ(args[0].toLong(), kHKeyLocalMachine);
  EXPECT_EQ(args[1].toString(), "SOFTWARE\\Hollavent\\VLMImport");
  EXPECT_EQ(args[3].type(), VarType::Integer);
  EXPECT_EQ(args[3].toInteger(), 0);
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

TEST_F(DialogTest, EachFormatBringsItsOwnOptionsFrameToTheFront) {
  const std::pair<int32_t, std::string> cases[] = {{k3ds, "fra3DStudio"},  {kDxf, "fraNoOptions"},
                                                   {kObj, "fraWaveFront"}, {kInc, "fraNoOptions"},
                                                   {k3ds, "fra3DStudio"},  {kPly, "fraNoOptions"}};
  std::vector<std::string> seen, want;
  for (const auto& [index, frame] : cases) {
    toolkit.whenIdle(ui::UserAction::select("cmbFormat", index));
    toolkit.whenIdle(
        ui::UserAction::call([&] { seen.emplace_back(toolkit.lastForm()->frontFrame()); }));
    want.push_back(frame);
  }
  pressWhenIdle("cmdCancel");
  showDialog();
  EXPECT_EQ(seen, want);
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

TEST_F(DialogTest, ClosingSavesTheListIndexAsInteger) {
  toolkit.whenIdle(ui::UserAction::select("cmbFormat", k3ds));
  pressWhenIdle("cmdCancel");
  showDialog();
  settings.store(std::string(kSettingsKey), "FileFormat", Variant(int16_t{7}));
  toolkit.whenIdle(ui::UserAction::closeBox());
  showDialog();

  const auto writes = settings.calls("WriteValue", "FileFormat");
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0].args[0].toLong(), kHKeyLocalMachine);
  EXPECT_EQ(writes[0].args[1].toString(), "SOFTWARE\\Hollavent\\VLMImport");
  EXPECT_EQ(writes[0].args[3].type(), VarType::Integer);
  EXPECT_EQ(writes[0].args[3].toInteger(), 2);
  // Nothing selected (the saved 7 could not be set) saves -1.
  EXPECT_EQ(writes[1].args[3].type(), VarType::Integer);
  EXPECT_EQ(writes[1].args[3].toInteger(), -1);
}

TEST_F(DialogTest, SettingsComponentIsReleasedAfterEachUse) {
  pressWhenIdle("cmdCancel");
  showDialog();
  // One for loading, one for closing: created for each use, never kept.
  EXPECT_EQ(settings.created(), 2);
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
  EXPECT_EQ(form.control("chkNorm").container, form.find("fraWaveFront"));
  EXPECT_EQ(form.control("chkSmooth").container, form.find("fraWaveFront"));
  EXPECT_EQ(form.control("chkAutoSmooth").container, form.find("fra3DStudio"));
  // The progress bar runs along the bottom edge over the full width.
  const auto& bar = form.control("ProgressBar1").rect;
  EXPECT_EQ(bar.left, 0);
  EXPECT_EQ(bar.width, form.clientWidth());
  EXPECT_EQ(bar.top + bar.height, form.clientHeight());
  // Tab indexes 0 to 10, each once; the file dialog has none.
  std::set<int> tabs;
  for (size_t id = 0; id < form.controlCount(); ++id) {
    const ui::ControlState& c = form.control(static_cast<ui::ControlId>(id));
    if (c.kind == ControlKind::CommonDialog) {
      EXPECT_EQ(c.tabIndex, -1);
    } else {
      EXPECT_TRUE(tabs.insert(c.tabIndex).second) << c.name;
    }
  }
  EXPECT_EQ(tabs.size(), 11u);
  EXPECT_EQ(*tabs.begin(), 0);
  EXPECT_EQ(*tabs.rbegin(), 10);
  EXPECT_EQ(form.control("cmdCancel").tabIndex, 0);
}

}  // namespace
}  // namespace vlm::testing
