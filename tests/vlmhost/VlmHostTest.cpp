// vlmhost end to end: the built program loads the built plug-in through dlopen.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "vlmhost/VlmHostRun.h"

namespace {

namespace fs = std::filesystem;

using vlm::testing::Outcome;
using vlm::testing::slurp;

size_t lineCount(const std::string& text) {
  size_t n = 0;
  for (char c : text) n += (c == '\n');
  return n;
}

class VlmHost : public vlm::testing::VlmHostFolder {
 protected:
  std::string file(const std::string& name, const std::string& bytes = "data\n") {
    return dir_.write(name, bytes);
  }

  std::string settingsText() { return slurp(folder_ / "config" / "vlmimport" / "registry.ini"); }
};

TEST_F(VlmHost, HelpListsTheOptionsAndSucceeds) {
  const Outcome o = run({"--help"});
  EXPECT_EQ(o.status, 0);
  for (const char* option : {"--format", "--json", "--geometry", "--trace", "--stats", "--quiet",
                             "--no-normals", "--no-smooth", "--no-autosmooth", "--cancel-after",
                             "--plugin", "--register", "--unregister", "--version"}) {
    // Each option comes with an example of its use on the next line.
    const size_t at = o.out.find(std::string(option) + " ");
    ASSERT_NE(at, std::string::npos) << option;
    const size_t example = o.out.find("e.g. vlmhost", at);
    ASSERT_NE(example, std::string::npos) << option;
    EXPECT_LT(lineCount(o.out.substr(at, example - at)), 3u) << option;
  }
  for (const char* option : {"--preview", "--size", "--export"}) {
    EXPECT_NE(o.out.find(option), std::string::npos) << option;
  }
}

TEST_F(VlmHost, WithoutFileTheUserCancelsAtOnce) {
  const Outcome o = run({});
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.out.find("Plug-in: Import Object v1.5 (type 3)"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("Objects: 0"), std::string::npos);
  EXPECT_NE(o.out.find("SelectedObject: -1"), std::string::npos);
  EXPECT_EQ(o.err, "");
  // The dialog's closing step saved the format through the settings component.
  EXPECT_NE(settingsText().find("FileFormat=int16:0"), std::string::npos) << settingsText();

  const Outcome json = run({"--json"});
  EXPECT_EQ(json.status, 1);
  const auto report = nlohmann::json::parse(json.out);
  const auto expected = nlohmann::json::parse(R"({"plugin": {"name": "Import Object v1.5",
      "type": 3}, "selectedObject": -1, "messages": [], "objects": [], "materials": []})");
  for (const auto& [key, value] : expected.items()) EXPECT_EQ(report[key], value) << key;
}

TEST_F(VlmHost, UsageErrorsGiveOneLineAndStatusTwo) {
  for (const auto& args : std::vector<std::vector<std::string>>{{"--format", "stl", "a.stl"},
                                                                {"--cancel-after", "0"},
                                                                {"--bogus"},
                                                                {"--version", "a.obj"}}) {
    const Outcome o = run(args);
    EXPECT_EQ(o.status, 2) << args[0];
    EXPECT_EQ(lineCount(o.err), 1u) << o.err;
    EXPECT_EQ(o.err.rfind("vlmhost: ", 0), 0u) << o.err;
  }
}

TEST_F(VlmHost, UnusableFilesGiveOneLineAndStatusOne) {
  const std::string unknown = file("notes.txt");
  const std::string missing = (folder_ / "missing.obj").string();
  fs::create_directory(folder_ / "dir.obj");
  const std::string directory = (folder_ / "dir.obj").string();
  for (const auto& [path, reason] :
       std::vector<std::pair<std::string, std::string>>{{unknown, "unknown format"},
                                                        {missing, "No such file or directory"},
                                                        {directory, "not a regular file"}}) {
    const Outcome o = run({path});
    EXPECT_EQ(o.status, 1) << path;
    EXPECT_EQ(lineCount(o.err), 1u) << o.err;
    EXPECT_NE(o.err.find(reason), std::string::npos) << o.err;
    EXPECT_EQ(o.out, "");
  }
}

TEST_F(VlmHost, MissingPlugInIsAClearError) {
  const Outcome o = run({"--plugin", (folder_ / "libNothing.so").string()});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(lineCount(o.err), 1u);
  EXPECT_NE(o.err.find("cannot load the plug-in"), std::string::npos) << o.err;
}

TEST_F(VlmHost, FormatFromExtensionIsChosenWhateverTheImportGives) {
  // The extension picks the list entry without regard to case; the dialog saves it when
  // it closes. Status and messages agree with the scene whatever the importer made of it.
  const std::string path = file("Model.DXF", "0\nEOF\n");
  const Outcome o = run({"--json", path});
  const auto report = nlohmann::json::parse(o.out);
  const std::string settings = settingsText();
  EXPECT_NE(settings.find("FileFormat=int16:1"), std::string::npos) << settings;
  EXPECT_EQ(o.status, report["objects"].empty() ? 1 : 0);
  for (const auto& m : report["messages"]) {
    EXPECT_EQ(m["title"], "VLMImport");
    EXPECT_NE(o.err.find(m["text"].get<std::string>()), std::string::npos);
  }
}

// One 3D face, lines ending in CR LF.
std::string oneFaceDxf() {
  const char* lines[] = {"0",  "SECTION", "2",  "ENTITIES", "0",  "3DFACE", "8",      "0",  "10",
                         "0",  "20",      "0",  "30",       "0",  "11",     "1",      "21", "0",
                         "31", "0",       "12", "1",        "22", "1",      "32",     "0",  "13",
                         "0",  "23",      "1",  "33",       "0",  "0",      "ENDSEC", "0",  "EOF"};
  std::string text;
  for (const char* line : lines) text += std::string(line) + "\r\n";
  return text;
}

// Imports through a format whose importer is built into the plug-in.
class VlmHostImport : public VlmHost {
 protected:
  void SetUp() override {
    file("face.dxf", oneFaceDxf());
    const Outcome probe = run({"face.dxf"});
    if (probe.err.find("can't create object") != std::string::npos) {
      GTEST_SKIP() << "the DXF importer is not built into the plug-in";
    }
  }
};

TEST_F(VlmHostImport, ImportFillsTheSceneAndSucceeds) {
  const Outcome o = run({"--json", "face.dxf"});
  EXPECT_EQ(o.status, 0) << o.err;
  const auto report = nlohmann::json::parse(o.out);
  ASSERT_EQ(report["objects"].size(), 1u);
  EXPECT_EQ(report["objects"][0]["name"], "face");
  EXPECT_EQ(report["selectedObject"], 1);
  EXPECT_TRUE(report["messages"].empty());
  // A relative FILE reaches the dialog as a full path: its folder is what is saved.
  EXPECT_NE(settingsText().find("Path=text:" + folder_.string() + "/\n"), std::string::npos)
      << settingsText();
}

TEST_F(VlmHostImport, TraceListsEveryHostCallOnStderr) {
  const Outcome o = run({"--trace", "face.dxf"});
  EXPECT_EQ(o.status, 0);
  for (const char* line :
       {"object#1.Name put (String \"face\")\n", "scene.Prepare_Import call ()\n",
        "ListObjects.Add call (Object object#1)\n", "object#1.Center call ()\n"}) {
    EXPECT_NE(o.err.find(line), std::string::npos) << line << o.err;
  }
  EXPECT_NE(o.out.find("Objects: 1"), std::string::npos);
}

TEST_F(VlmHostImport, CancelDuringTheImportStopsItAndLeavesTheSceneEmpty) {
  const Outcome o = run({"--json", "--cancel-after", "1", "face.dxf"});
  EXPECT_EQ(o.status, 1);
  const auto report = nlohmann::json::parse(o.out);
  EXPECT_TRUE(report["objects"].empty());
  EXPECT_EQ(report["selectedObject"], -1);
  ASSERT_EQ(report["messages"].size(), 1u);
  EXPECT_EQ(report["messages"][0]["text"], "Do you want to stop Import?");
  EXPECT_EQ(report["messages"][0]["buttons"], "yesno");
}

}  // namespace

// The bundled OBJ sample, read through the real plug-in as `make run` does.
TEST_F(VlmHost, BundledTableSampleArrivesAsSixObjectsUnderTheFirst) {
  const Outcome o = run({"--json", VLM_EXAMPLES_DIR "/table.obj"});
  ASSERT_EQ(o.status, 0) << o.err;
  const auto report = nlohmann::json::parse(o.out);
  const auto& objects = report["objects"];
  ASSERT_EQ(objects.size(), 6u);
  const char* names[] = {"table",         "leg_front_left", "leg_front_right",
                         "leg_back_left", "leg_back_right", "lamp_shade"};
  for (size_t i = 0; i < objects.size(); ++i) {
    SCOPED_TRACE(names[i]);
    EXPECT_EQ(objects[i]["name"], names[i]);
    EXPECT_EQ(objects[i]["invalidPolygons"], 0);
    EXPECT_EQ(objects[i]["triangleCount"], 12);
    EXPECT_EQ(objects[i]["parent"], i == 0 ? nlohmann::json() : objects[0]["key"]);
  }
  // Colours come from the object-colour table in file order; the legs, handed over before
  // the first normal, are smoothed as one surface each; the shade keeps its own normals.
  EXPECT_EQ(objects[1]["color"], 255);
  EXPECT_EQ(objects[1]["surfaces"], nlohmann::json::parse("[[0, 11]]"));
  EXPECT_EQ(objects[5]["normalRecords"], 12);
  EXPECT_TRUE(objects[5]["surfaces"].empty());
  EXPECT_EQ(report["selectedObject"], 1);
}

TEST_F(VlmHost, StatsPrintsOneLineOfTimingAndCounts) {
  const Outcome o = run({"--stats", VLM_EXAMPLES_DIR "/table.obj"});
  ASSERT_EQ(o.status, 0) << o.err;
  // Five boxes of 8 corners and a shade of 13; six objects of 12 triangles.
  EXPECT_THAT(o.out, ::testing::MatchesRegex("load_s=[0-9]+\\.[0-9]{4} verts=53 faces=72\n"));
}

TEST_F(VlmHost, SeveralFilesArriveInOneSceneWithOneSelectionEach) {
  const std::string table = VLM_EXAMPLES_DIR "/table.obj";
  const std::string house = VLM_EXAMPLES_DIR "/house.dxf";
  const Outcome o = run({"--json", table, house});
  ASSERT_EQ(o.status, 0) << o.err;
  const auto report = nlohmann::json::parse(o.out);
  ASSERT_EQ(report["objects"].size(), 7u);
  const auto& imports = report["imports"];
  ASSERT_EQ(imports.size(), 2u);
  EXPECT_EQ(imports[0]["file"], table);
  EXPECT_EQ(imports[0]["format"], "obj");
  EXPECT_EQ(imports[0]["objects"].size(), 6u);
  EXPECT_EQ(imports[1]["format"], "dxf");
  EXPECT_EQ(imports[1]["objects"], nlohmann::json::parse(R"(["Obj7"])"));
  // Each import's selection is its own; the last one's is the report's.
  EXPECT_EQ(imports[0]["selectedObject"], 1);
  EXPECT_EQ(imports[1]["selectedObject"], 7);
  EXPECT_EQ(report["selectedObject"], 7);
  // The dialog closed after each import and saved the format of the last one.
  EXPECT_NE(settingsText().find("FileFormat=int16:1"), std::string::npos) << settingsText();
}

TEST_F(VlmHost, OneImportBringingNothingMakesTheRunFail) {
  const Outcome o = run({VLM_EXAMPLES_DIR "/table.obj", file("empty.obj", "")});
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.out.find("Imports: 2"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("(obj): no objects, SelectedObject -1"), std::string::npos) << o.out;
}

TEST_F(VlmHost, LfOnlyDxfGetsOneHintUnlessQuiet) {
  std::string lf = slurp(VLM_EXAMPLES_DIR "/house.dxf");
  std::erase(lf, '\r');
  const std::string path = file("house_lf.dxf", lf);
  const Outcome hinted = run({path});
  EXPECT_EQ(lineCount(hinted.err), 1u) << hinted.err;
  EXPECT_NE(hinted.err.find("vlmhost: hint: " + path + ": the file's lines end in LF only"),
            std::string::npos)
      << hinted.err;
  EXPECT_NE(hinted.err.find("unix2dos"), std::string::npos);
  EXPECT_EQ(run({"--quiet", path}).err, "");
  // The sample as shipped, with CR LF, imports as expected and gets no hint.
  EXPECT_EQ(run({VLM_EXAMPLES_DIR "/house.dxf"}).err, "");
}

TEST_F(VlmHost, VersionNamesProgramAndPlugIn) {
  const Outcome o = run({"--version"});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_THAT(o.out, ::testing::MatchesRegex(
                         "vlmhost [0-9]+\\.[0-9]+\\.[0-9]+\nplug-in: Import Object v1\\.5\n"));
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
  const std::vector<std::string> alone = {(folder_ / "alone" / "vlmhost").string(),
                                          VLM_EXAMPLES_DIR "/table.obj"};
  EXPECT_EQ(vlm::test::runIn(folder_, alone).status, 0);

  const Outcome unreg = run({"--unregister"});
  EXPECT_EQ(unreg.status, 0) << unreg.err;
  EXPECT_NE(unreg.out.find("removed HKEY_CLASSES_ROOT\\VLMImport.CPlugIn\n"), std::string::npos);
  const Outcome lost = vlm::test::runIn(folder_, alone);
  EXPECT_EQ(lost.status, 1);
  EXPECT_NE(lost.err.find("cannot find the plug-in"), std::string::npos) << lost.err;
}

TEST_F(VlmHost, GuiWithoutADisplaySaysSoInOneLine) {
  for (const std::vector<std::string>& env : {std::vector<std::string>{"env", "-u", "DISPLAY"},
                                              std::vector<std::string>{"env", "DISPLAY=:99999"}}) {
    std::vector<std::string> argv = env;
    argv.insert(argv.end(), {VLMHOST_PATH, "--gui", VLM_EXAMPLES_DIR "/house.dxf"});
    const Outcome o = vlm::test::runIn(folder_, argv);
    EXPECT_EQ(o.status, 2) << env.back();
    EXPECT_EQ(lineCount(o.err), 1u) << o.err;
    EXPECT_NE(o.err.find("cannot show the dialog"), std::string::npos) << o.err;
    EXPECT_EQ(o.out, "");
  }
}

TEST_F(VlmHost, GuiLeavesTheChoicesToThePerson) {
  for (const auto& args : std::vector<std::vector<std::string>>{{"--gui", "a.obj", "b.obj"},
                                                                {"--gui", "--no-normals"},
                                                                {"--gui", "--cancel-after", "3"}}) {
    const Outcome o = run(args);
    EXPECT_EQ(o.status, 2) << args[1];
    EXPECT_EQ(lineCount(o.err), 1u) << o.err;
  }
}

TEST_F(VlmHost, RelativeNamesStillResolveAfterAnImportThatChangedTheFolder) {
  // The 3DS import leaves the process in another folder; the next file must still be found.
  fs::copy_file(VLM_EXAMPLES_DIR "/sample.3ds", folder_ / "sample.3ds");
  fs::copy_file(VLM_EXAMPLES_DIR "/table.obj", folder_ / "table.obj");
  const Outcome o = run({"sample.3ds", "table.obj"});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("\"table.obj\" (obj): objects Obj4..Obj9"), std::string::npos) << o.out;
}
