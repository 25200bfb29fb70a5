// vlmhost end to end, as a person runs it from a shell: the built program loads the built
// plug-in through dlopen; what it prints where, its exit status and what it saves.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "platform/Processors.h"
#include "support/OneProcessor.h"
#include "vlmhost/VlmHostRun.h"

namespace {

namespace fs = std::filesystem;

using vlm::testing::Outcome;
using vlm::testing::slurp;

const std::string kExamples = VLM_EXAMPLES_DIR;

size_t lineCount(const std::string& text) { return std::count(text.begin(), text.end(), '\n'); }

class VlmHost : public vlm::testing::VlmHostFolder {
 protected:
  void SetUp() override {
    dir_.write("notes.txt", "data\n");
    dir_.write("empty.obj", "");
    fs::create_directory(folder_ / "dir.obj");
    std::string lf = slurp(kExamples + "/house.dxf");
    std::erase(lf, '\r');
    dir_.write("house_lf.dxf", lf);
    dir_.write("Model.DXF", "0\r\nEOF\r\n");
    fs::copy_file(kExamples + "/sample.3ds", folder_ / "sample.3ds");
    fs::copy_file(kExamples + "/table.obj", folder_ / "table.obj");
    fs::create_directory(folder_ / "sub.png");
    fs::create_directory(folder_ / "sub.obj");
    fs::create_directory(folder_ / "sub.bin");
    dir_.write("plain", "x");
  }
  std::string settingsText() { return slurp(folder_ / "config" / "vlmimport" / "registry.ini"); }
};

struct ProgramRun {
  const char* what;
  std::vector<std::string> args;
  int status;
  const char* out;  // a pattern stdout must contain
  const char* err;  // a pattern stderr must contain; "^$" for nothing at all
  size_t errLines;
};

void PrintTo(const ProgramRun& run, std::ostream* out) { *out << run.what; }

const std::string kNoDisplay = "\x01";  // in args: run without $DISPLAY
const std::string kBadDisplay = "\x02";  // in args: run with a display that is not there

class Runs : public VlmHost, public ::testing::WithParamInterface<ProgramRun> {};

TEST_P(Runs, StatusOutputAndMessages) {
  const ProgramRun& r = GetParam();
  std::vector<std::string> argv{VLMHOST_PATH};
  for (const std::string& a : r.args) {
    if (a == kNoDisplay || a == kBadDisplay) {
      argv.insert(argv.begin(), {"env", a == kNoDisplay ? "-uDISPLAY" : "DISPLAY=:99999"});
    } else {
      argv.push_back(a);
    }
  }
  const std::vector<std::string> before = dir_.names();
  const Outcome o = vlm::test::runIn(folder_, argv);
  std::vector<std::string> after = dir_.names();
  std::erase(after, "config");
  EXPECT_EQ(after, before) << "a file was left behind";
  EXPECT_EQ(o.status, r.status) << o.err;
  EXPECT_TRUE(std::regex_search(o.out, std::regex(r.out))) << "stdout:\n" << o.out;
  EXPECT_TRUE(std::regex_search(o.err, std::regex(r.err))) << "stderr:\n" << o.err;
  EXPECT_EQ(lineCount(o.err), r.errLines) << o.err;
}

INSTANTIATE_TEST_SUITE_P(
    Table, Runs,
    ::testing::Values(
        ProgramRun{"without a file the user cancels at once", {}, 1,
            "^Plug-in: Import Object v1\\.5 \\(type 3\\)\nObjects: 0\n[\\s\\S]*SelectedObject: -1\n",
            "^$", 0},
        ProgramRun{"an unknown format", {"--format", "stl", "a.stl"}, 2, "^$", "^vlmhost: ", 1},
        ProgramRun{"a count that is not positive", {"--cancel-after", "0"}, 2, "^$", "^vlmhost: ", 1},
        ProgramRun{"an unknown option", {"--bogus"}, 2, "", "^vlmhost: ", 1},
        ProgramRun{"a file with --version", {"--version", "a.obj"}, 2, "^$", "^vlmhost: ", 1},
        ProgramRun{"a file of no known format", {"notes.txt"}, 1, "^$", "unknown format", 1},
        ProgramRun{"a missing file", {"missing.obj"}, 1, "^$", "No such file or directory", 1},
        ProgramRun{"a folder", {"dir.obj"}, 1, "^$", "not a regular file", 1},
        ProgramRun{"a missing plug-in", {"--plugin", "libNothing.so"}, 1, "^$",
            "cannot load the plug-in", 1},
        ProgramRun{"version", {"--version"}, 0, "^vlmhost [0-9]+\\.[0-9]+\\.[0-9]+\nplug-in: Import "
            "Object v1\\.5\n$", "^$", 0},
        ProgramRun{"stats", {"--stats", "table.obj"}, 0, "^load_s=[0-9]+\\.[0-9]{4} verts=53 faces=72\n$",
            "^$", 0},
        ProgramRun{"embed needs a .gltf export", {"--embed", "--export", "t.glb", "table.obj"}, 2,
            "^$", "^vlmhost: --embed needs --export FILE.gltf\n$", 1},
        ProgramRun{"a scale of 0", {"--export", "t.obj", "--export-scale", "0", "table.obj"}, 2,
            "^$", "^vlmhost: ", 1},
        ProgramRun{"a scale too large for a float", {"--export", "t.obj", "--export-scale", "1e39",
            "table.obj"}, 2, "^$", "^vlmhost: ", 1},
        ProgramRun{"one of two imports brings nothing", {"table.obj", "empty.obj"}, 1,
            "Imports: 2\n[\\s\\S]*\\(obj\\): no objects, SelectedObject -1", "", 1},
        ProgramRun{"an LF-only DXF gets one hint", {"house_lf.dxf"}, 0, "",
            "^vlmhost: hint: house_lf.dxf: the file's lines end in LF only.*unix2dos", 1},
        ProgramRun{"no hint when quiet", {"--quiet", "house_lf.dxf"}, 0, "", "^$", 0},
        ProgramRun{"no hint for the sample with CR LF", {kExamples + "/house.dxf"}, 0, "", "^$", 0},
        ProgramRun{"relative names still resolve after the 3DS import changed the folder",
            {"sample.3ds", "table.obj"}, 0, "\"table.obj\" \\(obj\\): objects Obj4..Obj9", "^$", 0},
        ProgramRun{"gui takes one file", {"--gui", "a.obj", "b.obj"}, 2, "^$", "^vlmhost: ", 1},
        ProgramRun{"gui leaves the options to the person", {"--gui", "--no-normals"}, 2, "^$",
            "^vlmhost: ", 1},
        ProgramRun{"gui leaves Cancel to the person", {"--gui", "--cancel-after", "3"}, 2, "^$",
            "^vlmhost: ", 1},
        ProgramRun{"a picture too narrow", {"--preview", "p.png", "--size", "15x100", "table.obj"},
            2, "^$", "^vlmhost: ", 1},
        ProgramRun{"a picture size that is no size", {"--preview", "p.png", "--size", "big",
            "table.obj"}, 2, "^$", "^vlmhost: ", 1},
        ProgramRun{"a picture too tall", {"--preview", "p.png", "--size", "100x9000", "table.obj"},
            2, "^$", "^vlmhost: ", 1},
        ProgramRun{"an export format not written", {"--export", "scene.stl", "table.obj"}, 2, "^$",
            "^vlmhost: ", 1},
        ProgramRun{"an export name without extension", {"--export", "scene", "table.obj"}, 2, "^$",
            "^vlmhost: ", 1},
        ProgramRun{"nothing to preview or export", {"--preview", "p.png", "--export", "x.ply"}, 1,
            "", "nothing to preview or export", 1},
        ProgramRun{"a picture in a missing folder", {"--preview", "missing/p.png", "sample.3ds"},
            1, "Objects: 3", "^vlmhost: cannot write 'missing/p.png': No such file or directory\n$",
            1},
        ProgramRun{"a picture over a folder", {"--preview", "sub.png", "sample.3ds"}, 1,
            "Objects: 3", "^vlmhost: cannot write 'sub.png': Is a directory\n$", 1},
        ProgramRun{"a picture below a file", {"--preview", "plain/p.png", "sample.3ds"}, 1,
            "Objects: 3", "^vlmhost: cannot write 'plain/p.png': Not a directory\n$", 1},
        ProgramRun{"an export in a missing folder", {"--export", "missing/x.obj", "sample.3ds"},
            1, "Objects: 3", "^vlmhost: cannot write 'missing/x.obj': No such file or directory\n$",
            1},
        ProgramRun{"a glTF whose .bin is a folder", {"--export", "sub.gltf", "sample.3ds"}, 1,
            "Objects: 3", "^vlmhost: cannot write 'sub.bin': Is a directory\n$", 1},
        ProgramRun{"gui without a display", {kNoDisplay, "--gui", "table.obj"}, 2, "^$",
            "cannot show the dialog", 1},
        ProgramRun{"gui with a display that is not there", {kBadDisplay, "--gui", "table.obj"}, 2, "^$",
            "cannot show the dialog", 1},
        ProgramRun{"view without a display", {kNoDisplay, "--view", "table.obj"}, 2, "^$",
            "^vlmhost: cannot show the view window: no X display: DISPLAY is not set\n$", 1}),
    [](const auto& info) {
      std::string name = info.param.what;
      for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      return name;
    });

TEST_F(VlmHost, HelpListsEveryOptionWithAnExample) {
  const Outcome o = run({"--help"});
  EXPECT_EQ(o.status, 0);
  for (const char* option : {"--format", "--json", "--geometry", "--trace", "--stats", "--quiet",
                             "--no-normals", "--no-smooth", "--no-autosmooth", "--cancel-after",
                             "--preview", "--size", "--export", "--export-scale", "--embed",
                             "--gui", "--view", "--plugin", "--register",
                             "--unregister", "--version"}) {
    const size_t at = o.out.find(std::string(option) + " ");
    ASSERT_NE(at, std::string::npos) << option;
    const size_t example = o.out.find("e.g. vlmhost", at);
    ASSERT_NE(example, std::string::npos) << option;
    EXPECT_LT(lineCount(o.out.substr(at, example - at)), 3u) << option;
  }
}

// The dialog's closing step saves the format (picked by the extension in any letter case)
// and, after an import, the full path of the file's folder.
TEST_F(VlmHost, TheDialogSavesTheFormatAndFolderAfterEachRun) {
  run({});
  EXPECT_NE(settingsText().find("FileFormat=int16:0"), std::string::npos) << settingsText();
  run({"Model.DXF"});
  EXPECT_NE(settingsText().find("FileFormat=int16:1"), std::string::npos) << settingsText();
  run({"sample.3ds"});
  EXPECT_NE(settingsText().find("FileFormat=int16:2"), std::string::npos) << settingsText();
  EXPECT_NE(settingsText().find("Path=text:" + folder_.string() + "/\n"), std::string::npos)
      << settingsText();
}

TEST_F(VlmHost, RegistrationIsWrittenReportedAndFoundByAHostWithoutThePlugInBeside) {
  const Outcome reg = run({"--register"});
  ASSERT_EQ(reg.status, 0) << reg.err;
  EXPECT_NE(reg.out.find("registry.ini"), std::string::npos) << reg.out;
  EXPECT_NE(reg.out.find("wrote HKEY_CLASSES_ROOT\\VLMImport.CPlugIn\n"), std::string::npos)
      << reg.out;
  EXPECT_NE(settingsText().find("libVLMImport.so"), std::string::npos);

  // A copy of the program in a folder of its own finds the plug-in by its registration.
  fs::create_directory(folder_ / "alone");
  fs::copy_file(VLMHOST_PATH, folder_ / "alone" / "vlmhost");
  const std::vector<std::string> alone = {(folder_ / "alone" / "vlmhost").string(), "table.obj"};
  EXPECT_EQ(vlm::test::runIn(folder_, alone).status, 0);

  const Outcome unreg = run({"--unregister"});
  EXPECT_EQ(unreg.status, 0) << unreg.err;
  EXPECT_NE(unreg.out.find("removed HKEY_CLASSES_ROOT\\VLMImport.CPlugIn\n"), std::string::npos);
  const Outcome lost = vlm::test::runIn(folder_, alone);
  EXPECT_EQ(lost.status, 1);
  EXPECT_NE(lost.err.find("cannot find the plug-in"), std::string::npos) << lost.err;
}

// On two processors the numbers of a text file of several blocks are converted ahead, on
// the thread that reads ahead; on one they are converted as each line is read. The
// geometry is the same to the last bit either way.
class Processors : public vlm::testing::VlmHostFolder,
                   public ::testing::WithParamInterface<std::pair<const char*, const char*>> {};

TEST_P(Processors, GiveTheSameGeometry) {
  if (!vlm::secondProcessorAvailable()) GTEST_SKIP() << "one processor: nothing is converted ahead";
  const auto [format, extension] = GetParam();
  const std::string file = (folder_ / "generated").string() + extension;
  const std::vector<std::string> generate{VLMGEN_PATH, "--format", format, "--mb", "3.5", file};
  ASSERT_EQ(vlm::test::runIn(folder_, generate).status, 0);
  const std::vector<std::string> args{"--geometry", file};
  const Outcome two = run(args);
  const Outcome one = [&] {
    const vlm::test::OneProcessor pinned;
    return run(args);
  }();
  ASSERT_EQ(two.status, 0) << two.err;
  EXPECT_GT(two.out.size(), size_t{1} << 20);
  EXPECT_TRUE(two.out == one.out) << "the geometry differs";
}

INSTANTIATE_TEST_SUITE_P(TextFormats, Processors,
                         ::testing::Values(std::pair{"obj", ".obj"}, std::pair{"obj_lf", ".obj"},
                                           std::pair{"inc", ".inc"}),
                         [](const auto& info) { return std::string(info.param.first); });

}  // namespace
