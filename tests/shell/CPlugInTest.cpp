// CPlugIn as the host sees it: members by name, ExecutePlugIn's steps and results.
#include <array>

#include "ShellTestSupport.h"
#include "platform/Dispatch.h"
#include "shell/CPlugIn.h"
#include "shell/VLMImportIds.h"
#include "ui/ImportDialog.h"

namespace vlm::testing {
namespace {

using ui::UserAction;

class CPlugInTest : public ShellTest {
 protected:
  // ExecutePlugIn called by name, as a host does, with `scene` by reference.
  Variant execute(CPlugIn& plugIn, Variant argument) {
    std::array<Variant, 1> args{std::move(argument)};
    args[0].byRef();
    invokeByName(plugIn, "ExecutePlugIn", InvokeKind::Method, args);
    return args[0];
  }
  Variant get(CPlugIn& plugIn, std::string_view member) {
    return invokeByName(plugIn, member, InvokeKind::PropertyGet, {});
  }
};

TEST_F(CPlugInTest, MembersAnswerByNameWithTheInterfacesIdsAndNameIsReadOnly) {
  CPlugIn plugIn(formats);
  EXPECT_EQ(get(plugIn, "Name").toString(), "Import Object v1.5");
  EXPECT_EQ(get(plugIn, "PlugInType").type(), VarType::Long);
  EXPECT_EQ(get(plugIn, "PlugInType").toLong(), 3);
  EXPECT_EQ(get(plugIn, "SelectedObject").toLong(), 0);
  EXPECT_EQ(plugInName(2, 10), "Import Object v2.10");
  EXPECT_EQ(plugIn.memberId("name"), 0x68030002);
  EXPECT_EQ(plugIn.memberId("PLUGINTYPE"), vlmimport::kDispIdPlugInType);
  EXPECT_EQ(plugIn.memberId("ExecutePlugIn"), 0x60030003);
  EXPECT_EQ(plugIn.memberId("SelectedObject"), vlmimport::kDispIdSelectedObject);
  std::array<Variant, 1> value{Variant("other")};
  Variant result;
  ErrorInfo error;
  EXPECT_EQ(plugIn.invoke(vlmimport::kDispIdName, InvokeKind::PropertyPut, value, &result, &error),
            hr::kException);
  EXPECT_EQ(get(plugIn, "Name").toString(), "Import Object v1.5");
}

TEST_F(CPlugInTest, CancelAtOnceGivesMinusOneAndTheSameSceneBack) {
  CPlugIn plugIn(formats);
  pressWhenIdle("cmdCancel");
  const Variant back = execute(plugIn, Variant(scene));
  EXPECT_EQ(get(plugIn, "SelectedObject").toLong(), -1);
  ASSERT_TRUE(back.isObject());
  EXPECT_EQ(back.toObject(), scene);
  EXPECT_EQ(toolkit.formsShown(), 1);
}

TEST_F(CPlugInTest, NumberInsteadOfSceneFailsWithoutShowingTheDialog) {
  CPlugIn plugIn(formats);
  std::array<Variant, 1> args{Variant(int32_t{42})};
  args[0].byRef();
  Variant result;
  ErrorInfo error;
  EXPECT_EQ(
      plugIn.invoke(vlmimport::kDispIdExecutePlugIn, InvokeKind::Method, args, &result, &error),
      hr::kException);
  EXPECT_EQ(error.number, err::kObjectRequired);
  EXPECT_EQ(toolkit.formsShown(), 0);
  EXPECT_EQ(get(plugIn, "SelectedObject").toLong(), 0);
  EXPECT_THROW(ui::importDialog(), RuntimeError);  // no instance left behind
}

TEST_F(CPlugInTest, WithoutToolkitTheCallFailsClearly) {
  ui::setToolkit(nullptr);
  CPlugIn plugIn(formats);
  try {
    execute(plugIn, Variant(scene));
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::kCantCreateObject);
    EXPECT_NE(e.description().find("toolkit"), std::string::npos);
  }
  EXPECT_THROW(ui::importDialog(), RuntimeError);
}

TEST_F(CPlugInTest, TwoCallsInARowEachShowAFreshlyLoadedDialog) {
  CPlugIn plugIn(formats);
  // First call: choose 3DS, untick its box, import two objects.
  script.objects = 2;
  toolkit.whenIdle(UserAction::select("cmbFormat", k3ds));
  toolkit.whenIdle(UserAction::setCheck("chkAutoSmooth", false));
  pressWhenIdle("cmdImport");
  toolkit.answerFileDialog(makeFile("a.3ds"));
  execute(plugIn, Variant(scene));
  EXPECT_EQ(get(plugIn, "SelectedObject").toLong(), 1);
  const auto first = toolkit.lastForm();

  // Second call: the user cancels at once.
  pressWhenIdle("cmdCancel");
  execute(plugIn, Variant(scene));
  const auto second = toolkit.lastForm();
  EXPECT_EQ(toolkit.formsShown(), 2);
  ASSERT_NE(first, second);
  EXPECT_EQ(second->loads(), 1);
  EXPECT_EQ(second->control("chkAutoSmooth").value, 1);      // options start over
  EXPECT_EQ(second->control("cmbFormat").items.size(), 5u);  // the list is filled once
  EXPECT_EQ(second->control("cmbFormat").listIndex, k3ds);   // the saved format
  EXPECT_EQ(get(plugIn, "SelectedObject").toLong(), -1);
}

}  // namespace
}  // namespace vlm::testing
