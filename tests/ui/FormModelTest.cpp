// The control model's rules: values the classic controls refuse, z-order, hidden frames.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "platform/Error.h"
#include "support/ErrorOf.h"
#include "ui/FormModel.h"

namespace vlm::ui {
namespace {

enum Id : ControlId { kBack, kBox, kFront, kList, kBar, kDialog, kCount };

// Two frames on top of each other, a box in the lower one, a list, a bar, a dialog.
const std::array<ControlSpec, kCount> kControls{{
    {"fraBack", ControlKind::Frame, "Back", {0, 0, 100, 100}, 0},
    {"chkBox", ControlKind::CheckBox, "Box", {10, 10, 50, 20}, 1, kBack, 1},
    {"fraFront", ControlKind::Frame, "Front", {0, 0, 100, 100}, 2},
    {"cmbList", ControlKind::ComboBox, "", {0, 200, 100, 20}, 3},
    {"barProgress", ControlKind::ProgressBar, "", {0, 300, 100, 20}, 4},
    {"dlgOpen", ControlKind::CommonDialog, "", {}, -1},
}};
const FormSpec kSpec{"frmTest", "Test", 100, 400, kControls};

using test::errorOf;

TEST(FormModel, KeepsItsOwnCopiesOfTheDescriptionsTexts) {
  std::string name = "chkTemporary", text = "Temporary";
  const ControlSpec control{name, ControlKind::CheckBox, text, {}, 0};
  FormModel model(FormSpec{"frm", "Caption", 10, 10, std::span(&control, 1)});
  name.assign(name.size(), 'x');
  text.assign(text.size(), 'x');
  EXPECT_EQ(model.control(0).name, "chkTemporary");
  EXPECT_EQ(model.control(0).text, "Temporary");
  EXPECT_EQ(model.find("CHKTEMPORARY"), 0);
}

TEST(FormModel, ListIndexOutsideTheEntriesIsRefusedAndKeepsTheOldOne) {
  FormModel model(kSpec);
  model.addItem(kList, "a");
  model.addItem(kList, "b");
  EXPECT_TRUE(model.setListIndex(kList, 1));
  EXPECT_FALSE(model.setListIndex(kList, 1));  // no change, no event
  for (int32_t bad : {2, 7, -2}) EXPECT_EQ(errorOf([&] { model.setListIndex(kList, bad); }), 380);
  EXPECT_EQ(model.control(kList).listIndex, 1);
  EXPECT_TRUE(model.setListIndex(kList, -1));
  EXPECT_EQ(model.listText(kList), "");
}

TEST(FormModel, ProgressValueMustStayWithinTheRange) {
  FormModel model(kSpec);
  EXPECT_EQ(model.control(kBar).bar.max, 100);
  model.setProgressMax(kBar, 11);
  model.setProgressValue(kBar, 11);
  EXPECT_EQ(errorOf([&] { model.setProgressValue(kBar, 12); }), 380);
  EXPECT_EQ(errorOf([&] { model.setProgressValue(kBar, -1); }), 380);
  EXPECT_EQ(errorOf([&] { model.setProgressMax(kBar, 0); }), 380);
  model.setProgressMax(kBar, 5);  // a lower maximum pulls the value down with it
  EXPECT_EQ(model.control(kBar).bar.value, 5);
}

// Check values are 0, 1 or 2; properties of another kind of control do not exist.
TEST(FormModel, CheckValuesOutsideZeroToTwoAndOtherKindsPropertiesAreRefused) {
  FormModel model(kSpec);
  EXPECT_EQ(model.control(kBox).value, 1);  // the start state
  EXPECT_TRUE(model.setCheckValue(kBox, 0));
  EXPECT_EQ(errorOf([&] { model.setCheckValue(kBox, 3); }), 380);
  EXPECT_EQ(model.control(kBox).value, 0);
  EXPECT_EQ(errorOf([&] { model.setListIndex(kBox, 0); }), err::kNoSuchMember);
  EXPECT_EQ(errorOf([&] { model.setProgressValue(kList, 0); }), err::kNoSuchMember);
  EXPECT_EQ(errorOf([&] { model.setEnabled(kCount, false); }), err::kSubscript);
}

TEST(FormModel, LaterFrameLiesInFrontUntilAnotherIsBroughtForward) {
  FormModel model(kSpec);
  EXPECT_EQ(model.frontFrame(), "fraFront");
  EXPECT_TRUE(model.isHidden(kBox));
  model.bringToFront(kBack);
  EXPECT_EQ(model.frontFrame(), "fraBack");
  EXPECT_FALSE(model.isHidden(kBox));
  model.bringToFront(kFront);
  EXPECT_TRUE(model.isHidden(kBox));
}

}  // namespace
}  // namespace vlm::ui
