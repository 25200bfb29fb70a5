// vlmhost end to end, as a person runs it from a shell: the built program loads the built
// plug-in through dlopen; what it prints where, its exit status and what it saves.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

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
    fs::create_directory(folder_ / "sub.bin");
    dir_.write("plain", "x");
  }
  std::string settingsText() { return slurp(folder_ / "config" / "vlmimport" / "registry.ini"); }
};

// One run of tests/data/vlmhost/runs.tsv.
struct ProgramRun {
  std::string what;
  int status = 0;
  size_t errLines = 0;
  std::string out;  // a pattern stdout must contain
  std::string err;  // a pattern stderr must contain; "^$" for nothing at all
  std::vector<std::string> args;
};

void PrintTo(const ProgramRun& run, std::ostream* out) { *out << run.what; }

// The runs of the table, "\n" in a field read as a line end, "<examples>" as the samples'
// folder, "<data>" as tests/data.
std::vector<ProgramRun> programRuns() {
  std::ifstream in(std::string(VLM_TEST_DATA_DIR) + "/vlmhost/runs.tsv");
  std::vector<ProgramRun> runs;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> fields;
    std::istringstream row(line);
    for (std::string field; std::getline(row, field, '\t');) {
      for (size_t at; (at = field.find("\\n")) != std::string::npos;) field.replace(at, 2, "\n");
      if (field.starts_with("<examples>")) field.replace(0, 10, kExamples);
      if (field.starts_with("<data>")) field.replace(0, 6, VLM_TEST_DATA_DIR);
      fields.push_back(field);
    }
    runs.push_back({fields.at(0), std::stoi(fields.at(1)), std::stoul(fields.at(2)), fields.at(3),
                    fields.at(4), {fields.begin() + 5, fields.end()}});
  }
  return runs;
}

class Runs : public VlmHost, public ::testing::WithParamInterface<ProgramRun> {};

TEST_P(Runs, StatusOutputAndMessages) {
  const ProgramRun& r = GetParam();
  std::vector<std::string> argv{VLMHOST_PATH};
  for (const std::string& a : r.args) {
    if (a == "<no display>" || a == "<bad display>") {
      argv.insert(argv.begin(), {"env", a == "<no display>" ? "-uDISPLAY" : "DISPLAY=:99999"});
    } else if (a == "<settings under a file>") {
      argv.insert(argv.begin(), {"env", "XDG_CONFIG_HOME=" + (folder_ / "plain/config").string()});
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

INSTANTIATE_TEST_SUITE_P(Table, Runs, ::testing::ValuesIn(programRuns()), [](const auto& info) {
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
                             "--crlf", "--file-units", "--export-each", "--to", "--jobs",
                             "--gui", "--view", "--plugin", "--register",
                             "--unregister", "--version"}) {
    std::smatch line;  // the option's own line: "  --name ..." or "  -q,--name ..."
    ASSERT_TRUE(std::regex_search(o.out, line, std::regex("\n  (-[a-z],)?" + std::string(option) + " ")))
        << option;
    const size_t at = static_cast<size_t>(line.position(0)) + 1;
    const size_t example = o.out.find("e.g. vlmhost", at);
    ASSERT_NE(example, std::string::npos) << option;
    EXPECT_LT(lineCount(o.out.substr(at, example - at)), 3u) << option;
  }
}

// The dialog's closing step saves the format (picked by the extension in any letter case)
// and, after an import, the full path of the file's folder.
TEST_F(VlmHost, TheDialogSavesTheFormatAndFolderAfterEachRun) {
  run({"--quiet"});
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

}  // namespace
