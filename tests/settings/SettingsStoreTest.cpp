// The settings component as its callers see it: values saved and read back through the
// late-bound "RegServer.RegFun" and the store below it, damaged or blocked files, and
// saved settings that no failure loses.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "SettingsTestSupport.h"
#include "platform/ObjectRegistry.h"
#include "settings/RegFun.h"
#include "settings/RegistryFile.h"
#include "settings/SettingsStore.h"
#include "support/ErrorOf.h"
#include "support/OrdinaryUser.h"

namespace vlm {
namespace {

namespace fs = std::filesystem;
using test::errorOf;
using test::shown;
using test::TempConfigHome;

constexpr auto kMachine = RegistryRoot::LocalMachine;
constexpr std::string_view kBase = "SOFTWARE\\Hollavent\\VLMImport";
constexpr std::string_view kObj = "SOFTWARE\\Hollavent\\VLMImport\\OBJ";
const Variant kMachineLong(static_cast<int32_t>(0x80000002u));  // as the dialog passes it

// Each call creates and releases its own component, as the dialog does.
Variant regFun(std::string_view member, std::vector<Variant> args) {
  registerSettingsComponent();
  return invokeByName(*createObject("RegServer.RegFun"), member, InvokeKind::Method, args);
}
std::string stored(std::string_view subKey, std::string_view name) {
  return shown(readRegistryValue(kMachine, subKey, name));
}

// Names, types and bytes of everything in the settings folder.
std::string listing(const TempConfigHome& home) {
  std::string out;
  for (const auto& entry : fs::recursive_directory_iterator(home.path())) {
    out += entry.path().string() + " " + std::to_string(static_cast<int>(entry.status().type()));
    if (entry.is_regular_file()) out += " " + test::slurp(entry.path());
    out += "\n";
  }
  return out;
}

TEST(SettingsStore, FileLivesUnderXdgConfigHomeOrElseHomeDotConfig) {
  TempConfigHome home;
  setenv("XDG_CONFIG_HOME", home.file("not/yet").c_str(), 1);
  setRegistryValue(kMachine, kBase, "FileFormat", Variant(int16_t{2}));  // makes the folders
  EXPECT_TRUE(fs::is_regular_file(home.file("not/yet/vlmimport/registry.ini")));
  const std::string savedHome = getenv("HOME") ? getenv("HOME") : "";
  setenv("HOME", "/home/someone", 1);
  for (const char* unusable : {"", "relative/config", static_cast<const char*>(nullptr)}) {
    if (unusable) setenv("XDG_CONFIG_HOME", unusable, 1);
    if (!unusable) unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(settingsFilePath(), "/home/someone/.config/vlmimport/registry.ini");
  }
  setenv("HOME", savedHome.c_str(), 1);
}

TEST(RegFun, SavedValuesComeBackOfTheirKindAndMissingOnesGiveTheDefault) {
  TempConfigHome home;
  const Variant values[] = {int16_t{-1}, int16_t{32767}, int16_t{-32768}, int32_t{5},
                            int32_t{-2147483647 - 1}, 1.1f, -0.1, true, false, "", "12",
                            "  spaced  ", "C:\\a=b\n[c]\r\xff%41", std::string("nul\0in", 6)};
  for (size_t i = 0; i < std::size(values); ++i) {
    regFun("WriteValue", {kMachineLong, kObj, "v" + std::to_string(i), values[i]});
  }
  for (size_t i = 0; i < std::size(values); ++i) {
    EXPECT_EQ(shown(regFun("ReadValue", {kMachineLong, kObj, "V" + std::to_string(i), 0})),
              shown(values[i]));
  }
  EXPECT_EQ(shown(regFun("ReadValue", {kMachineLong, kBase, "v0", int16_t{9}})), "Integer 9");
  EXPECT_TRUE(regFun("ReadValue", {kMachineLong, kBase, "v0"}).isEmpty());
  EXPECT_TRUE(regFun("ReadValue", {kMachineLong, kBase, "v0", Variant::missing()}).isEmpty());
  regFun("WriteValue", {kMachineLong, "software\\HOLLAVENT\\vlmimport\\obj", "V0", "/y/"});
  EXPECT_EQ(stored(kObj, "v0"), "String /y/");
  const std::string text = test::slurp(home.filePath());
  EXPECT_EQ(text.find("v0="), text.rfind("v0="));  // one value, first spelling kept
  EXPECT_EQ(text.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollavent\\VLMImport]"), std::string::npos);
}

// The root comes as a number of any kind; as a 32-bit Long it is negative.
TEST(RegFun, UnknownRootsAndUnstorableValuesAreRefusedAndWriteNothing) {
  TempConfigHome home;
  std::vector<int32_t> array{1, 2};
  const char *kByComponent = "RegServer.RegFun", *kByRuntime = "VLMImport";
  const struct {
    std::vector<Variant> args;
    int32_t number;
    const char* source;
  } refused[] = {
      {{int32_t{0}, kBase, "X", 1}, err::kInvalidCall, kByComponent},
      {{int16_t{2}, kBase, "X", 1}, 5, kByComponent},
      {{static_cast<int32_t>(0x80000004u), kBase, "X", 1}, 5, kByComponent},
      {{2147483650.5, kBase, "X", 1}, 5, kByComponent},
      {{4294967298.0, kBase, "X", 1}, 5, kByComponent},
      {{true, kBase, "X", 1}, 5, kByComponent},
      {{Variant(), kBase, "X", 1}, 5, kByComponent},
      {{"HKLM", kBase, "X", 1}, err::kTypeMismatch, kByRuntime},
      {{kMachineLong, kBase, "X", Variant()}, 13, kByComponent},
      {{kMachineLong, kBase, "X", Variant::missing()}, 13, kByComponent},
      {{kMachineLong, kBase, "X", ObjectRef()}, 13, kByComponent},
      {{kMachineLong, kBase, "X", &array}, 13, kByComponent},
      {{kMachineLong, kBase, "X"}, err::kWrongArgCount, kByRuntime}};
  for (const auto& [args, number, source] : refused) {
    EXPECT_EQ(test::errorPartsOf([&] { regFun("WriteValue", args); }),
              test::ErrorParts(number, source, classicDescription(number) +
                                                   (number == 5 ? ": unknown root key" : "")));
  }
  EXPECT_EQ(errorOf([] { regFun("ReadValue", {int16_t{2}, kBase, "X"}); }), 5);
  EXPECT_EQ(errorOf([] { regFun("ReadValue", {kMachineLong, kBase}); }), err::kWrongArgCount);
  EXPECT_FALSE(fs::exists(home.filePath()));

  regFun("WriteValue", {2147483650.0, kBase, "FileFormat", int16_t{2}});
  for (const Variant& root : {kMachineLong, Variant(-2147483646.0), Variant("2147483650")}) {
    EXPECT_EQ(shown(regFun("ReadValue", {root, kBase, "FileFormat", 0})), "Integer 2");
  }
  regFun("WriteValue", {int32_t{-2147483647 - 1}, kBase, "Root", "classes"});
  EXPECT_EQ(shown(readRegistryValue(RegistryRoot::ClassesRoot, kBase, "Root")), "String classes");
  EXPECT_EQ(shown(regFun("ReadValue", {int32_t{-2147483647}, kBase, "FileFormat", 0})), "Long 0");

  unregisterSettingsComponent();
  EXPECT_EQ(errorOf([] { createObject("RegServer.RegFun"); }), err::kCantCreateObject);
}

// Well-formed values of a damaged file survive the next write; a temporary file left by
// a crash before its rename is never read; a change to the same value writes nothing.
TEST(SettingsStore, DamagedFileKeepsItsWellFormedValuesThroughALaterWrite) {
  TempConfigHome home;
  fs::create_directories(home.folder());
  std::ofstream(home.filePath(), std::ios::binary)
      << std::string("\x7f" "ELF\x02\x01\0\0 junk\n", 14)
      << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollavent\\VLMImport]\nFileFormat=int16:3\nCut=int1\n"
         "\xff\xfe garbage = = [[\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollavent\\VLMImport\\OBJ]\n"
         "Path=text:/models/\nHalf=text:/half/writ";
  writeTempFile(home.filePath(), "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollavent\\VLMImport]\nFileFor");
  setRegistryValue(kMachine, kObj, "Other", Variant(int32_t{7}));
  EXPECT_EQ(stored(kBase, "FileFormat") + stored(kObj, "Path") + stored(kBase, "Cut") +
                stored(kObj, "Half") + stored(kObj, "Other"),
            "Integer 3String /models/nonenoneLong 7");
  EXPECT_EQ(test::slurp(home.filePath()).find("garbage"), std::string::npos);
  struct stat first {}, second {};
  stat(home.filePath().c_str(), &first);
  setRegistryValue(kMachine, kObj, "other", Variant(int32_t{7}));
  EXPECT_FALSE(deleteRegistryKey(kMachine, "SOFTWARE\\Nothing"));
  stat(home.filePath().c_str(), &second);
  EXPECT_EQ(first.st_ino, second.st_ino);
}


// What stands where the file should be reads as no values, refuses every change naming
// the path, and stays as it was: a folder, a pipe (which must not block), a file over the
// size limit, a file the user may not read, a folder the user may not write into.
TEST(SettingsStore, BlockedFileRefusesChangesAndStaysAsItWas) {
  for (const std::string obstacle : {"folder", "pipe", "oversized", "unreadable", "read-only"}) {
    SCOPED_TRACE(obstacle);
    TempConfigHome home;
    const bool refused = obstacle == "unreadable" || obstacle == "read-only";
    fs::create_directories(home.folder());
    if (obstacle == "folder") fs::create_directories(home.filePath() + "/inside");
    if (obstacle == "pipe") {
      ASSERT_EQ(mkfifo(home.filePath().c_str(), 0600), 0);
    }
    if (obstacle != "folder" && obstacle != "pipe") {
      setRegistryValue(kMachine, kBase, "FileFormat", Variant(int16_t{2}));
    }
    if (obstacle == "oversized") fs::resize_file(home.filePath(), kMaxRegistryFileBytes + 1);
    chmod(home.filePath().c_str(), obstacle == "unreadable" ? 0 : 0644);
    const std::string before = listing(home);
    if (obstacle == "read-only") chmod(home.folder().c_str(), 0555);
    {
      std::optional<test::OrdinaryUser> user;
      if (refused) user.emplace(std::vector{home.path().string(), home.folder()});
      if (user && !user->restricted()) continue;  // root reads and writes anything
      EXPECT_EQ(stored(kBase, "FileFormat"), obstacle == "read-only" ? "Integer 2" : "none");
      const auto [number, source, description] = test::errorPartsOf(
          [] { setRegistryValue(kMachine, kBase, "FileFormat", Variant(int16_t{3})); });
      EXPECT_EQ(number, refused ? err::kPermissionDenied : err::kPathFileAccess);
      EXPECT_EQ(source, "RegServer.RegFun");
      EXPECT_NE(description.find(home.filePath()), std::string::npos) << description;
      EXPECT_EQ(errorOf([] { deleteRegistryKey(kMachine, kBase); }), number);
    }
    chmod(home.folder().c_str(), 0700);
    EXPECT_EQ(listing(home), before);
  }
}

// A failed rename, or a change that stops halfway, leaves the old file and no temporary.
TEST(SettingsStore, FailedWritesLeaveTheOldFile) {
  TempConfigHome home;
  setRegistryValue(kMachine, kBase, "FileFormat", Variant(int16_t{1}));
  fs::create_directories(home.file("vlmimport/blocked/inside"));
  const std::string before = listing(home);
  EXPECT_EQ(errorOf([&] { commitTempFile(home.filePath() + ".tmp.gone", home.filePath()); }),
            err::kPathFileAccess);
  // A rename over a folder that holds files fails after the temporary file was written.
  EXPECT_EQ(errorOf([&] { replaceFile(home.file("vlmimport/blocked"), "new\n"); }),
            err::kPathFileAccess);
  EXPECT_THROW(editRegistry([](RegistryData& data) {
                 data.eraseKeyTree("HKEY_LOCAL_MACHINE");
                 data.setValue("HKEY_CLASSES_ROOT\\X", "", Variant("x"));
                 throw std::runtime_error("stopped halfway");
               }),
               std::runtime_error);
  EXPECT_EQ(listing(home), before);
}

TEST(SettingsStore, DeletingAKeyTakesItsSubKeysButNotItsNeighbours) {
  TempConfigHome home;
  const std::pair<RegistryRoot, std::string_view> keys[] = {
      {kMachine, kBase}, {kMachine, kObj}, {kMachine, "SOFTWARE\\Hollavent\\VLMImport\\OBJ\\Deeper"},
      {kMachine, "SOFTWARE\\Hollavent\\VLMImportOld"}, {kMachine, "SOFTWARE\\Hollavent"},
      {RegistryRoot::CurrentUser, kBase}};
  for (const auto& [root, key] : keys) setRegistryValue(root, key, "Keep", Variant(true));
  EXPECT_TRUE(deleteRegistryKey(kMachine, "software\\HOLLAVENT\\vlmimport"));
  std::string exist;
  for (const auto& [root, key] : keys) exist += registryKeyExists(root, key) ? '1' : '0';
  EXPECT_EQ(exist, "000111");
  EXPECT_FALSE(deleteRegistryKey(kMachine, kBase));

  setRegistryValue(kMachine, kBase, "FileFormat", Variant(int16_t{1}));
  setRegistryValue(kMachine, kBase, "", Variant("default"));
  setRegistryValue(kMachine, kObj, "Path", Variant("/a/"));
  setRegistryValue(kMachine, kBase, "FILEFORMAT", Variant(int16_t{2}));
  std::string listed;
  for (const auto& [name, value] : listRegistryValues(kMachine, kBase)) {
    listed += name + "=" + shown(value) + ";";
  }
  EXPECT_EQ(listed, "=String default;FileFormat=Integer 2;");
  EXPECT_TRUE(listRegistryValues(kMachine, "SOFTWARE\\None").empty());
}

}  // namespace
}  // namespace vlm
