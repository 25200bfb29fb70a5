// The settings component as its callers see it: values saved and read back, damaged or
// blocked files, saved settings that no failure loses, and the file's text.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <limits>

#include "SettingsTestSupport.h"
#include "platform/ObjectRegistry.h"
#include "settings/RegFun.h"
#include "settings/RegistryFile.h"
#include "settings/RegistryText.h"
#include "settings/SettingsStore.h"
#include "settings/TextEscape.h"
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
  for (const Variant& root : {Variant(int32_t{0}), Variant(int16_t{2}), Variant(2147483650.5),
                              Variant(static_cast<int32_t>(0x80000004u)), Variant(4294967298.0),
                              Variant(true), Variant()}) {
    EXPECT_EQ(std::pair(errorOf([&] { regFun("WriteValue", {root, kBase, "X", 1}); }),
                        errorOf([&] { regFun("ReadValue", {root, kBase, "X"}); })),
              std::pair(5, 5)) << shown(root);
  }
  for (const Variant& value : {Variant(), Variant::missing(), Variant(ObjectRef()), Variant(&array)}) {
    EXPECT_EQ(errorOf([&] { regFun("WriteValue", {kMachineLong, kBase, "X", value}); }), 13);
  }
  EXPECT_EQ(std::tuple(errorOf([] { regFun("WriteValue", {"HKLM", kBase, "X", 1}); }),
                       errorOf([] { regFun("WriteValue", {kMachineLong, kBase, "X"}); }),
                       errorOf([] { regFun("ReadValue", {kMachineLong, kBase}); })),
            std::tuple(13, 450, 450));
  EXPECT_EQ(test::errorPartsOf([] { regFun("WriteValue", {0, kBase, "X", Variant()}); }),
            test::ErrorParts(5, "RegServer.RegFun",
                             "Invalid procedure call or argument: unknown root key"));
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
// a change that stops halfway leaves the file alone; a deleted key takes only its sub-keys.
TEST(SettingsStore, WritesKeepWhatTheyDoNotChange) {
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

// A settings folder so deep that the file's name fits the system's limit and that of its
// temporary file does not: the file reads and no new file can be written, even by root.
std::string folderTooDeepForTheTempFile(std::string folder) {
  while (folder.size() < PATH_MAX - 130) folder += "/" + std::string(100, 'd');
  // The file's name ends 5 bytes under the limit, its temporary file's 6 over.
  return folder + "/" + std::string(PATH_MAX - 30 - folder.size(), 'd');
}

// FileFormat (through a new component), the OBJ folder, and a value under another root.
std::string threeValues() {
  return shown(regFun("ReadValue", {kMachineLong, kBase, "FileFormat", 0})) + ", " +
         stored(kObj, "Path") + ", " +
         shown(readRegistryValue(RegistryRoot::CurrentUser, kBase, "Keep"));
}

// Where the file cannot be read (writing over it would lose its values) or no new file can
// be written, each change still holds for this process: kept over what the file holds, seen
// by a new component, said once on stderr; the file stays as it was and registration's
// edits fail. Once the obstacle is gone, the next change saves the file's values with all
// that was kept, and the file alone is the truth again.
TEST(SettingsStore, BlockedFileKeepsChangesInMemoryUntilItCanBeWritten) {
  const std::pair<std::string_view, std::string> obstacles[] = {
      {"folder", "Is a directory"}, {"pipe", "Invalid argument"}, {"oversized", "File too large"},
      {"under a file", "Not a directory"}, {"name too long", "File name too long"},
      {"unreadable", "Permission denied"}, {"read-only", "Permission denied"}};
  const std::string saved =
      "[HKEY_CURRENT_USER\\SOFTWARE\\Hollavent\\VLMImport]\nKeep=bool:true\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollavent\\VLMImport\\OBJ]\nPath=text:/old/\n";
  for (const auto& [obstacle, reason] : obstacles) {
    SCOPED_TRACE(obstacle);
    test::TempConfigHome home;
    const std::string plain = home.write("plain", "x");
    const bool refused = reason == "Permission denied";
    if (obstacle == "under a file") setenv("XDG_CONFIG_HOME", (plain + "/config").c_str(), 1);
    if (obstacle == "name too long") {
      setenv("XDG_CONFIG_HOME", folderTooDeepForTheTempFile(home.path()).c_str(), 1);
    }
    const std::string path = settingsFilePath(), folder = fs::path(path).parent_path();
    if (obstacle != "under a file") fs::create_directories(folder);
    if (obstacle == "folder") fs::create_directory(path);
    if (obstacle == "pipe") mkfifo(path.c_str(), 0600);
    if (fs::is_directory(folder) && !fs::exists(path)) std::ofstream(path) << saved;
    if (obstacle == "oversized") fs::resize_file(path, kMaxRegistryFileBytes + 1);
    chmod(path.c_str(), obstacle == "unreadable" ? 0 : 0644);
    if (obstacle == "read-only") chmod(folder.c_str(), 0555);
    const auto onDisk = [&] {  // its kind, and a file's bytes (a pipe's read would block)
      const bool file = fs::is_regular_file(path);
      return std::to_string(int(fs::status(path).type())) + (file ? test::slurp(path) : "");
    };
    const std::string before = onDisk();
    const bool fileReads = obstacle == "name too long" || obstacle == "read-only";
    {
      std::optional<test::OrdinaryUser> user;
      if (refused) user.emplace(std::vector{home.path().string(), folder});
      if (user && !user->restricted()) continue;  // root reads and writes anything
      testing::internal::CaptureStderr();
      regFun("WriteValue", {kMachineLong, kObj, "Path", "/new/"});
      EXPECT_TRUE(deleteRegistryKey(kMachine, kBase));
      regFun("WriteValue", {kMachineLong, kBase, "FileFormat", int16_t{3}});
      EXPECT_EQ(threeValues(),
                fileReads ? "Integer 3, none, Boolean True" : "Integer 3, none, none");
      const auto [number, source, text] = test::errorPartsOf(
          [] { editRegistry([](RegistryData& data) { data.key("HKEY_USERS\\New"); }); });
      EXPECT_EQ(std::tuple(number, text.find(path) != std::string::npos),
                std::tuple(refused ? err::kPermissionDenied : err::kPathFileAccess, true))
          << text;
      EXPECT_EQ(testing::internal::GetCapturedStderr(),
                "vlmimport: cannot save settings to " + path + " (" + reason +
                    "); they are kept until the program ends\n");
    }
    chmod(folder.c_str(), 0700);
    EXPECT_EQ(onDisk(), before);
    if (obstacle == "name too long") continue;
    if (obstacle == "folder" || obstacle == "pipe") fs::remove_all(path);
    if (obstacle == "oversized") fs::resize_file(path, saved.size());
    if (obstacle == "under a file") fs::remove(plain);
    chmod(path.c_str(), 0600);
    regFun("WriteValue", {kMachineLong, kObj, "Path", "/again/"});
    const bool fileKept = fileReads || obstacle == "oversized" || obstacle == "unreadable";
    EXPECT_EQ(threeValues(), std::string("Integer 3, String /again/, ") +
                                 (fileKept ? "Boolean True" : "none"));
    fs::remove(path);
    EXPECT_EQ(threeValues(), "Long 0, none, none");
  }
}

// Escaped is only what breaks a line, the file's syntax or its UTF-8; valid UTF-8 stays.
// Broken escapes are rejected; hex is read in either case.
TEST(TextEscape, EscapesOnlyWhatBreaksALineOrTheUtf8) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"C:\\My Models\\~", "C:\\My Models\\~"}, {"a=b[c]50%;x#y", "a%3Db%5Bc%5D50%25%3Bx%23y"},
      {"1\n2\r", "1%0A2%0D"}, {{"\0\x1f\x7f", 3}, "%00%1F%7F"},
      {"\xC2\xA0\xDF\xBF", "\xC2\xA0\xDF\xBF"},                  // U+00A0, U+07FF
      {"\xE0\xA0\x80\xED\x9F\xBF", "\xE0\xA0\x80\xED\x9F\xBF"},  // U+0800, U+D7FF
      {"\xEE\x80\x80\xEF\xBF\xBF", "\xEE\x80\x80\xEF\xBF\xBF"},  // U+E000, U+FFFF
      {"\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"},  // U+10000, last
      {"\xC3", "%C3"}, {"\xC3(", "%C3("}, {"\x80x", "%80x"}, {"\xC1\xBF", "%C1%BF"},
      {"\xE0\x9F\xBF", "%E0%9F%BF"}, {"\xED\xA0\x80", "%ED%A0%80"}, {"\xED\xBF\xBF", "%ED%BF%BF"},
      {"\xF0\x8F\xBF\xBF", "%F0%8F%BF%BF"}, {"\xF4\x90\x80\x80", "%F4%90%80%80"},
      {"\xF5\x80\x80\x80", "%F5%80%80%80"}, {"\xFF\xFE", "%FF%FE"}};
  for (const auto& [text, expected] : cases) {
    std::string out, back;
    appendEscaped(out, text);
    EXPECT_EQ(out, expected);
    EXPECT_TRUE(unescapeInto(expected, back) && back == text) << expected;
  }
  std::string back;
  for (const char* bad : {"%", "%4", "abc%", "%G1", "%1g", "x%-1", "%:0", "%/0", "%@0", "%`0"}) {
    EXPECT_FALSE(unescapeInto(bad, back)) << bad;
  }
  ASSERT_TRUE(unescapeInto("%3d%3D%af%AF%09%00", back));
  EXPECT_EQ(back, std::string("==\xaf\xaf\x09\0", 6));
}

// Every key with its values, in order, each value with its kind.
std::string dump(const RegistryData& data) {
  std::string out;
  for (const auto& [key, values] : data.keys()) {
    out += "[" + key + "]";
    for (const auto& [name, value] : values) out += " " + name + "=" + test::shown(value);
    out += "\n";
  }
  return out;
}

TEST(RegistryText, EveryKindAndAnyNameSurvivesFormatAndParse) {
  RegistryData data;
  const std::string key = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollavent\\VLMImport";
  using Double = std::numeric_limits<double>;
  const Variant values[] = {int16_t{-32768}, int16_t{32767}, std::numeric_limits<int32_t>::min(),
                            std::numeric_limits<int32_t>::max(), 1e-45f, 3.4028235e38f, -0.0f,
                            -Double::infinity(), 0.1, Double::max(), Double::quiet_NaN(), true,
                            false, "", "/a=b/[x]/\n\xff/%41"};
  for (size_t i = 0; i < std::size(values); ++i) data.setValue(key, std::to_string(i), values[i]);
  data.setValue(key + "\\Weird=Key[1]\n\xff", "", Variant("the key's default"));
  data.setValue(key + "\\b", "name=with\n[odd]\xfe;#", Variant(int32_t{1}));
  data.key("HKEY_USERS\\Empty");
  EXPECT_EQ(dump(parseRegistryText(formatRegistryText(data))), dump(data));
}

TEST(RegistryText, MalformedLineIsSkippedAndTheRestLoads) {
  for (std::string_view line : std::initializer_list<std::string_view>{
           "garbage", "Name", "Name=", "Name=int16", "Name=int16:", "Name=int16:40000",
           "Name=int16:12x", "Name=int16: 1", "Name=int32:2147483648", "Name=int32:0x10",
           "Name=single:1e39", "Name=double:1e999", "Name=double:", "Name=bool:yes",
           "Name=bool:True", "Name=text:%4", "Name=text:%G0", "Na%zme=text:x", "Name=blob:xx",
           "Name=Text:x", "=", {"\x01\x02\xff\xfe\0\x80=\xc3", 9}}) {
    EXPECT_EQ(dump(parseRegistryText("[HKEY_USERS]\nBefore=int16:1\n" + std::string(line) +
                                     "\nAfter=text:ok\n")),
              "[HKEY_USERS] After=String ok Before=Integer 1\n")
        << line;
  }
}

// Values before any section, under a broken header or an unknown root go nowhere, and so
// does a last line cut short; repeated sections merge without regard to case, the first
// spelling and the last value hold.
TEST(RegistryText, SectionsDecideWhereValuesGo) {
  EXPECT_EQ(dump(parseRegistryText(
                "; comment\r\nOrphan=int16:1\n[HKEY_LOCAL_MACHINE\\A]\r\nx=int16:1\ny=int16:1\n"
                "# comment\n[HKEY_LOCAL_MACHINE\\Broken\nL=int16:3\n[HKEY_NOWHERE\\X]\nL=int16:4\n"
                "[HKEY_LOCAL_MACHINEX\\Y]\nL=int16:4\n[]\nL=int16:4\n[\nL=int16:4\n"
                "[HKEY_USERS\\%G]\nL=int16:4\n[hkey_local_machine\\a]\nX=int16:2\n"
                "[HKEY_CURRENT_USER%5CY]\nFound=text:C:\\M\\\r\n[HKEY_USERS]\nU=int16:5\nCut=int16:6")),
            "[HKEY_CURRENT_USER\\Y] Found=String C:\\M\\\n"
            "[HKEY_LOCAL_MACHINE\\A] x=Integer 2 y=Integer 1\n[HKEY_USERS] U=Integer 5\n");
}

}  // namespace
}  // namespace vlm
