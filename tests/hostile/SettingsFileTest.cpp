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

#include "HostileImport.h"
#include "HostileSettings.h"

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
  writeSettings(noise + "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollavent\\VLMImport\\PLY]\n"
                        "Path=text:/models/ply/\n" + noise + "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\"
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

// A file the component cannot have written (over its size limit) is not overwritten:
// the run's write fails with one message and the file keeps every byte.
TEST_F(SettingsFile, OversizedFileIsNeitherLoadedNorOverwritten) {
  const std::string huge = "; " + std::string(size_t{5} << 20, 'x') + "\n";
  writeSettings(huge);
  const Outcome outcome = importTriangle();
  EXPECT_EQ(outcome.failures().size(), 1u);
  EXPECT_TRUE(outcome.idle);
  EXPECT_EQ(outcome.objects, 0u);
  EXPECT_EQ(readFile(settingsFile()), huge);
}

struct Obstacle {
  const char* name;
  std::function<void(const std::string& file)> place;
};

const Obstacle kObstacles[] = {
    {"FileIsAFolder",
     [](const std::string& file) {
       std::filesystem::create_directories(file);
       std::ofstream(file + "/keep") << "kept";
     }},
    {"FolderIsAFile",
     [](const std::string& file) {
       const std::string folder = std::filesystem::path(file).parent_path().string();
       std::filesystem::create_directories(std::filesystem::path(folder).parent_path());
       std::ofstream(folder) << "kept";
     }},
};

class SettingsObstacle : public SettingsFile, public ::testing::WithParamInterface<Obstacle> {};

TEST_P(SettingsObstacle, WriteFailsWithOneMessageAndTheObstacleStays) {
  GetParam().place(settingsFile());
  const Outcome outcome = importTriangle();
  ASSERT_EQ(outcome.failures().size(), 1u) << ::testing::PrintToString(outcome.failures());
  EXPECT_TRUE(outcome.idle);
  EXPECT_EQ(outcome.objects, 0u);
  // Closing the dialog saves the format, which fails the same way and is shown too.
  EXPECT_EQ(outcome.messages.size(), 2u);
  const std::filesystem::path file = settingsFile();
  if (std::filesystem::is_directory(file)) {
    EXPECT_EQ(readFile(file.string() + "/keep"), "kept");
  } else {
    EXPECT_EQ(readFile(file.parent_path().string()), "kept");
  }
}

INSTANTIATE_TEST_SUITE_P(Obstacles, SettingsObstacle, ::testing::ValuesIn(kObstacles),
                         [](const auto& info) { return std::string(info.param.name); });

// Read-only for this user (root writes anyway, so this runs only for other users).
TEST_F(SettingsFile, ReadOnlyFolderKeepsTheSavedFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes everywhere";
  const std::string saved =
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollavent\\VLMImport]\nFileFormat=int16:3\n";
  writeSettings(saved);
  const std::string folder = std::filesystem::path(settingsFile()).parent_path().string();
  ::chmod(folder.c_str(), 0500);
  const Outcome outcome = importTriangle();
  ::chmod(folder.c_str(), 0700);
  EXPECT_EQ(outcome.failures().size(), 1u);
  EXPECT_TRUE(outcome.idle);
  EXPECT_EQ(readFile(settingsFile()), saved);
}

}  // namespace
}  // namespace vlm::hostile
