// The hand-over of the imported objects and materials: every host call, its arguments
// and their order, for OBJ-like and 3DS-like imports; SelectedObject; failing calls.
#include "ShellTestSupport.h"

namespace vlm::testing {
namespace {

using Lines = std::vector<std::string>;
using ui::UserAction;

class HandOverTest : public ShellTest {
 protected:
  int32_t import(int32_t format, const std::string& file) {
    scriptImport(format, makeFile(file));
    return showDialog();
  }
};

TEST_F(HandOverTest, ThreeObjectsGoInAsFirstAndTwoChildrenOfItsKey) {
  script.objects = 3;
  EXPECT_EQ(import(kObj, "a.obj"), 1);
  EXPECT_EQ(hostCalls(), (Lines{
                             "scene.Prepare_Import call ()",
                             "ListObjects.Add call (Object object#1)",
                             "object#1.Key get ()",
                             "ListObjects.Count get ()",
                             "ListObjects.Add call (Object object#2, Missing, String \"Obj1\")",
                             "ListObjects.Add call (Object object#3, Missing, String \"Obj1\")",
                             "ListObjects.[default] get (String \"Obj1\")",
                             "object#1.Center call ()",
                         }));
}

TEST_F(HandOverTest, SelectedObjectIsTheListCountAfterTheFirstAdd) {
  script.objects = 2;
  EXPECT_EQ(import(kObj, "a.obj"), 1);
  script.objects = 1;
  EXPECT_EQ(import(kPly, "b.ply"), 3);  // two objects were already in the scene
  EXPECT_EQ(import(kInc, "c.inc"), 4);
}

TEST_F(HandOverTest, OneObjectWithTwoMaterialsAndAutoSmoothing) {
  script.objects = 1;
  script.materials = 2;
  script.position = {1.5f, -2.0f, 0.25f};
  EXPECT_EQ(import(k3ds, "a.3ds"), 1);
  EXPECT_EQ(hostCalls(), (Lines{
                             "scene.Prepare_Import call ()",
                             "ListMaterials.Add call (Object material#1)",
                             "ListMaterials.Add call (Object material#2)",
                             "ListObjects.Add call (Object object#1)",
                             "ListObjects.[default] get (Integer 1)",
                             "object#1.Key get ()",
                             "scene.Assign_MaterialToObject call (Integer 1)",
                             "ListObjects.[default] get (String \"Obj1\")",
                             "object#1.Center call ()",
                             "ListObjects.[default] get (String \"Obj1\")",
                             "object#1.SmoothNormalsAdaptive call (Integer 60)",
                             "ListObjects.[default] get (String \"Obj1\")",
                             "object#1.PosX put (Single 1.5)",
                             "ListObjects.[default] get (String \"Obj1\")",
                             "object#1.PosY put (Single -2)",
                             "ListObjects.[default] get (String \"Obj1\")",
                             "object#1.PosZ put (Single 0.25)",
                         }));
}

TEST_F(HandOverTest, UntickedAutoSmoothingLeavesOutTheSmoothing) {
  script.objects = 1;
  toolkit.whenIdle(UserAction::select("cmbFormat", k3ds));
  toolkit.whenIdle(UserAction::setCheck("chkAutoSmooth", false));
  import(k3ds, "a.3ds");
  for (const std::string& line : hostCalls()) {
    EXPECT_EQ(line.find("SmoothNormalsAdaptive"), std::string::npos) << line;
  }
  EXPECT_EQ(hostCalls().back(), "object#1.PosZ put (Single 0)");
}

TEST_F(HandOverTest, SeveralObjectsGetTheirMaterialsByKeyThenByCount) {
  script.objects = 3;
  EXPECT_EQ(import(k3ds, "a.3ds"), 1);
  const Lines calls = hostCalls();
  const Lines head(calls.begin(), calls.begin() + 11);
  EXPECT_EQ(head, (Lines{
                      "scene.Prepare_Import call ()",
                      "ListObjects.Add call (Object object#1)",
                      "object#1.Key get ()",
                      "object#1.Key get ()",
                      "scene.Assign_MaterialToObject call (String \"Obj1\")",
                      "ListObjects.Add call (Object object#2, Missing, String \"Obj1\")",
                      "ListObjects.Count get ()",
                      "scene.Assign_MaterialToObject call (Long 2)",
                      "ListObjects.Add call (Object object#3, Missing, String \"Obj1\")",
                      "ListObjects.Count get ()",
                      "scene.Assign_MaterialToObject call (Long 3)",
                  }));
  EXPECT_EQ(calls[12], "object#1.Center call ()");
  EXPECT_EQ(calls[14], "object#1.SmoothNormalsAdaptive call (Integer 60)");
}

TEST_F(HandOverTest, AFailingHostCallIsPassedOverAndTheRestStillRuns) {
  script.objects = 3;
  recorder.failCall({"ListObjects", "Add", 2, err::kInvalidCall, "", "Velmo"});
  recorder.failCall({"scene", "Prepare_Import", 0, err::kTypeMismatch, "", "Velmo"});
  EXPECT_EQ(import(kObj, "a.obj"), 1);
  const Lines calls = hostCalls();
  EXPECT_EQ(calls.front(), "scene.Prepare_Import call () -> error 13");
  EXPECT_EQ(calls[4],
            "ListObjects.Add call (Object object#2, Missing, String \"Obj1\") -> error 5");
  EXPECT_EQ(calls[5], "ListObjects.Add call (Object object#3, Missing, String \"Obj1\")");
  EXPECT_EQ(calls.back(), "object#1.Center call ()");
  EXPECT_TRUE(toolkit.messages().empty());
  EXPECT_FALSE(lastForm().isOpen());
}

TEST_F(HandOverTest, NoSceneMeansEveryStepFailsQuietly) {
  scene = nullptr;
  script.objects = 2;
  EXPECT_EQ(import(k3ds, "a.3ds"), 1);  // the fixed 1 is set without the scene
  EXPECT_TRUE(toolkit.messages().empty());
  EXPECT_FALSE(lastForm().isOpen());
}

}  // namespace
}  // namespace vlm::testing
