// The settings file in a state the component did not leave it in: corrupt, empty, too
// large, a folder, below a "folder" that is a file, or read-only. The dialog still
// works, a failed write shows one message and leaves the dialog idle, and nothing that
// was saved is lost.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <utility>

#include "HostileImport.h"
#include "HostileSettings.h"
#include "support/OrdinaryUser.h"

namespace vlm::hostile {
namespace {

const std::string kTriangleObj = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";

class SettingsFile : public HostileImport {
 protected:
  void writeSettings(std::string_view bytes) {
    std::filesystem::create_directories(std::filesystem::path(settingsFile()).parent_path());
    std::ofstream out(settingsFile(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  Outcome importTriangle() { return importBytes("model.obj", kTriangleObj); }
};

// Saved values between lines of noise: the noise is skipped, the values are kept, and
// the import writes its own two values beside them.
TEST_F(SettingsFile, CorruptFileKeepsItsValuesAndTheDialogWorks) {
  std::mt19937 random(7);
  std::string noise;
  for (int i = 0; i < 4000; ++i) noise += static_cast<char>(random() % 256);
  writeSettings(noise +
                "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollavent\\VLMImport\\PLY]\n"
                "Path=text:/models/ply/\n" +
                noise +
                "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\"
                "Hollavent\\VLMImport]\nFileFormat=int16:4\nOther=int32:77\n");
  const std::string before = otherSavedValues();
  ASSERT_NE(before.find("/models/ply/"), std::string::npos);
  ASSERT_NE(before.find("Other"), std::string::npos);

  const Outcome outcome = importTriangle();
  EXPECT_TRUE(outcome.failures().empty());
  EXPECT_EQ(outcome.objects, 1u);
  EXPECT_EQ(otherSavedValues(), before);
  EXPECT_EQ(savedFormat(), 0);
}

TEST_F(SettingsFile, EmptyFileReadsAsNoValues) {
  writeSettings("");
  const Outcome outcome = importTriangle();
  EXPECT_TRUE(outcome.failures().empty());
  EXPECT_EQ(outcome.objects, 1u);
  EXPECT_EQ(savedFormat(), 0);
}

// Something the component cannot write over stands where its file or folder should be:
// a folder, a file, or a file over the size limit (which it cannot have written).
struct Obstacle {
  const char* name;
  // Places the obstacle for the settings file `file`; returns a file that must keep its
  // bytes, and those bytes.
  std::function<std::pair<std::string, std::string>(const std::string& file)> place;
};

const Obstacle kObstacles[] = {
    {"FileIsAFolder",
     [](const std::string& file) {
       std::filesystem::create_directories(file);
       std::ofstream(file + "/keep") << "kept";
       return std::pair(file + "/keep", std::string("kept"));
     }},
    {"FolderIsAFile",
     [](const std::string& file) {
       const std::string folder = std::filesystem::path(file).parent_path().string();
       std::filesystem::create_directories(std::filesystem::path(folder).parent_path());
       std::ofstream(folder) << "kept";
       return std::pair(folder, std::string("kept"));
     }},
    {"OversizedFile",
     [](const std::string& file) {
       const std::string huge = "; " + std::string(size_t{5} << 20, 'x') + "\n";
       std::filesystem::create_directories(std::filesystem::path(file).parent_path());
       std::ofstream(file, std::ios::binary) << huge;
       return std::pair(file, huge);
     }},
};

class SettingsObstacle : public SettingsFile, public ::testing::WithParamInterface<Obstacle> {};

TEST_P(SettingsObstacle, WriteFailsWithOneMessageAndTheObstacleStays) {
  const auto [kept, bytes] = GetParam().place(settingsFile());
  const Outcome outcome = importTriangle();
  ASSERT_EQ(outcome.failures().size(), 1u) << ::testing::PrintToString(outcome.failures());
  EXPECT_TRUE(outcome.idle);
  EXPECT_EQ(outcome.objects, 0u);
  // Closing the dialog saves the format, which fails the same way and is shown too.
  EXPECT_EQ(outcome.messages.size(), 2u);
  EXPECT_EQ(slurp(kept), bytes);
}

INSTANTIATE_TEST_SUITE_P(Obstacles, SettingsObstacle, ::testing::ValuesIn(kObstacles),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsFile, ReadOnlyFolderKeepsTheSavedFile) {
  const std::string saved =
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollavent\\VLMImport]\nFileFormat=int16:3\n";
  writeSettings(saved);
  const std::string folder = std::filesystem::path(settingsFile()).parent_path().string();
  ::chmod(folder.c_str(), 0555);
  const std::string model = dir.write("model.obj", kTriangleObj);
  Outcome outcome;
  {
    const test::OrdinaryUser user({dir.path().string(), configHome.path().string()});
    if (!user.restricted()) GTEST_SKIP() << "no ordinary user can try the access here";
    outcome = importPath(model, "obj");
  }
  ::chmod(folder.c_str(), 0700);
  EXPECT_EQ(outcome.failures().size(), 1u);
  EXPECT_TRUE(outcome.idle);
  EXPECT_EQ(slurp(settingsFile()), saved);
}

}  // namespace
}  // namespace vlm::hostile
