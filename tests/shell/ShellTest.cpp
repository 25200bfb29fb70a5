// CPlugIn and its dialog with a scripted user, real settings, the recording host and
// importer doubles (whole imports' host calls are in the golden traces).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <optional>

#include "../settings/SettingsTestSupport.h"
#include "host/HostObjects.h"
#include "platform/Dispatch.h"
#include "fileio/FileTable.h"
#include "platform/ObjectRegistry.h"
#include "refhost/CallRecorder.h"
#include "settings/SettingsStore.h"
#include "shell/CPlugIn.h"
#include "shell/frmImport.h"
#include "support/ErrorOf.h"
#include "support/TempDir.h"
#include "ui/HeadlessToolkit.h"
#include "ui/ImportDialog.h"

namespace vlm {
// From settings/RegFun.h, whose name for the settings ProgID clashes with the shell's own.
void registerSettingsComponent();
void unregisterSettingsComponent();

namespace {

using Lines = std::vector<std::string>;
using ui::MsgResult;
using ui::UserAction;
enum FormatIndex : int32_t { kObj, kDxf, k3ds, kInc, kPly };  // the dialog's list

// What every importer double does in Load, in this order.
struct ImporterScript {
  Lines loadedFiles;                 // records the file it was given
  bool openFile = false;             // opens the file as number 1 and leaves it open
  int materials = 0, objects = 1;    // adds host materials (when given a collection), objects
  int waitForStop = 0;               // yields up to this often, ending early on StopImport
  int32_t raiseNumber = 0;           // then raises this (0: nothing)
  std::string raiseDescription;      // empty: the classic description
};

class ScriptedImporter final : public Importer {
 public:
  explicit ScriptedImporter(ImporterScript& script) : s_(script) {}

  void Load(ImportContext& import, CollectionRef& objects, CollectionRef& materials) override {
    s_.loadedFiles.push_back(import.FileName);
    import.showProgress(1);
    if (s_.openFile) import.Open();
    for (int i = 0; materials && i < s_.materials; ++i)
      materials->Add(host::HostMaterial::create().ref());
    for (int i = 0; i < s_.objects; ++i) objects->Add(host::HostObject::create().ref());
    for (int i = 0; i < s_.waitForStop && !import.StopImport; ++i) import.DoEvents();
    if (s_.raiseNumber != 0) raise(s_.raiseNumber, s_.raiseDescription);
  }
  void Get_Position(float& x, float& y, float& z) override { x = y = z = 0; }

 private:
  ImporterScript& s_;
};

class ShellTest : public ::testing::Test {
 protected:
  ShellTest() : formats(formatTable().begin(), formatTable().end()) {
    registerSettingsComponent();
    ui::setToolkit(&toolkit);
    recorder.registerClasses(nullptr, nullptr);
    scene = recorder.wrapScene();
    for (FormatRow& row : formats)
      row.create = [this] { return std::make_unique<ScriptedImporter>(script); };
  }
  ~ShellTest() override {
    ui::setToolkit(nullptr);
    fileTable().CloseAll();
    unregisterSettingsComponent();
    unregisterClass(host::kObjectProgId);
    unregisterClass(host::kMaterialProgId);
  }

  // The user chooses `format`, presses Import and picks `file` (none: cancels).
  void scriptImport(int32_t format, std::optional<std::string> file) {
    toolkit.whenIdle(UserAction::select("cmbFormat", format));
    toolkit.whenIdle(UserAction::click("cmdImport"));
    file ? toolkit.answerFileDialog(*file) : toolkit.cancelFileDialog();
  }
  // Shows a dialog over the scene as ExecutePlugIn does; returns its SelectedObject.
  int32_t showDialog() {
    frmImport dialog(formats);
    dialog.setObjScene(scene);
    shown = &dialog;
    dialog.Show();
    stopImportAtClose = dialog.stopImport();
    shown = nullptr;
    return dialog.SelectedObject();
  }
  int32_t import(int32_t format) {
    scriptImport(format, temp.write("a.file", "data"));
    return showDialog();
  }
  const ui::FormModel& form() const { return *toolkit.lastForm(); }

  // Open or closed, how many of the controls a run locks are enabled, the progress, the
  // pointer, whether a run goes on; probed into `out` when next idle (0) or at a yield.
  std::string dialogState() const {
    int enabled = 0;
    for (const char* name : {"cmbFormat", "cmdImport", "chkAutoSmooth", "chkNorm", "chkSmooth"})
      enabled += form().control(name).enabled ? 1 : 0;
    const int bar = static_cast<int>(form().control("ProgressBar1").bar.value);
    return std::string(form().isOpen() ? "open, " : "closed, ") + std::to_string(enabled) +
           " enabled, bar " + std::to_string(bar) + ", " +
           std::string(ui::pointerName(toolkit.mousePointer())) +
           (stopImport() ? ", idle" : ", running");
  }
  void probeState(std::string& out, uint64_t yield = 0) {
    auto probe = UserAction::call([this, &out] { out = dialogState(); });
    yield == 0 ? toolkit.whenIdle(std::move(probe)) : toolkit.atYield(yield, std::move(probe));
  }
  // The message boxes shown, each as "title (icon, buttons): text".
  Lines messages() const {
    Lines lines;
    for (const ui::MessageRecord& m : toolkit.messages()) {
      lines.push_back(m.title + " (" + std::string(ui::iconName(m.icon)) + ", " +
                      std::string(ui::buttonsName(m.buttons)) + "): " + m.text);
    }
    return lines;
  }

  test::TempConfigHome home;
  ui::HeadlessToolkit toolkit;
  refhost::CallRecorder recorder;
  ObjectRef scene;
  ImporterScript script;
  std::vector<FormatRow> formats;
  test::TempDir temp;
  std::string folder = temp.path().string() + "/";
  const frmImport* shown = nullptr;  // the dialog showDialog() shows
  bool stopImportAtClose = false;    // its StopImport when it closed
  // StopImport of the dialog shown, or of the last one once it has closed.
  bool stopImport() const { return shown != nullptr ? shown->stopImport() : stopImportAtClose; }
};

// Members by name in any case, none assignable; ExecutePlugIn hands the scene back and
// leaves no dialog behind, also when it fails.
TEST_F(ShellTest, PlugInMembers) {
  CPlugIn plugIn(formats);
  const std::tuple<const char*, VarType, std::string> members[] = {
      {"name", VarType::String, "Import Object v1.5"},
      {"PLUGINTYPE", VarType::Long, "3"},
      {"selectedObject", VarType::Long, "0"},
  };
  std::array<Variant, 1> args{Variant(int32_t{7})};
  for (const auto& [name, type, value] : members) {
    const Variant got = invokeByName(plugIn, name, InvokeKind::PropertyGet, {});
    EXPECT_EQ(std::tuple(got.type(), got.toString()), std::tuple(type, value)) << name;
    EXPECT_NE(test::errorOf([&] { invokeByName(plugIn, name, InvokeKind::PropertyPut, args); }), 0);
  }
  auto execute = [&](Variant argument) {
    args[0] = std::move(argument);
    args[0].byRef();
    invokeByName(plugIn, "ExecutePlugIn", InvokeKind::Method, args);
  };
  EXPECT_EQ(test::errorOf([&] { execute(Variant(int32_t{42})); }), err::kObjectRequired);
  EXPECT_EQ(toolkit.formsShown(), 0);
  args[0] = Variant();
  execute(Variant(scene));  // the user closes the dialog at once
  EXPECT_EQ(args[0].isObject() ? args[0].toObject() : nullptr, scene);
  EXPECT_EQ(invokeByName(plugIn, "SelectedObject", InvokeKind::PropertyGet, {}).toLong(), -1);
  ui::setToolkit(nullptr);
  EXPECT_EQ(test::errorOf([&] { execute(Variant(scene)); }), err::kCantCreateObject);
}

// The choice and options frame on load for each saved format (first use: WaveFront; any
// kind that reads as an index), and the Integer saved on closing by the close box (-1:
// none). Without the settings component nothing is chosen, and closing says why it cannot
// save.
TEST_F(ShellTest, SavedFormatIsSelectedOnLoadAndSavedOnClose) {
  const std::pair<std::optional<Variant>, const char*> cases[] = {
      {std::nullopt, "0 fraWaveFront"},          {Variant(int16_t{1}), "1 fraNoOptions"},
      {Variant(int16_t{2}), "2 fra3DStudio"},    {Variant("3"), "3 fraNoOptions"},
      {Variant(int16_t{-1}), "-1 fraNoOptions"}, {Variant(int16_t{5}), "-1 fraNoOptions"},
      {Variant("abc"), "-1 fraNoOptions"},
  };
  const char* key = "SOFTWARE\\Hollavent\\VLMImport";
  for (const auto& [saved, shown] : cases) {
    if (saved) setRegistryValue(RegistryRoot::LocalMachine, key, "FileFormat", *saved);
    std::string seen;
    toolkit.whenIdle(UserAction::call([&] {
      seen = std::to_string(form().control("cmbFormat").listIndex) + " ";
      seen += form().frontFrame();
    }));
    showDialog();
    EXPECT_EQ(seen, shown);
    const auto written = readRegistryValue(RegistryRoot::LocalMachine, key, "FileFormat");
    EXPECT_EQ(std::tuple(written->type(), int{written->toInteger()}),
              std::tuple(VarType::Integer, std::stoi(shown)));
  }
  unregisterSettingsComponent();
  toolkit.whenIdle(UserAction::click("cmdImport"));
  EXPECT_EQ(showDialog(), -1);
  EXPECT_EQ(form().control("cmbFormat").listIndex, -1);
  EXPECT_EQ(messages(),
            (Lines{"VLMImport (information, ok): Select first a File Format!",
                   "VLMImport (exclamation, ok): ActiveX component can't create object"}));
  EXPECT_EQ(dialogState(), "closed, 5 enabled, bar 0, default, idle");
  EXPECT_EQ(toolkit.fileDialogs().size(), 0u);
}

constexpr const char* kIdle = "open, 5 enabled, bar 0, default, idle";

std::optional<Variant> savedPath(const std::string& format) {
  return readRegistryValue(RegistryRoot::LocalMachine, "SOFTWARE\\Hollavent\\VLMImport\\" + format,
                           "Path");
}

// The file picked (nullptr: dialog cancelled; "": no importer built in), what Load raises,
// the message ("@": the path picked), whether the folder was saved, the Loads.
struct EarlyEnd {
  const char *name, *pick;
  int32_t raise;
  const char* message;
  bool pathSaved;
  size_t loads;
};

void PrintTo(const EarlyEnd& c, std::ostream* os) {
  *os << c.name << ": pick " << (c.pick ? "\"" + std::string(c.pick) + "\"" : "cancelled")
      << ", Load raises " << c.raise;
}

const EarlyEnd kEarlyEnds[] = {
    {"LoadFailsWithClassicText", "a.obj", err::kFileNotFound, "File not found", true, 1},
    {"LoadFailsWithItsOwnText", "a.obj", err::k3DS, "Error in Chunk 0x4D4D", true, 1},
    {"FileDialogCancelled", nullptr, 0, "", false, 0},
    {"MissingFile", "none.obj", 0, "File not found: @ (No such file or directory)", true, 0},
    {"FolderPicked", "dir.obj", 0, "Path/File access error: @ (Is a directory)", true, 0},
    {"FileTakenForFolder", "a.obj/b.obj", 0, "Path not found: @ (Not a directory)", true, 0},
    {"FormatWithoutImporter", "", 0, "ActiveX component can't create object", false, 0},
};

class EarlyEndTest : public ShellTest, public ::testing::WithParamInterface<EarlyEnd> {};

TEST_P(EarlyEndTest, ShowsWhyAndReturnsToIdle) {
  const EarlyEnd& c = GetParam();
  temp.write("a.obj", "data");
  std::filesystem::create_directory(folder + "dir.obj");
  script.openFile = true;
  script.raiseNumber = c.raise;
  if (c.raise != err::kFileNotFound) script.raiseDescription = c.message;
  if (c.pick && *c.pick == '\0') formats[kObj].create = nullptr;
  const std::string path = c.pick ? folder + c.pick : "";
  scriptImport(kObj, c.pick ? std::optional(path) : std::nullopt);
  std::string after;
  probeState(after);
  toolkit.whenIdle(UserAction::click("cmdCancel"));

  EXPECT_EQ(showDialog(), -1);
  std::string shown = c.message;
  if (const size_t at = shown.find('@'); at != std::string::npos) shown.replace(at, 1, path);
  EXPECT_EQ(messages(), shown.empty() ? Lines{} : Lines{"VLMImport (exclamation, ok): " + shown});
  EXPECT_EQ(savedPath("OBJ").has_value(), c.pathSaved);
  EXPECT_EQ(script.loadedFiles.size(), c.loads);
  EXPECT_EQ(fileTable().find(1), nullptr);
  EXPECT_EQ(recorder.lines(), Lines{});
  EXPECT_EQ(after, kIdle);
}

INSTANTIATE_TEST_SUITE_P(Runs, EarlyEndTest, ::testing::ValuesIn(kEarlyEnds),
                         [](const auto& info) { return std::string(info.param.name); });

// SelectedObject is the list's count after the first object went in (3DS: always 1), -1
// when nothing was read. Only 3DS imports take materials. A type mismatch raised by Load
// is passed over, and so is a failing host call; without a scene every step fails quietly.
TEST_F(ShellTest, SelectedObjectCountsWhatTheSceneHeldBefore) {
  script.raiseNumber = err::kTypeMismatch;
  script.materials = 2;
  script.objects = 2;
  recorder.failCall({"scene", "Prepare_Import", 1, err::kTypeMismatch, "", "Velmo"});
  EXPECT_EQ(import(kObj), 1);
  script.objects = 1;
  EXPECT_EQ(import(kPly), 3);
  EXPECT_EQ(import(kInc), 4);
  EXPECT_EQ(import(k3ds), 1);
  EXPECT_EQ(recorder.lines().front(), "scene.Prepare_Import call () -> error 13");
  EXPECT_EQ(std::ranges::count(recorder.lines(), "ListMaterials.Add call (Object material#2)"), 1);
  script.objects = 0;
  recorder.clearRecords();
  EXPECT_EQ(import(kDxf), -1);
  EXPECT_EQ(import(k3ds), -1);
  EXPECT_EQ(recorder.lines(), Lines{});
  scene = nullptr;
  script.objects = 2;
  EXPECT_EQ(import(k3ds), 1);
  EXPECT_EQ(import(kObj), -1);
  EXPECT_EQ(messages(), Lines{});
  EXPECT_FALSE(form().isOpen());
}

// The file dialog starts in the component's own folder, then in the folder last chosen
// for that format, kept with its separator (either kind). Load gets the chosen file; the
// dialog is gone once the run closed it.
TEST_F(ShellTest, ChosenFolderIsSavedPerFormatAndStartsItsNextDialog) {
  std::filesystem::create_directory(folder + "Data");
  const std::string file = temp.write("Data/Model A.obj", "0123456789");
  for (int run = 0; run < 2; ++run) {
    scriptImport(kObj, file);
    showDialog();
  }
  scriptImport(k3ds, "C:\\Data\\Model A.3ds");  // missing, but its folder is kept
  toolkit.whenIdle(UserAction::click("cmdCancel"));
  showDialog();

  EXPECT_EQ(script.loadedFiles, (Lines{file, file}));
  const std::string own = std::filesystem::canonical("/proc/self/exe").parent_path().string();
  Lines dialogs;
  for (const auto& d : toolkit.fileDialogs()) dialogs.push_back(d.filter + " in " + d.initDir);
  EXPECT_EQ(dialogs, (Lines{"*.obj|*.obj in " + own, "*.obj|*.obj in " + folder + "Data/",
                            "*.3ds|*.3ds in " + own}));
  EXPECT_EQ(std::tuple(savedPath("OBJ")->type(), savedPath("OBJ")->toString()),
            std::tuple(VarType::String, folder + "Data/"));
  EXPECT_EQ(savedPath("3DS")->toString(), "C:\\Data\\");
}

// Cancel or the close box during a run (controls locked, hourglass) asks once. Yes stops
// the run (the importer yields no more) before the hand-over and leaves the dialog idle;
// No lets the run complete, which closes the dialog.
struct StopRequest {
  const char* name;
  bool closeBox;  // else the Cancel button
  MsgResult answer;
};

const StopRequest kStopRequests[] = {{"CancelThenYes", false, MsgResult::Yes},
                                     {"CancelThenNo", false, MsgResult::No},
                                     {"CloseBoxThenYes", true, MsgResult::Yes},
                                     {"CloseBoxThenNo", true, MsgResult::No}};

void PrintTo(const StopRequest& r, std::ostream* os) { *os << r.name; }

class StopTest : public ShellTest, public ::testing::WithParamInterface<StopRequest> {};

TEST_P(StopTest, AsksOnceAndObeysTheAnswer) {
  const bool closeBox = GetParam().closeBox;
  const MsgResult answer = GetParam().answer;
  const bool stops = answer == MsgResult::Yes;
  script.waitForStop = 20;
  scriptImport(kObj, temp.write("a.obj", "data"));
  toolkit.atYield(3, closeBox ? UserAction::closeBox() : UserAction::click("cmdCancel"));
  toolkit.answerQuestion(answer);
  std::string running, afterQuestion, after;
  probeState(running, 2);
  probeState(afterQuestion, 5);
  probeState(after);
  EXPECT_EQ(showDialog(), stops ? -1 : 1);
  EXPECT_EQ(messages(), Lines{"VLMImport (none, yesno): Do you want to stop Import?"});
  EXPECT_EQ(running, "open, 0 enabled, bar 1, hourglass, running");
  EXPECT_EQ(afterQuestion, stops ? "" : running);
  EXPECT_EQ(recorder.lines().empty(), stops);
  EXPECT_EQ(after, stops ? kIdle : "");
  EXPECT_EQ(std::tuple(form().isOpen(), toolkit.mousePointer(), stopImport()),
            std::tuple(false, ui::MousePointer::Default, true));
}

INSTANTIATE_TEST_SUITE_P(Requests, StopTest, ::testing::ValuesIn(kStopRequests),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vlm
