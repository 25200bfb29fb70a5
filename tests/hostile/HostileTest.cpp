// Hostile files through a whole import as a user makes it: the real dialog, importers and
// settings, a scripted user who may press Cancel and answer Yes, and a reference scene.
// Every sample and golden input, under a name that is not UTF-8, cut short, with a byte
// changed and stopped at a yield, must end contained, a stopped run handing nothing over;
// so must a line of 50 MB in each format, and files changed behind the component's back:
// the chosen file between the file dialog and Load, and the settings file.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "Generate.h"
#include "platform/Error.h"
#include "refhost/ReferenceScene.h"
#include "shell/frmImport.h"
#include "textio/ImportContext.h"
#include "support/ImporterFixture.h"
#include "support/OrdinaryUser.h"
#include "ui/HeadlessToolkit.h"

// Under AddressSanitizer freed blocks wait in a quarantine of up to 256 MB, which the
// damage loop's thousands of imports fill: a smaller one keeps its memory bound meaningful.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=32"; }

namespace vlm {
// From settings/RegFun.h, which cannot share a file with the shell's headers.
void registerSettingsComponent();
void unregisterSettingsComponent();
}  // namespace vlm

namespace vlm::hostile {

// What the user and the host saw of one import.
struct Outcome {
  std::vector<ui::MessageRecord> messages;
  std::vector<std::string> failures;  // the messages with the exclamation icon
  size_t objects = 0;
  size_t elements = 0;  // vertices, triangles and refused polygons the scene holds
  uint64_t yields = 0;  // the run's yields to the message loop
  bool idle = false;    // the dialog went back to idle (controls enabled, progress 0)
};

// A failure shows the system's own description (an error's text, maybe followed by what it
// concerns, or a 3DS reader's) behind a "(CHUNK) " trace per reader passed, maybe empty.
inline bool systemText(std::string_view text) {
  bool known = (text.starts_with("(") && text.ends_with(") ")) || text == "File type wrong!" ||
               text.starts_with("Sorry can only read 3ds") || text == "Invalid property value";
  for (size_t end; text.starts_with("(") && (end = text.find(") ")) != text.npos;)
    text.remove_prefix(end + 2);
  for (int32_t number = 1; number < 1000 && !known; ++number) {
    const std::string classic = classicDescription(number);
    known = classic != classicDescription(0) && text.starts_with(classic);
  }
  return known;
}

class HostileImport : public ::testing::Test {
 protected:
  HostileImport() {
    fileTable().CloseAll();
    ::setenv("XDG_CONFIG_HOME", configHome.path().c_str(), 1);
    registerSettingsComponent();
    refhost::registerReferenceHostClasses();
  }
  ~HostileImport() override {
    unregisterSettingsComponent();
    fileTable().CloseAll();
  }

  // Imports `path` (its extension picks the format); `onProgress` hears the progress bar's
  // value and maximum; with `stopAt` the user stops the run at that yield, after `atStop`
  // has looked at it.
  Outcome importPath(const std::string& path,
                     const std::function<void(float, float)>& onProgress = {},
                     uint64_t stopAt = 0, const std::function<void()>& atStop = {}) {
    const std::string formats = ".obj.dxf.3ds.inc.ply";
    const size_t format = formats.find(std::filesystem::path(path).extension().string()) / 4;
    ui::HeadlessToolkit toolkit;
    if (onProgress) toolkit.setProgressListener(onProgress);
    ui::setToolkit(&toolkit);
    refhost::ReferenceScene scene;
    Outcome outcome;
    bool stopImport = false;
    {
      frmImport dialog;
      dialog.setObjScene(scene.dispatch());
      toolkit.whenIdle(ui::UserAction::select("cmbFormat", static_cast<int32_t>(format)));
      toolkit.whenIdle(ui::UserAction::click("cmdImport"));
      // Whatever the run left, the dialog is looked at before the user closes it.
      toolkit.whenIdle(ui::UserAction::call([&] {
        const auto form = toolkit.lastForm();
        outcome.idle = form->isOpen() && form->control("cmdImport").enabled &&
                       form->control("ProgressBar1").bar.value == 0;
      }));
      toolkit.answerFileDialog(path);
      if (stopAt > 0) {
        if (atStop) toolkit.atYield(stopAt, ui::UserAction::call(atStop));
        toolkit.atYield(stopAt, ui::UserAction::click("cmdCancel"));
        toolkit.answerQuestion(ui::MsgResult::Yes);
      }
      // A reader yields at most once per line, chunk or record; a run yielding on is stopped.
      std::error_code gone;
      const uint64_t limit = 2 * std::filesystem::file_size(path, gone) + 100;
      const auto yes = [&] { toolkit.answerQuestion(ui::MsgResult::Yes); };
      toolkit.atYield(limit, ui::UserAction::call(yes));
      toolkit.atYield(limit, ui::UserAction::click("cmdCancel"));
      dialog.Show();
      stopImport = dialog.stopImport();
      outcome.yields = toolkit.yields();
      EXPECT_LT(outcome.yields, limit) << "the run kept yielding without moving on";
    }
    ui::setToolkit(nullptr);
    EXPECT_TRUE(stopImport) << "the run ended with StopImport false";
    EXPECT_EQ(fileTable().find(1), nullptr) << "the import file was left open";
    outcome.messages = toolkit.messages();
    for (const ui::MessageRecord& m : outcome.messages)
      if (m.icon == ui::MsgIcon::Exclamation) outcome.failures.push_back(m.text);
    outcome.objects = scene.objectCount();
    for (size_t i = 0; i < scene.objectCount(); ++i) {
      const refhost::Mesh& mesh = scene.object(i).mesh();
      outcome.elements +=
          size_t(mesh.vertexCount()) + size_t(mesh.triangleCount()) + size_t(mesh.invalidNumbers());
    }
    std::ostringstream json;
    scene.writeJson(json, false);
    EXPECT_TRUE(nlohmann::json::accept(json.str())) << "the scene's report is not valid JSON";
    return outcome;
  }
  Outcome importBytes(const std::string& name, std::string_view bytes, uint64_t stopAt = 0) {
    return importPath(dir.write(name, bytes), {}, stopAt);
  }

  // Two scene elements per file byte, plus room for a 3DS list running past a cut file's end.
  static void expectContained(const Outcome& outcome, size_t fileSize) {
    for (const ui::MessageRecord& m : outcome.messages) EXPECT_EQ(m.title, "VLMImport");
    EXPECT_LE(outcome.failures.size(), 1u) << ::testing::PrintToString(outcome.failures);
    for (const std::string& failure : outcome.failures) {
      EXPECT_EQ(outcome.objects, 0u) << "a failed run handed objects over: " << failure;
      EXPECT_TRUE(outcome.idle) << "a failed run left the dialog busy: " << failure;
      EXPECT_TRUE(systemText(failure)) << "a failure in words of its own: " << failure;
    }
    EXPECT_LE(outcome.elements, 2 * fileSize + 200000) << "more than the file can describe";
  }

  test::TempDir dir;
  test::TempDir configHome;
};

namespace {

namespace fs = std::filesystem;

size_t peakMemory() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<size_t>(usage.ru_maxrss) * 1024;
}

std::vector<fs::path> inputs() {
  std::vector<fs::path> all;
  for (const std::string ext : {"obj", "dxf", "3ds", "inc", "ply"}) {
    for (const fs::path& folder : {fs::path(VLM_EXAMPLES_DIR), fs::path(VLM_DATA_DIR) / ext}) {
      for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == "." + ext) all.push_back(entry.path());
    }
  }
  return all;
}

class DamagedFile : public HostileImport, public ::testing::WithParamInterface<fs::path> {};

TEST_P(DamagedFile, EveryRunEndsContained) {
  const std::string bytes = test::slurp(GetParam());
  const std::string name = "bad\xff\xfe\x01 " + GetParam().extension().string();
  const size_t memoryBefore = peakMemory();
  // The whole file: the progress bar climbs within its range (samples: through the file).
  std::vector<float> climb = {0};
  float range = 0;
  const Outcome whole = importPath(dir.write(name, bytes), [&](float value, float max) {
    EXPECT_LE(value, range = max);
    if (value > 0) climb.push_back(value);
  });
  expectContained(whole, bytes.size());
  EXPECT_TRUE(std::is_sorted(climb.begin(), climb.end()));
  EXPECT_EQ(range, static_cast<float>(bytes.size() + 1)) << "the bar's range: the length + 1";
  if (GetParam().parent_path() == VLM_EXAMPLES_DIR) {  // a sample imports without a failure
    EXPECT_EQ(whole.failures, std::vector<std::string>{});
    EXPECT_GT(whole.objects, 0u);
    EXPECT_GT(climb.back(), 0.5f * static_cast<float>(bytes.size()));
  }
  // Cut, and a byte changed, at every position within 192 bytes of either end and 128 over
  // the rest. The byte becomes its complement, zero, one up or one down in turn: a digit's
  // neighbour, another separator, a negative or zero count and those around the true one.
  const size_t size = bytes.size();
  for (size_t at = 0; at < size; at += (at < 192 || at + 192 >= size) ? 1 : 1 + size / 128) {
    SCOPED_TRACE("cut at, or byte changed at " + std::to_string(at));
    expectContained(importBytes(name, std::string_view(bytes).substr(0, at)), at);
    std::string damaged = bytes;
    const char c = bytes[at], ways[] = {char(~c), '\0', char(c + 1), char(c - 1)};
    damaged[at] = ways[at % 4];
    expectContained(importBytes(name, damaged), bytes.size());
    if (HasFailure()) return;
  }
  // Stopped at one of up to 64 yields: only the whole file's failure may still show. A text
  // reader reads no further line; a PLY property pass reports once more, a 3DS colour reads
  // its two sub-chunks' headers.
  const std::string ext = GetParam().extension().string();
  const uint64_t readOnAfterStop = ext == ".3ds" ? 2 : ext == ".ply" ? 1 : 0;
  for (uint64_t i = 0, stops = std::min<uint64_t>(whole.yields, 64); i < stops; ++i) {
    const uint64_t yield = 1 + i * whole.yields / stops;
    SCOPED_TRACE("stopped at yield " + std::to_string(yield));
    const Outcome stopped = importBytes(name, bytes, yield);
    expectContained(stopped, bytes.size());
    EXPECT_TRUE(!stopped.messages.empty() && stopped.messages[0].buttons == ui::MsgButtons::YesNo);
    EXPECT_TRUE(stopped.objects == 0 && stopped.idle);
    EXPECT_TRUE(stopped.failures.empty() || stopped.failures == whole.failures);
    EXPECT_LE(stopped.yields, yield + readOnAfterStop) << "read on after the stop";
    if (HasFailure()) return;
  }
  EXPECT_LT(peakMemory() - memoryBefore, size_t{256} << 20);
}

INSTANTIATE_TEST_SUITE_P(Inputs, DamagedFile, ::testing::ValuesIn(inputs()), [](const auto& info) {
  std::string name =
      info.param.parent_path().filename().string() + "_" + info.param.filename().string();
  std::replace_if(
      name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
  return name;
});

// A file name (its extension the format) and how the file starts; its last byte, or the
// words given after it, fill 50 MB. A line of words that each look for something the line
// no longer holds (a blank, a ">") must not look through the rest of it every time.
struct LongLineCase {
  std::string name, start, fill = {};
};

void PrintTo(const LongLineCase& c, std::ostream* os) { *os << c.name; }

const LongLineCase kLongLines[] = {
    {"letters.obj", "x"},
    {"vertex.obj", "v 7"},
    {"face.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1"},
    {"code.dxf", "9"},
    {"value.dxf", "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n  0\r\n3DFACE\r\n 10\r\n5"},
    {"token.inc", "q"},
    {"vector.inc", "#declare M = mesh { triangle { <3"},
    {"vectors.inc", "#declare M = mesh {", " <"},
    {"braces.inc", "#declare M = mesh {"},
    {"header.ply", "ply\nc"},
    {"body.ply", "ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nend_header\n4"},
    // An object name without its zero byte, in a chunk claiming the largest length.
    {"name.3ds", std::string("MM\x12\0\0\0==\x0c\0\0\0\0@\xff\xff\xff\x7fn", 19)},
};

class LongLine : public HostileImport, public ::testing::WithParamInterface<LongLineCase> {};

TEST_P(LongLine, EndsContainedWithBoundedMemory) {
  const auto& [name, start, fill] = GetParam();
  const std::string unit = fill.empty() ? start.substr(start.size() - 1) : fill;
  std::string bytes = start;
  while (bytes.size() < start.size() + (size_t{50} << 20)) bytes += unit;
  const std::string path = dir.write(name, bytes);
  const size_t before = peakMemory();
  expectContained(importPath(path), bytes.size());
  EXPECT_LT(peakMemory() - before, 6 * bytes.size());
}

INSTANTIATE_TEST_SUITE_P(Formats, LongLine, ::testing::ValuesIn(kLongLines), [](const auto& info) {
  return std::filesystem::path(info.param.name).stem().string();
});


const std::string kTriangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";

struct Change {
  const char* name;
  void (*apply)(const std::string& path);
  const char* failure;  // what the one failure shows; nullptr: no failure is required
};

void PrintTo(const Change& c, std::ostream* os) { *os << c.name; }

const Change kChanges[] = {
    {"Deleted", [](const std::string& p) { fs::remove(p); }, "File not found"},
    {"ReplacedByFolder", [](const std::string& p) { fs::remove(p), fs::create_directory(p); }, ""},
    {"ReplacedByPipe", [](const std::string& p) { fs::remove(p), ::mkfifo(p.c_str(), 0600); }, ""},
    {"EmptiedToZeroBytes", [](const std::string& p) { fs::resize_file(p, 0); }, nullptr},
    {"Grown", [](const std::string& p) { std::ofstream(p, std::ios::app) << kTriangle; }, nullptr},
    {"MadeUnreadable", [](const std::string& p) { ::chmod(p.c_str(), 0); }, "Permission denied"},
};

// The run takes the file's length right after the dialog (the progress bar's first maximum)
// and Load opens it afterwards: the moment to change it. A file gone or unreadable ends in
// one failure; any change ends contained.
class ChangedBeforeLoad : public HostileImport, public ::testing::WithParamInterface<Change> {};

TEST_P(ChangedBeforeLoad, EndsContained) {
  const std::string path = dir.write("model.obj", kTriangle);
  // Root reads anything, so the run acts as an ordinary user, who owns the file, its folder
  // and the settings, and may take the file's read permission away.
  for (const std::string& own : {dir.path().string(), path, configHome.path().string()}) {
    ASSERT_TRUE(::geteuid() != 0 || ::chown(own.c_str(), 65534, 65534) == 0);
  }
  bool changed = false;
  Outcome outcome;
  {
    const test::OrdinaryUser user;
    if (!user.restricted()) GTEST_SKIP() << "no ordinary user can try the access here";
    outcome = importPath(path, [&](float, float max) {
      if (!changed && max == static_cast<float>(kTriangle.size() + 1)) {
        changed = true;
        GetParam().apply(path);
      }
    });
  }
  ASSERT_TRUE(changed) << "the run never set the progress bar's maximum";
  expectContained(outcome, 1000);
  EXPECT_TRUE(!GetParam().failure ||
              (outcome.failures.size() == 1 &&
               outcome.failures[0].find(GetParam().failure) != std::string::npos))
      << ::testing::PrintToString(outcome.failures);
}

INSTANTIATE_TEST_SUITE_P(Changes, ChangedBeforeLoad, ::testing::ValuesIn(kChanges),
                         [](const auto& info) { return std::string(info.param.name); });

// Where the settings file or its folder should be stands the other kind (a folder holding
// "keep", or a file): the import goes on without a message, the settings are kept in
// memory and the obstacle stays as it was. (Damaged or oversized files, and what is kept:
// the settings store's tests.)
TEST_F(HostileImport, BrokenSettingsLeaveTheDialogWorkingAndLoseNothing) {
  const fs::path folder = configHome.path() / "vlmimport";
  for (const fs::path& kept : {folder / "registry.ini" / "keep", folder}) {
    SCOPED_TRACE(kept);
    fs::remove_all(folder);
    fs::create_directories(kept.parent_path());
    std::ofstream(kept, std::ios::binary) << "kept";
    const Outcome outcome = importBytes("model.obj", kTriangle);
    EXPECT_EQ(std::tuple(outcome.messages.size(), outcome.objects), std::tuple(0u, 1u));
    EXPECT_EQ(test::slurp(kept), "kept");
  }
}


}  // namespace
}  // namespace vlm::hostile
