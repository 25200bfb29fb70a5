// The import run: its error path, the saved folder, the progress range, the collections.
#include <filesystem>

#include "ShellTestSupport.h"
#include "platform/FileTable.h"
#include "shell/ComponentPath.h"
#include "shell/RegFunClient.h"
#include "textio/modImport.h"
#include "ui/ImportDialog.h"

namespace vlm::testing {
namespace {

using ui::UserAction;

class ImportRunTest : public ShellTest {
 protected:
  bool called(const std::string& member) const {
    for (const auto& r : recorder.records()) {
      if (r.member == member) return true;
    }
    return false;
  }

  // Probes the dialog once the run has ended and the dialog waits again.
  void probeIdleState() {
    toolkit.whenIdle(UserAction::call([this] {
      const ui::FormModel& form = *toolkit.lastForm();
      idle.open = form.isOpen();
      idle.enabled = form.control("cmbFormat").enabled && form.control("cmdImport").enabled &&
                     form.control("chkAutoSmooth").enabled && form.control("chkNorm").enabled &&
                     form.control("chkSmooth").enabled;
      idle.progress = form.control("ProgressBar1").progress;
      idle.pointer = toolkit.mousePointer();
      idle.stopImport = modImport::StopImport;
    }));
  }

  struct {
    bool open = false;
    bool enabled = false;
    float progress = -1;
    ui::MousePointer pointer = ui::MousePointer::Hourglass;
    bool stopImport = false;
  } idle;
};

struct Failure {
  int32_t number;
  std::string description;
  std::string shown;
};

TEST_F(ImportRunTest, FailureInLoadClosesFilesDropsObjectsAndShowsItsDescription) {
  const Failure failures[] = {
      {err::kFileNotFound, "", "File not found"},
      {err::k3DS, "Error in Chunk 0x4D4D: Length past the end",
       "Error in Chunk 0x4D4D: Length past the end"},
      {err::kInputPastEnd, "", "Input past end of file"},
  };
  for (const Failure& f : failures) {
    SCOPED_TRACE(f.number);
    recorder.clearRecords();
    script.objects = 2;
    script.openFile = true;
    script.raiseNumber = f.number;
    script.raiseDescription = f.description;
    const size_t shownBefore = toolkit.messages().size();
    scriptImport(kObj, makeFile("a.obj"));
    probeIdleState();
    pressWhenIdle("cmdCancel");

    EXPECT_EQ(showDialog(), -1);
    ASSERT_EQ(toolkit.messages().size(), shownBefore + 1);
    const ui::MessageRecord& m = toolkit.messages().back();
    EXPECT_EQ(m.text, f.shown);
    EXPECT_EQ(m.icon, ui::MsgIcon::Exclamation);
    EXPECT_EQ(m.buttons, ui::MsgButtons::Ok);
    EXPECT_EQ(m.title, "VLMImport");
    EXPECT_EQ(fileTable().find(1), nullptr);
    EXPECT_FALSE(called("Prepare_Import"));
    EXPECT_TRUE(idle.open);
    EXPECT_TRUE(idle.enabled);
    EXPECT_EQ(idle.progress, 0);
    EXPECT_EQ(idle.pointer, ui::MousePointer::Default);
    EXPECT_TRUE(idle.stopImport);
  }
}

TEST_F(ImportRunTest, TypeMismatchInLoadIsIgnoredAndWhatWasReadIsHandedOver) {
  script.objects = 2;
  script.raiseNumber = err::kTypeMismatch;
  scriptImport(kObj, makeFile("a.obj"));
  EXPECT_EQ(showDialog(), 1);
  EXPECT_TRUE(toolkit.messages().empty());
  EXPECT_TRUE(called("Prepare_Import"));
  EXPECT_TRUE(called("Center"));
  EXPECT_FALSE(lastForm().isOpen());
}

TEST_F(ImportRunTest, TypeMismatchInAnEarlierStepResumesWithTheNextStep) {
  // A saved folder that is no text: setting the start folder fails with error 13.
  settings.store(pathSettingsKey("obj"), "Path", Variant(scene));
  scriptImport(kObj, makeFile("a.obj"));
  EXPECT_EQ(showDialog(), 1);
  EXPECT_TRUE(toolkit.messages().empty());
  ASSERT_EQ(toolkit.fileDialogs().size(), 1u);
  EXPECT_EQ(toolkit.fileDialogs()[0].initDir, "");
  EXPECT_EQ(importerLog.loadedFiles.size(), 1u);
}

TEST_F(ImportRunTest, CancelledFileDialogReturnsQuietlyToIdle) {
  toolkit.whenIdle(UserAction::select("cmbFormat", kObj));
  pressWhenIdle("cmdImport");
  toolkit.cancelFileDialog();
  probeIdleState();
  pressWhenIdle("cmdCancel");
  EXPECT_EQ(showDialog(), -1);
  EXPECT_TRUE(toolkit.messages().empty());
  EXPECT_TRUE(settings.calls("WriteValue", "Path").empty());
  EXPECT_TRUE(importerLog.loadedFiles.empty());
  EXPECT_TRUE(idle.open);
  EXPECT_TRUE(idle.enabled);
  EXPECT_EQ(idle.progress, 0);
  EXPECT_EQ(idle.pointer, ui::MousePointer::Default);
}

TEST_F(ImportRunTest, MissingFileIsReportedAfterItsFolderWasSaved) {
  const std::string missing = folder + "none.obj";
  scriptImport(kObj, missing);
  pressWhenIdle("cmdCancel");
  EXPECT_EQ(showDialog(), -1);
  EXPECT_EQ(messageTexts(), std::vector<std::string>{"File not found: " + missing +
                                                     " (No such file or directory)"});
  EXPECT_TRUE(importerLog.loadedFiles.empty());
  ASSERT_EQ(settings.calls("WriteValue", "Path").size(), 1u);
}

TEST_F(ImportRunTest, FormatWithoutImporterFailsWithCantCreateObject) {
  formats[kPly].create = nullptr;  // a row whose importer is not built in
  toolkit.whenIdle(UserAction::select("cmbFormat", kPly));
  pressWhenIdle("cmdImport");
  probeIdleState();
  pressWhenIdle("cmdCancel");
  EXPECT_EQ(showDialog(), -1);
  ASSERT_EQ(toolkit.messages().size(), 1u);
  EXPECT_EQ(toolkit.messages()[0].text, "ActiveX component can't create object");
  EXPECT_EQ(toolkit.messages()[0].icon, ui::MsgIcon::Exclamation);
  EXPECT_TRUE(toolkit.fileDialogs().empty());
  EXPECT_TRUE(idle.enabled);
}

TEST_F(ImportRunTest, ChosenFolderIsSavedWithItsSeparatorAndStartsTheNextDialog) {
  std::filesystem::create_directory(folder + "Data");
  const std::string file = makeFile("Data/Part A.obj");
  scriptImport(kObj, file);
  showDialog();
  scriptImport(kObj, file);
  showDialog();

  const auto writes = settings.calls("WriteValue", "Path");
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0].args[0].toLong(), kHKeyLocalMachine);
  EXPECT_EQ(writes[0].args[1].toString(), "SOFTWARE\\Hollavent\\VLMImport\\OBJ");
  EXPECT_EQ(writes[0].args[3].type(), VarType::String);
  EXPECT_EQ(writes[0].args[3].toString(), folder + "Data/");
  ASSERT_EQ(toolkit.fileDialogs().size(), 2u);
  EXPECT_EQ(toolkit.fileDialogs()[0].initDir, componentFolder());
  EXPECT_EQ(toolkit.fileDialogs()[0].filter, "*.obj|*.obj");
  EXPECT_EQ(toolkit.fileDialogs()[1].initDir, folder + "Data/");
}

TEST_F(ImportRunTest, BackslashPathKeepsItsFolderUnderTheFormatsSubKey) {
  scriptImport(k3ds, "C:\\Data\\Part A.3ds");
  pressWhenIdle("cmdCancel");
  showDialog();
  const auto reads = settings.calls("ReadValue", "Path");
  ASSERT_EQ(reads.size(), 1u);
  EXPECT_EQ(reads[0].args[1].toString(), "SOFTWARE\\Hollavent\\VLMImport\\3DS");
  EXPECT_EQ(reads[0].args[3].type(), VarType::String);
  EXPECT_EQ(toolkit.fileDialogs()[0].filter, "*.3ds|*.3ds");
  EXPECT_EQ(settings.stored("SOFTWARE\\Hollavent\\VLMImport\\3DS", "Path")->toString(),
            "C:\\Data\\");
}

TEST_F(ImportRunTest, ProgressMaximumIsTheFileLengthPlusOne) {
  std::vector<float> maxima;
  script.duringLoad = [&] { maxima.push_back(ui::importDialog().progressMax()); };
  scriptImport(kObj, makeFile("empty.obj", ""));
  showDialog();
  scriptImport(kObj, makeFile("ten.obj", "0123456789"));
  showDialog();
  EXPECT_EQ(maxima, (std::vector<float>{1, 11}));
}

TEST_F(ImportRunTest, ImporterReadsTheOptionBoxesAsTheUserLeftThem) {
  std::vector<int16_t> seen;
  script.duringLoad = [&] {
    seen = {ui::importDialog().chkNormValue(), ui::importDialog().chkSmoothValue()};
  };
  toolkit.whenIdle(UserAction::select("cmbFormat", kObj));
  toolkit.whenIdle(UserAction::setCheck("chkNorm", false));
  scriptImport(kObj, makeFile("a.obj"));
  showDialog();
  EXPECT_EQ(seen, (std::vector<int16_t>{0, 1}));
}

TEST_F(ImportRunTest, NoObjectsCollectedClosesWithoutHandingOver) {
  script.objects = 0;
  scriptImport(kDxf, makeFile("a.dxf"));
  EXPECT_EQ(showDialog(), -1);
  EXPECT_TRUE(hostCalls().empty());
  EXPECT_FALSE(lastForm().isOpen());
  EXPECT_TRUE(modImport::StopImport);
}

TEST_F(ImportRunTest, OnlyThe3dsRunPassesAMaterialCollection) {
  scriptImport(kObj, makeFile("a.obj"));
  showDialog();
  EXPECT_FALSE(importerLog.materialsGiven);
  scriptImport(k3ds, makeFile("a.3ds"));
  showDialog();
  EXPECT_TRUE(importerLog.materialsGiven);
  EXPECT_EQ(importerLog.positionsTaken, 1);
}

TEST_F(ImportRunTest, CollectionsTheImporterPutsInPlaceAreTheOnesHandedOver) {
  script.newCollections = true;
  script.objects = 1;
  script.materials = 2;
  scriptImport(k3ds, makeFile("a.3ds"));
  EXPECT_EQ(showDialog(), 1);
  int materialsAdded = 0;
  for (const auto& r : recorder.records()) {
    if (r.receiver == "ListMaterials" && r.member == "Add") ++materialsAdded;
  }
  EXPECT_EQ(materialsAdded, 2);
}

TEST_F(ImportRunTest, LoadGetsTheChosenFileAndDialogIsReleasedAfterwards) {
  const std::string file = makeFile("model.ply");
  scriptImport(kPly, file);
  showDialog();
  EXPECT_EQ(importerLog.loadedFiles, std::vector<std::string>{file});
  try {
    ui::importDialog();
    FAIL() << "the dialog instance outlived the dialog";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), err::kObjectVarNotSet);
  }
}

}  // namespace
}  // namespace vlm::testing
