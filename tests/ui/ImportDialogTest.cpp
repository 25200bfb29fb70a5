// The import-dialog slot and DoEvents, as the importers reach them.
#include <gtest/gtest.h>

#include "platform/Error.h"
#include "ui/HeadlessToolkit.h"
#include "ui/ImportDialog.h"

namespace vlm::ui {
namespace {

class FixedDialog : public IImportDialog {
 public:
  float progressMax() override { return 42; }
  void setProgressValue(float) override {}
  int16_t chkNormValue() override { return 1; }
  int16_t chkSmoothValue() override { return 0; }
};

TEST(ImportDialog, NoDialogIsObjectVariableNotSet) {
  setImportDialog(nullptr);
  try {
    importDialog();
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::kObjectVarNotSet);
  }
  FixedDialog dialog;
  setImportDialog(&dialog);
  EXPECT_EQ(importDialog().progressMax(), 42);
  setImportDialog(nullptr);
}

TEST(ImportDialog, DoEventsReachesTheInstalledToolkitAndIsHarmlessWithoutOne) {
  setToolkit(nullptr);
  DoEvents();
  HeadlessToolkit toolkit;
  setToolkit(&toolkit);
  for (int i = 0; i < 1000; ++i) DoEvents();
  EXPECT_EQ(toolkit.yields(), 1000u);
  setToolkit(nullptr);
  DoEvents();
  EXPECT_EQ(toolkit.yields(), 1000u);
}

TEST(ImportDialog, MessageBoxWithoutToolkitFailsWithAClearError) {
  setToolkit(nullptr);
  try {
    messageBox("x", MsgIcon::None, MsgButtons::Ok, "T");
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::kCantCreateObject);
  }
}

}  // namespace
}  // namespace vlm::ui
