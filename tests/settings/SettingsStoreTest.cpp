#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <stdexcept>

#include "SettingsTestSupport.h"
#include "settings/RegistryFile.h"
#include "settings/SettingsStore.h"
#include "support/OrdinaryUser.h"

namespace vlm {
namespace {

using test::EnvironmentGuard;
using test::errorOf;
using test::sameValue;
using test::TempConfigHome;

constexpr auto kMachine = RegistryRoot::LocalMachine;
constexpr std::string_view kBase = "SOFTWARE\\Hollavent\\VLMImport";
constexpr std::string_view kObj = "SOFTWARE\\Hollavent\\VLMImport\\OBJ";

// The value `name` under HKEY_LOCAL_MACHINE\`subKey` is there and is `expected`.
::testing::AssertionResult holds(std::string_view subKey, std::string_view name,
                                 const Variant& expected) {
  const auto value = readRegistryValue(kMachine, subKey, name);
  if (!value) return ::testing::AssertionFailure() << "no value " << name;
  return sameValue(*value, expected);
}

std::vector<std::string> tempFilesIn(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
    const std::string name = entry.path().filename().string();
    if (name.find(".tmp.") != std::string::npos) names.push_back(name);
  }
  return names;
}

TEST(SettingsStore, FileLivesUnderXdgConfigHomeOrElseHomeDotConfig) {
  TempConfigHome home;
  EXPECT_EQ(settingsFilePath(), home.folder() + "/vlmimport/registry.ini");
  EnvironmentGuard keepHome("HOME");
  setenv("HOME", "/home/someone", 1);
  for (const char* unusable : {"", "relative/config"}) {
    setenv("XDG_CONFIG_HOME", unusable, 1);
    EXPECT_EQ(settingsFilePath(), "/home/someone/.config/vlmimport/registry.ini") << unusable;
  }
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(settingsFilePath(), "/home/someone/.config/vlmimport/registry.ini");
}

TEST(SettingsStore, FirstWriteCreatesTheMissingFolders) {
  TempConfigHome home;
  setenv("XDG_CONFIG_HOME", (home.folder() + "/not/yet").c_str(), 1);
  EXPECT_FALSE(readRegistryValue(kMachine, kBase, "FileFormat"));
  setRegistryValue(kMachine, kBase, "FileFormat", Variant(int16_t{2}));
  EXPECT_TRUE(std::filesystem::is_regular_file(home.folder() + "/not/yet/vlmimport/registry.ini"));
  EXPECT_TRUE(holds(kBase, "FileFormat", Variant(int16_t{2})));
}

TEST(SettingsStore, CorruptFileKeepsItsWellFormedValuesThroughALaterWrite) {
  TempConfigHome home;
  home.writeFile(std::string("\x7f"
                             "ELF\x02\x01\x01\0\0\0 junk\n",
                             16) +
                 "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollavent\\VLMImport]\n"
                 "FileFormat=int16:3\n"
                 "Truncated=int1\n"
                 "\xff\xfe\xfd garbage = = [[\n"
                 "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollavent\\VLMImport\\OBJ]\n"
                 "Path=text:/models/\n"
                 "Cut=text:/half/writ");
  EXPECT_TRUE(holds(kBase, "FileFormat", Variant(int16_t{3})));
  EXPECT_TRUE(holds(kObj, "Path", Variant("/models/")));
  EXPECT_FALSE(readRegistryValue(kMachine, kBase, "Truncated"));
  EXPECT_FALSE(readRegistryValue(kMachine, kObj, "Cut"));

  setRegistryValue(kMachine, kObj, "Other", Variant(int32_t{7}));
  EXPECT_TRUE(holds(kBase, "FileFormat", Variant(int16_t{3})));
  EXPECT_TRUE(holds(kObj, "Path", Variant("/models/")));
  EXPECT_EQ(home.readFile().find("garbage"), std::string::npos);
}

TEST(SettingsStore, CrashBeforeTheRenameLosesNothing) {
  TempConfigHome home;
  setRegistryValue(kMachine, kBase, "FileFormat", Variant(int16_t{1}));
  // A crash after the temporary file was written: it stays behind, never renamed.
  writeTempFile(home.filePath(), "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollavent\\VLMImport]\nFileFor");
  ASSERT_EQ(tempFilesIn(home.settingsFolder()).size(), 1u);
  EXPECT_TRUE(holds(kBase, "FileFormat", Variant(int16_t{1})));
  // The stale file does not get in the way of the next write.
  setRegistryValue(kMachine, kBase, "FileFormat", Variant(int16_t{4}));
  EXPECT_TRUE(holds(kBase, "FileFormat", Variant(int16_t{4})));
}

TEST(SettingsStore, FailedRenameLeavesTheOldFileAndNoTemporaryFile) {
  TempConfigHome home;
  setRegistryValue(kMachine, kBase, "FileFormat", Variant(int16_t{1}));
  EXPECT_EQ(errorOf([&] { commitTempFile(home.filePath() + ".tmp.gone", home.filePath()); }),
            err::kPathFileAccess);
  EXPECT_TRUE(holds(kBase, "FileFormat", Variant(int16_t{1})));

  // A rename over a folder that holds files fails after the temporary file was written.
  const std::string blocked = home.settingsFolder() + "/blocked";
  std::filesystem::create_directories(blocked + "/inside");
  EXPECT_EQ(errorOf([&] { replaceFile(blocked, "new text\n"); }), err::kPathFileAccess);
  EXPECT_TRUE(tempFilesIn(home.settingsFolder()).empty());
  EXPECT_TRUE(std::filesystem::is_directory(blocked + "/inside"));
}

// What stands where the file should be reads as no values, refuses every write and
// stays as it was: a folder, a pipe (which must not block), a file over the size limit.
TEST(SettingsStore, ObstacleWhereTheFileShouldBeReadsEmptyAndRefusesWrites) {
  namespace fs = std::filesystem;
  const std::pair<const char*, std::function<void(const TempConfigHome&)>> obstacles[] = {
      {"folder", [](const TempConfigHome& home) { fs::create_directories(home.filePath()); }},
      {"pipe",
       [](const TempConfigHome& home) {
         fs::create_directories(home.settingsFolder());
         ASSERT_EQ(mkfifo(home.filePath().c_str(), 0600), 0);
       }},
      {"oversized file",
       [](const TempConfigHome& home) {
         std::string text =
             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollavent\\VLMImport]\nFileFormat=int16:1\n";
         text.resize(kMaxRegistryFileBytes + 2, '\n');
         home.writeFile(text);
       }},
  };
  for (const auto& [name, place] : obstacles) {
    SCOPED_TRACE(name);
    TempConfigHome home;
    place(home);
    const auto before = fs::status(home.filePath()).type();
    const auto size = before == fs::file_type::regular ? fs::file_size(home.filePath()) : 0;
    EXPECT_FALSE(readRegistryValue(kMachine, kBase, "FileFormat"));
    EXPECT_TRUE(listRegistryValues(kMachine, kBase).empty());
    EXPECT_EQ(errorOf([] { setRegistryValue(kMachine, kBase, "FileFormat", Variant(int16_t{2})); }),
              err::kPathFileAccess);
    EXPECT_EQ(errorOf([] { deleteRegistryKey(kMachine, kBase); }), err::kPathFileAccess);
    EXPECT_EQ(fs::status(home.filePath()).type(), before);
    if (before == fs::file_type::regular) {
      EXPECT_EQ(fs::file_size(home.filePath()), size);
    }
  }
}

TEST(SettingsStore, ReadOnlyFolderRefusesWritesAndKeepsTheOldValues) {
  TempConfigHome home;
  setRegistryValue(kMachine, kBase, "FileFormat", Variant(int16_t{2}));
  ASSERT_EQ(chmod(home.settingsFolder().c_str(), 0555), 0);
  {
    const test::OrdinaryUser user({home.folder()});
    if (!user.restricted()) GTEST_SKIP() << "no ordinary user can try the access here";
    try {
      setRegistryValue(kMachine, kBase, "FileFormat", Variant(int16_t{3}));
      ADD_FAILURE() << "the write succeeded";
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), err::kPermissionDenied);
      EXPECT_EQ(e.source(), "RegServer.RegFun");
      EXPECT_NE(e.description().find(home.settingsFolder()), std::string::npos)
          << e.description();
    }
  }
  EXPECT_TRUE(holds(kBase, "FileFormat", Variant(int16_t{2})));
}

TEST(SettingsStore, UnreadableFileIsNeitherReadNorOverwritten) {
  TempConfigHome home;
  setRegistryValue(kMachine, kBase, "FileFormat", Variant(int16_t{2}));
  ASSERT_EQ(chmod(home.filePath().c_str(), 0), 0);
  {
    const test::OrdinaryUser user({home.folder(), home.settingsFolder()});
    if (!user.restricted()) GTEST_SKIP() << "no ordinary user can try the access here";
    EXPECT_FALSE(readRegistryValue(kMachine, kBase, "FileFormat"));
    EXPECT_EQ(errorOf([] { setRegistryValue(kMachine, kBase, "Other", Variant(int16_t{1})); }),
              err::kPermissionDenied);
  }
  ASSERT_EQ(chmod(home.filePath().c_str(), 0600), 0);
  EXPECT_TRUE(holds(kBase, "FileFormat", Variant(int16_t{2})));
}

TEST(SettingsStore, OversizedFileReadsEmptyAndIsNotOverwritten) {
  TempConfigHome home;
  std::string text = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollavent\\VLMImport]\nFileFormat=int16:1\n";
  text.resize(kMaxRegistryFileBytes + 2, '\n');
  home.writeFile(text);
  EXPECT_FALSE(readRegistryValue(kMachine, kBase, "FileFormat"));
  EXPECT_EQ(errorOf([] { setRegistryValue(kMachine, kBase, "FileFormat", Variant(int16_t{2})); }),
            err::kPathFileAccess);
  EXPECT_EQ(std::filesystem::file_size(home.filePath()), text.size());
}

TEST(SettingsStore, DeletingAKeyTakesItsSubKeysButNotItsNeighbours) {
  TempConfigHome home;
  setRegistryValue(kMachine, kBase, "FileFormat", Variant(int16_t{1}));
  setRegistryValue(kMachine, kObj, "Path", Variant("/a/"));
  setRegistryValue(kMachine, "SOFTWARE\\Hollavent\\VLMImport\\OBJ\\Deeper", "X", Variant(true));
  setRegistryValue(kMachine, "SOFTWARE\\Hollavent\\VLMImportOld", "Keep", Variant(int16_t{1}));
  setRegistryValue(kMachine, "SOFTWARE\\Hollavent", "Keep", Variant(int16_t{2}));
  setRegistryValue(RegistryRoot::CurrentUser, kBase, "Keep", Variant(int16_t{3}));

  EXPECT_TRUE(deleteRegistryKey(kMachine, "software\\HOLLAVENT\\vlmimport"));
  EXPECT_FALSE(registryKeyExists(kMachine, kBase));
  EXPECT_FALSE(registryKeyExists(kMachine, kObj));
  EXPECT_FALSE(registryKeyExists(kMachine, "SOFTWARE\\Hollavent\\VLMImport\\OBJ\\Deeper"));
  EXPECT_TRUE(readRegistryValue(kMachine, "SOFTWARE\\Hollavent\\VLMImportOld", "Keep"));
  EXPECT_TRUE(readRegistryValue(kMachine, "SOFTWARE\\Hollavent", "Keep"));
  EXPECT_TRUE(readRegistryValue(RegistryRoot::CurrentUser, kBase, "Keep"));
  EXPECT_FALSE(deleteRegistryKey(kMachine, kBase));
}

TEST(SettingsStore, ListingAKeyShowsItsOwnValuesOnly) {
  TempConfigHome home;
  EXPECT_TRUE(listRegistryValues(kMachine, kBase).empty());
  setRegistryValue(kMachine, kBase, "FileFormat", Variant(int16_t{1}));
  setRegistryValue(kMachine, kBase, "", Variant("default"));
  setRegistryValue(kMachine, kObj, "Path", Variant("/a/"));
  setRegistryValue(kMachine, kBase, "FILEFORMAT", Variant(int16_t{2}));  // same value
  const RegistryValues values = listRegistryValues(kMachine, kBase);
  ASSERT_EQ(values.size(), 2u);
  EXPECT_EQ(values.begin()->first, "");
  EXPECT_EQ(std::next(values.begin())->first, "FileFormat");  // the first spelling stays
  EXPECT_TRUE(sameValue(std::next(values.begin())->second, Variant(int16_t{2})));
}

TEST(SettingsStore, EditThatFailsHalfwayWritesNothing) {
  TempConfigHome home;
  setRegistryValue(kMachine, kBase, "FileFormat", Variant(int16_t{1}));
  const std::string before = home.readFile();
  EXPECT_THROW(editRegistry([](RegistryData& data) {
                 data.eraseKeyTree("HKEY_LOCAL_MACHINE");
                 data.setValue("HKEY_CLASSES_ROOT\\VLMImport.CPlugIn", "", Variant("x"));
                 throw std::runtime_error("stopped halfway");
               }),
               std::runtime_error);
  EXPECT_EQ(home.readFile(), before);
}

}  // namespace
}  // namespace vlm
