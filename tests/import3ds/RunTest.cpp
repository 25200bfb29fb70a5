// A 3DS file through the whole import run: the dialog, the importer and the hand-over
// of its materials and objects to a reference scene, with the host calls recorded.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <utility>

#include "ChunkBuilder.h"
#include "SettingsStage.h"
#include "import3ds/CImp_3DS.h"
#include "platform/ObjectRegistry.h"
#include "refhost/CallRecorder.h"
#include "refhost/ReferenceScene.h"
#include "shell/frmImport.h"
#include "shell/frmImportLayout.h"
#include "support/ImporterTestSupport.h"
#include "ui/HeadlessToolkit.h"

namespace vlm::test3ds {
namespace {

class ImportRun : public ::testing::Test {
 protected:
  ImportRun() {
    test::resetComponentState();
    installSettingsComponent(dir.path().string());
    ui::setToolkit(&toolkit);
    recorder.registerReferenceClasses();
    sceneRef = recorder.wrapScene(scene.dispatch());
  }
  ~ImportRun() override {
    ui::setToolkit(nullptr);
    refhost::registerReferenceHostClasses();
    removeSettingsComponent();
    test::resetComponentState();
  }

  // The user picks the 3DS format, presses Import and chooses a file holding `bytes`.
  int32_t importFile(const std::string& bytes) {
    toolkit.whenIdle(ui::UserAction::select("cmbFormat", 0));
    toolkit.whenIdle(ui::UserAction::click("cmdImport"));
    toolkit.answerFileDialog(dir.write("model.3ds", bytes));
    frmImport dialog(formats);
    dialog.setObjScene(sceneRef);
    dialog.Show();
    return dialog.SelectedObject();
  }

  test::TempDir dir;
  ui::HeadlessToolkit toolkit;
  refhost::CallRecorder recorder;
  refhost::ReferenceScene scene;
  ObjectRef sceneRef;
  const std::array<FormatRow, 1> formats{{
      {"3DStudio (3ds)", "3ds", frmImportControls::fra3DStudio,
       &createImporterOf<ObjectAndMaterialImporter<CImp_3DS>>},
  }};
};

const std::string kTwoMaterials =
    material(materialName("Red") + chunk(0xA020, byteColor(200, 0, 0))) +
    material(materialName("Blue") + chunk(0xA020, byteColor(0, 0, 200)));

std::string meshObject(std::string_view name, std::string_view materialName,
                       const Vertex& translation) {
  return namedObject(
      name, triMesh(vertexList({{0, 0, 0}, {2, 0, 0}, {0, 4, 0}}) +
                    faceList({{0, 1, 2}}, faceMaterial(materialName, {0})) + matrix(translation)));
}

// The hand-over's calls and their order are the shell's; here the importer's objects and
// materials must arrive named, bound and placed.
TEST_F(ImportRun, SeveralObjectsFollowTheFirstAndOnlyItsMatrixPlacesThem) {
  const int32_t selected = importFile(
      file3ds(editor(kTwoMaterials + meshObject("A", "Red", {1, 2, 3}) +
                     meshObject("B", "Blue", {7, 8, 9}) + meshObject("C", "Red", {4, 5, 6}))));
  EXPECT_EQ(selected, 1);
  EXPECT_TRUE(toolkit.messages().empty());
  ASSERT_EQ(scene.objectCount(), 3u);
  ASSERT_EQ(scene.materialCount(), 2u);
  EXPECT_EQ(scene.object(1).parent().get(), &scene.object(0));
  EXPECT_EQ(scene.object(2).parent().get(), &scene.object(0));
  const char *const names[] = {"A", "B", "C"}, *const bound[] = {"Red", "Blue", "Red"};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(scene.object(i).name(), names[i]);
    ASSERT_NE(scene.object(i).material(), nullptr) << names[i];
    EXPECT_EQ(scene.object(i).material()->name(), bound[i]);
    EXPECT_EQ(scene.object(i).mesh().vertexCount(), 3);
  }
  EXPECT_EQ(scene.object(0).position(), (std::array<float, 3>{1, 3, 2}));
}

TEST_F(ImportRun, FailureShowsTheTraceAndHandsNothingOver) {
  importFile(file3ds(editor(meshObject("A", "Red", {0, 0, 0}) +
                            material(materialName("M") + chunk(0xA020, intPercent(5))))));
  ASSERT_EQ(toolkit.messages().size(), 1u);
  EXPECT_EQ(toolkit.messages()[0].text, "(MAT DIFFUSE) (BYTE COLOR CHUNK) ");
  EXPECT_EQ(toolkit.messages()[0].icon, ui::MsgIcon::Exclamation);
  EXPECT_TRUE(std::none_of(recorder.records().begin(), recorder.records().end(),
                           [](const auto& r) { return r.member == "Prepare_Import"; }));
  EXPECT_EQ(scene.objectCount(), 0u);
  EXPECT_EQ(scene.materialCount(), 0u);
}

TEST_F(ImportRun, SampleFileImportsItsHouseWithBoundMaterials) {
  std::ifstream in(VLM_SAMPLE_3DS, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(bytes.empty()) << VLM_SAMPLE_3DS;
  EXPECT_EQ(importFile(bytes), 1);
  EXPECT_TRUE(toolkit.messages().empty());
  ASSERT_EQ(scene.objectCount(), 3u);
  ASSERT_EQ(scene.materialCount(), 3u);
  const std::array<std::pair<const char*, const char*>, 3> bound{
      {{"Walls", "Brick"}, {"Roof", "Slate"}, {"Base plate", "Glass"}}};
  for (size_t i = 0; i < bound.size(); ++i) {
    EXPECT_EQ(scene.object(i).name(), bound[i].first);
    ASSERT_NE(scene.object(i).material(), nullptr) << bound[i].first;
    EXPECT_EQ(scene.object(i).material()->name(), bound[i].second);
  }
  EXPECT_EQ(scene.object(0).position(), (std::array<float, 3>{0, 1, 0}));
  EXPECT_EQ(scene.object(1).mesh().triangleCount(), 6);
  EXPECT_EQ(scene.material(1).color(), 64 + 256 * 76 + 65536 * 90);
  EXPECT_FLOAT_EQ(scene.material(2).opacity(), 0.3f);
}

}  // namespace
}  // namespace vlm::test3ds
