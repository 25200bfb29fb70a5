// The import run: its error path, the saved folder, the progress range, the collections.
#include <filesystem>
#include <functional>
#include <tuple>

#include "ShellTestSupport.h"
#include "platform/FileTable.h"
#include "shell/ComponentPath.h"
#include "shell/RegFunClient.h"
#include "support/ErrorOf.h"
#include "textio/modImport.h"
#include "ui/ImportDialog.h"

namespace vlm::testing {
namespace {

using ui::UserAction;

class ImportRunTest : public ShellTest {};

// A run that ends before the hand-over: what the user is shown ("" for nothing) and how
// far the run got.
struct EarlyEnd {
  const char* name;
  std::function<std::string(ImportRunTest&)> setUp;  // returns the text shown
  size_t loads, pathWrites, fileDialogs;
};

void failLoad(ImportRunTest& t, int32_t number, std::string description) {
  t.script.objects = 2;
  t.script.openFile = true;
  t.script.raiseNumber = number;
  t.script.raiseDescription = std::move(description);
  t.scriptImport(kObj, t.makeFile("a.obj"));
}

const EarlyEnd kEarlyEnds[] = {
    {"LoadFailsFileNotFound",
     [](ImportRunTest& t) {
       failLoad(t, err::kFileNotFound, "");
       return std::string("File not found");
     },
     1, 1, 1},
    {"LoadFailsWithADescription",
     [](ImportRunTest& t) {
       failLoad(t, err::k3DS, "Error in Chunk 0x4D4D: Length past the end");
       return std::string("Error in Chunk 0x4D4D: Length past the end");
     },
     1, 1, 1},
    {"LoadFailsInputPastEnd",
     [](ImportRunTest& t) {
       failLoad(t, err::kInputPastEnd, "");
       return std::string("Input past end of file");
     },
     1, 1, 1},
    {"FileDialogCancelled",
     [](ImportRunTest& t) {
       t.toolkit.whenIdle(UserAction::select("cmbFormat", kObj));
       t.pressWhenIdle("cmdImport");
       t.toolkit.cancelFileDialog();
       return std::string();
     },
     0, 0, 1},
    // The folder is saved before the file is found missing.
    {"MissingFile",
     [](ImportRunTest& t) {
       const std::string missing = t.folder + "none.obj";
       t.scriptImport(kObj, missing);
       return "File not found: " + missing + " (No such file or directory)";
     },
     0, 1, 1},
    {"FormatWithoutImporter",
     [](ImportRunTest& t) {
       t.formats[kPly].create = nullptr;  // a row whose importer is not built in
       t.toolkit.whenIdle(UserAction::select("cmbFormat", kPly));
       t.pressWhenIdle("cmdImport");
       return std::string("ActiveX component can't create object");
     },
     0, 0, 0},
};

class EarlyEndTest : public ImportRunTest, public ::testing::WithParamInterface<EarlyEnd> {};

TEST_P(EarlyEndTest, ClosesFilesHandsNothingOverAndReturnsToIdle) {
  const std::string shown = GetParam().setUp(*this);
  // The dialog once the run has ended and it waits again: open, locked controls enabled,
  // progress, mouse pointer, StopImport.
  std::tuple<bool, bool, float, ui::MousePointer, bool> idle{};
  toolkit.whenIdle(UserAction::call([&] {
    const ui::FormModel& form = *toolkit.lastForm();
    bool enabled = true;
    for (const char* name : {"cmbFormat", "cmdImport", "chkAutoSmooth", "chkNorm", "chkSmooth"}) {
      enabled = enabled && form.control(name).enabled;
    }
    idle = {form.isOpen(), enabled, form.control("ProgressBar1").bar.value, toolkit.mousePointer(),
            modImport::StopImport};
  }));
  pressWhenIdle("cmdCancel");
  EXPECT_EQ(showDialog(), -1);
  if (shown.empty()) {
    EXPECT_TRUE(toolkit.messages().empty());
  } else {
    ASSERT_EQ(toolkit.messages().size(), 1u);
    const ui::MessageRecord& m = toolkit.messages()[0];
    EXPECT_EQ(m.text, shown);
    EXPECT_EQ(m.icon, ui::MsgIcon::Exclamation);
    EXPECT_EQ(m.buttons, ui::MsgButtons::Ok);
    EXPECT_EQ(m.title, "VLMImport");
  }
  EXPECT_EQ(importerLog.loadedFiles.size(), GetParam().loads);
  EXPECT_EQ(settings.calls("WriteValue", "Path").size(), GetParam().pathWrites);
  EXPECT_EQ(toolkit.fileDialogs().size(), GetParam().fileDialogs);
  EXPECT_EQ(fileTable().find(1), nullptr);
  EXPECT_FALSE(called("Prepare_Import"));
  EXPECT_EQ(idle, std::make_tuple(true, true, 0.0f, ui::MousePointer::Default, true));
}

INSTANTIATE_TEST_SUITE_P(Runs, EarlyEndTest, ::testing::ValuesIn(kEarlyEnds),
                         [](const auto& info) { return std::string(info.param.name); });

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

// Load gets the chosen file, a progress range of the file's length plus one and the
// option boxes as the user left them in this dialog; the dialog is released afterwards.
TEST_F(ImportRunTest, LoadSeesTheFileTheProgressRangeAndTheOptionsAsLeft) {
  std::vector<float> maxima;
  std::vector<std::vector<int16_t>> boxes;
  script.duringLoad = [&] {
    maxima.push_back(ui::importDialog().progressMax());
    boxes.push_back({ui::importDialog().chkNormValue(), ui::importDialog().chkSmoothValue()});
  };
  toolkit.whenIdle(UserAction::select("cmbFormat", kObj));
  toolkit.whenIdle(UserAction::setCheck("chkNorm", false));
  const std::string empty = makeFile("empty.obj", "");
  scriptImport(kObj, empty);
  showDialog();
  const std::string ten = makeFile("ten.ply", "0123456789");
  scriptImport(kPly, ten);
  showDialog();
  EXPECT_EQ(importerLog.loadedFiles, (std::vector<std::string>{empty, ten}));
  EXPECT_EQ(maxima, (std::vector<float>{1, 11}));
  EXPECT_EQ(boxes, (std::vector<std::vector<int16_t>>{{0, 1}, {1, 1}}));
  EXPECT_EQ(test::errorOf([] { ui::importDialog(); }), err::kObjectVarNotSet);
}

TEST_F(ImportRunTest, NoObjectsCollectedClosesWithoutHandingOver) {
  script.objects = 0;
  scriptImport(kDxf, makeFile("a.dxf"));
  EXPECT_EQ(showDialog(), -1);
  EXPECT_TRUE(hostCalls().empty());
  EXPECT_FALSE(lastForm().isOpen());
  EXPECT_TRUE(modImport::StopImport);
}

TEST_F(ImportRunTest, Only3dsPassesMaterialsAndTheImportersOwnCollectionsAreHandedOver) {
  scriptImport(kObj, makeFile("a.obj"));
  showDialog();
  EXPECT_FALSE(importerLog.materialsGiven);
  recorder.clearRecords();
  script.newCollections = true;
  script.materials = 2;
  scriptImport(k3ds, makeFile("a.3ds"));
  EXPECT_EQ(showDialog(), 1);
  EXPECT_TRUE(importerLog.materialsGiven);
  EXPECT_EQ(importerLog.positionsTaken, 1);
  int materialsAdded = 0;
  for (const auto& r : recorder.records()) {
    if (r.receiver == "ListMaterials" && r.member == "Add") ++materialsAdded;
  }
  EXPECT_EQ(materialsAdded, 2);
}

}  // namespace
}  // namespace vlm::testing
