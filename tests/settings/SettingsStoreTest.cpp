// The settings component as its callers see it: values saved and read back, damaged or
// blocked files, and saved settings that no failure loses.
#include <gtest/gtest.h>
#include <sys/stat.h>

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

TEST(SettingsStore, FileLivesUnderXdgConfigHomeOrElseHomeDotConfig) {
  test::TempConfigHome home;
  setenv("XDG_CONFIG_HOME", home.file("not/yet").c_str(), 1);
  setRegistryValue(kMachine, kBase, "FileFormat", int16_t{2});  // makes the missing folders
  EXPECT_EQ(stored(kBase, "FileFormat"), "Integer 2");
  EXPECT_EQ(settingsFilePath(), home.file("not/yet/vlmimport/registry.ini"));
  const std::string savedHome = getenv("HOME") ? getenv("HOME") : "";
  setenv("HOME", "/home/someone", 1);
  for (const char* unusable : {"", "relative/config", "unset"}) {
    setenv("XDG_CONFIG_HOME", unusable, 1);
    if (unusable == std::string("unset")) unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(settingsFilePath(), "/home/someone/.config/vlmimport/registry.ini");
  }
  setenv("HOME", savedHome.c_str(), 1);
}

// Values come back of the kind they were saved with; a missing one gives the default. The
// root is a number of any kind (as a 32-bit Long, negative); another root is error 5, a
// value the store cannot keep error 13, and neither writes anything.
TEST(RegFun, SavedValuesComeBackAndWhatCannotBeSavedIsRefused) {
  test::TempConfigHome home;
  std::vector<int32_t> array{1, 2};
  std::vector<int> refused;
  for (const Variant& root : {Variant(int32_t{0}), Variant(int16_t{2}), Variant(2147483650.5),
                              Variant(static_cast<int32_t>(0x80000004u)), Variant(4294967298.0),
                              Variant(true), Variant()}) {
    refused.push_back(errorOf([&] { regFun("WriteValue", {root, kBase, "X", 1}); }));
    refused.push_back(errorOf([&] { regFun("ReadValue", {root, kBase, "X"}); }));
  }
  for (const Variant& value : {Variant(), Variant::missing(), Variant(ObjectRef()), Variant(&array)}) {
    refused.push_back(errorOf([&] { regFun("WriteValue", {kMachineLong, kBase, "X", value}); }));
  }
  refused.push_back(errorOf([] { regFun("WriteValue", {"HKLM", kBase, "X", 1}); }));
  refused.push_back(errorOf([] { regFun("WriteValue", {kMachineLong, kBase, "X"}); }));
  refused.push_back(errorOf([] { regFun("ReadValue", {kMachineLong, kBase}); }));
  EXPECT_EQ(refused, std::vector({5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5,  // roots
                                  13, 13, 13, 13, 13, 450, 450}));
  EXPECT_EQ(test::errorPartsOf([] { regFun("WriteValue", {0, kBase, "X", Variant()}); }),
            test::ErrorParts(5, "RegServer.RegFun",
                             "Invalid procedure call or argument: unknown root key"));
  EXPECT_EQ(test::errorPartsOf([] { regFun("WriteValue", {kMachineLong, kBase, "X", Variant()}); }),
            test::ErrorParts(13, "RegServer.RegFun", "Type mismatch"));
  EXPECT_FALSE(fs::exists(home.filePath()));

  const Variant values[] = {int16_t{-1}, int32_t{5}, 1.1f, -0.1, true, "C:\\a=b\n\xff%41"};
  for (size_t i = 0; i < std::size(values); ++i) {
    regFun("WriteValue", {2147483650.0, kObj, "v" + std::to_string(i), values[i]});
    EXPECT_EQ(shown(regFun("ReadValue", {kMachineLong, "software\\HOLLAVENT\\vlmimport\\obj",
                                         "V" + std::to_string(i), 0})),
              shown(values[i]));
  }
  for (const Variant& root : {Variant(-2147483646.0), Variant("2147483650")}) {
    EXPECT_EQ(shown(regFun("ReadValue", {root, kObj, "v0", 0})), "Integer -1");
  }
  EXPECT_EQ(shown(regFun("ReadValue", {kMachineLong, kBase, "v0", int16_t{9}})), "Integer 9");
  EXPECT_TRUE(regFun("ReadValue", {kMachineLong, kBase, "v0"}).isEmpty());
  EXPECT_TRUE(regFun("ReadValue", {kMachineLong, kBase, "v0", Variant::missing()}).isEmpty());
  EXPECT_EQ(shown(regFun("ReadValue", {int32_t{-2147483647}, kObj, "v0", 0})), "Long 0");
  regFun("WriteValue", {int32_t{-2147483647 - 1}, kObj, "V0", "classes"});
  EXPECT_EQ(shown(readRegistryValue(RegistryRoot::ClassesRoot, kObj, "v0")), "String classes");
  regFun("WriteValue", {kMachineLong, kObj, "V0", "/y/"});
  const std::string text = test::slurp(home.filePath());
  EXPECT_EQ(text.find("v0=text:/y/"), text.rfind("v0="));  // one value, first spelling kept
  EXPECT_EQ(text.find("VLMImport]"), std::string::npos);    // reading stored no default
  unregisterSettingsComponent();
  EXPECT_EQ(errorOf([] { createObject("RegServer.RegFun"); }), err::kCantCreateObject);
}

// Well-formed values of a damaged file survive the next write; a temporary file left by a
// crash before its rename is never read; a change that changes nothing, a failed rename or
// a change that stops halfway leaves the file alone.
TEST(SettingsStore, DamagedFileKeepsItsWellFormedValuesThroughALaterWrite) {
  test::TempConfigHome home;
  fs::create_directories(home.folder());
  std::ofstream(home.filePath()) << "junk\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollavent\\VLMImport]\n"
                                    "FileFormat=int16:3\n\xff garbage\nHalf=text:/ha";
  writeTempFile(home.filePath(), "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollavent\\VLMImport]\nFileFor");
  setRegistryValue(kMachine, kObj, "Other", int32_t{7});
  EXPECT_EQ(stored(kBase, "FileFormat") + stored(kBase, "Half") + stored(kObj, "Other"),
            "Integer 3noneLong 7");
  EXPECT_EQ(test::slurp(home.filePath()).find("garbage"), std::string::npos);
  struct stat before {}, after {};
  stat(home.filePath().c_str(), &before);
  setRegistryValue(kMachine, kObj, "other", int32_t{7});
  EXPECT_FALSE(deleteRegistryKey(kMachine, "SOFTWARE\\Nothing"));
  EXPECT_EQ(errorOf([&] { commitTempFile(home.filePath() + ".tmp.gone", home.filePath()); }), 75);
  EXPECT_THROW(editRegistry([](RegistryData& data) {
                 data.eraseKeyTree("HKEY_LOCAL_MACHINE");
                 throw std::runtime_error("stopped halfway");
               }),
               std::runtime_error);
  stat(home.filePath().c_str(), &after);
  EXPECT_EQ(before.st_ino, after.st_ino);
}

// What stands where the file should be reads as no values and refuses every change, naming
// the path, before anything is written: a folder, a pipe (which must not block), a file
// over the size limit, a file the user may not read, a folder the user may not write into.
TEST(SettingsStore, BlockedFileRefusesChangesAndStaysAsItWas) {
  for (const std::string obstacle : {"folder", "pipe", "oversized", "unreadable", "read-only"}) {
    SCOPED_TRACE(obstacle);
    test::TempConfigHome home;
    const bool refused = obstacle == "unreadable" || obstacle == "read-only";
    fs::create_directories(obstacle == "folder" ? home.filePath() + "/inside" : home.folder());
    if (obstacle == "pipe") {
      ASSERT_EQ(mkfifo(home.filePath().c_str(), 0600), 0);
    } else if (obstacle != "folder") {
      setRegistryValue(kMachine, kBase, "FileFormat", int16_t{2});
    }
    if (obstacle == "oversized") fs::resize_file(home.filePath(), kMaxRegistryFileBytes + 1);
    chmod(home.filePath().c_str(), obstacle == "unreadable" ? 0 : 0644);
    if (obstacle == "read-only") chmod(home.folder().c_str(), 0555);
    {
      std::optional<test::OrdinaryUser> user;
      if (refused) user.emplace(std::vector{home.path().string(), home.folder()});
      if (user && !user->restricted()) continue;  // root reads and writes anything
      EXPECT_EQ(stored(kBase, "FileFormat"), obstacle == "read-only" ? "Integer 2" : "none");
      const auto [number, source, description] =
          test::errorPartsOf([] { setRegistryValue(kMachine, kBase, "FileFormat", int16_t{3}); });
      EXPECT_EQ(number, refused ? err::kPermissionDenied : err::kPathFileAccess);
      EXPECT_EQ(source, "RegServer.RegFun");
      EXPECT_NE(description.find(home.filePath()), std::string::npos) << description;
      EXPECT_EQ(errorOf([] { deleteRegistryKey(kMachine, kBase); }), number);
    }
    chmod(home.folder().c_str(), 0700);
    EXPECT_EQ(fs::is_directory(home.filePath() + "/inside"), obstacle == "folder");
  }
}

TEST(SettingsStore, DeletingAKeyTakesItsSubKeysButNotItsNeighbours) {
  test::TempConfigHome home;
  const std::pair<RegistryRoot, std::string_view> keys[] = {
      {kMachine, kBase}, {kMachine, kObj}, {kMachine, "SOFTWARE\\Hollavent\\VLMImport\\OBJ\\3"},
      {kMachine, "SOFTWARE\\Hollavent\\VLMImportOld"}, {kMachine, "SOFTWARE\\Hollavent"},
      {RegistryRoot::CurrentUser, kBase}};
  for (const auto& [root, key] : keys) setRegistryValue(root, key, "Keep", true);
  EXPECT_TRUE(deleteRegistryKey(kMachine, "software\\HOLLAVENT\\vlmimport"));
  std::string exist;
  for (const auto& [root, key] : keys) exist += registryKeyExists(root, key) ? '1' : '0';
  EXPECT_EQ(exist, "000111");
  EXPECT_FALSE(deleteRegistryKey(kMachine, kBase));
}

}  // namespace
}  // namespace vlm
