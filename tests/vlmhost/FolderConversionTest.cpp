// vlmhost converting files one by one (--export-each) and reading LF-only files through a
// CR LF copy (--crlf); --file-units is a golden scene's option.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "vlmhost/VlmHostRun.h"

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;
using vlm::testing::Outcome;
using vlm::testing::slurp;

const std::string kExamples = VLM_EXAMPLES_DIR;

std::string withoutCr(std::string text) {
  std::erase(text, '\r');
  return text;
}

class FolderConversion : public vlm::testing::VlmHostFolder {
 protected:
  void copy(const std::string& sample, const std::string& name) {
    fs::create_directories((folder_ / name).parent_path());
    fs::copy_file(kExamples + "/" + sample, folder_ / name);
  }
};

// A folder of real and broken files: every input gets its own output or its reason, names
// with a space or outside ASCII stay, and inputs of one stem do not overwrite each other.
TEST_F(FolderConversion, EachInputGetsItsOwnOutputOrItsReason) {
  copy("table.obj", "in/a table.obj");
  copy("tower_le.ply", "in/sub/a table.ply");
  copy("sample.3ds", "in/sub/\xc3\xa9t\xc3\xa9.3ds");
  dir_.write("in/house_lf.dxf", withoutCr(slurp(kExamples + "/house.dxf")));
  dir_.write("in/notes.obj", "just words\n");
  fs::copy_file(std::string(VLM_TEST_DATA_DIR) + "/vlmhost/hints/many_corners.obj",
                folder_ / "in/many_corners.obj");
  dir_.write("in/readme.txt", "not a model\n");
  fs::create_symlink(folder_ / "nowhere.obj", folder_ / "gone.obj");
  const Outcome o = run({"--export-each", "converted", "--to", "glb", "--json", "--jobs", "2", "in",
                         "gone.obj"});
  EXPECT_EQ(o.status, 1) << o.err;
  EXPECT_NE(o.err.find("7 files: 5 converted, 1 without triangles, 1 failed; 1 read with CR LF "
                       "line ends; 1 with faces the importer left out\n"),
            std::string::npos)
      << o.err;
  std::map<std::string, Json> byFile;
  for (const Json& r : Json::parse(o.out)) byFile[r["file"]] = r;
  const std::map<std::string, std::pair<std::string, std::string>> expected = {
      {"in/a table.obj", {"converted", "a table.glb"}},
      {"in/house_lf.dxf", {"converted", "house_lf.glb"}},
      {"in/many_corners.obj", {"converted", "many_corners.glb"}},
      {"in/notes.obj", {"no triangles", ""}},
      {"in/sub/a table.ply", {"converted", "a table-2.glb"}},
      {"in/sub/\xc3\xa9t\xc3\xa9.3ds", {"converted", "\xc3\xa9t\xc3\xa9.glb"}},
      {"gone.obj", {"failed", ""}}};
  ASSERT_EQ(byFile.size(), expected.size()) << o.out;
  for (const auto& [file, want] : expected) {
    const Json& r = byFile[file];
    EXPECT_EQ(r["status"], want.first) << file;
    if (want.second.empty()) {
      EXPECT_TRUE(r["output"].is_null()) << file;
      EXPECT_NE(r["message"], "") << file;
    } else {
      EXPECT_EQ(r["output"], (fs::absolute(folder_ / "converted") / want.second).string()) << file;
      EXPECT_GT(r["triangles"].get<int>(), 0) << file;
      EXPECT_TRUE(fs::is_regular_file(folder_ / "converted" / want.second)) << file;
    }
    EXPECT_EQ(r["crlf"], file == "in/house_lf.dxf") << file;
    EXPECT_EQ(r["leftOutFaces"], file == "in/many_corners.obj" ? 2 : 0) << file;
  }
  EXPECT_EQ(byFile["in/a table.obj"]["triangles"], 72);
  EXPECT_NE(o.err.find("vlmhost: gone.obj: cannot read 'gone.obj'"), std::string::npos) << o.err;
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_ / "converted"), fs::directory_iterator()), 5);
}

// An LF-only DXF read through its CR LF copy gives the scene of the CR LF file; the copy
// is gone afterwards and the dialog remembers the file's own folder.
TEST_F(FolderConversion, CrLfCopyReadsLikeTheOriginalAndLeavesNothing) {
  dir_.write("house.dxf", withoutCr(slurp(kExamples + "/house.dxf")));
  fs::create_directory(folder_ / "tmp");
  const Outcome o = vlm::test::runIn(folder_, {"env", "TMPDIR=" + (folder_ / "tmp").string(),
                                               VLMHOST_PATH, "--json", "--crlf", "house.dxf"});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_NE(slurp(folder_ / "config/vlmimport/registry.ini").find("Path=text:" + folder_.string() + "/\n"),
            std::string::npos);
  Json original = Json::parse(run({"--json", kExamples + "/house.dxf"}).out);
  Json copied = Json::parse(o.out);
  EXPECT_EQ(copied["objects"], original["objects"]);
  EXPECT_EQ(fs::directory_iterator(folder_ / "tmp"), fs::directory_iterator()) << "left behind";
}

}  // namespace
