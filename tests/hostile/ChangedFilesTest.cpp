// Files changed behind the component's back: the chosen file between the file dialog and
// Load, and the settings file.
#include <sys/stat.h>

#include <array>
#include <fstream>
#include <random>

#include "HostileImport.h"
#include "support/OrdinaryUser.h"

namespace vlm::hostile {
namespace {

namespace fs = std::filesystem;
const std::string kTriangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";

struct Change {
  const char* name;
  void (*apply)(const std::string& path);
  const char* failure;  // what the one failure shows; nullptr: no failure is required
};

const Change kChanges[] = {
    {"Deleted", [](const std::string& p) { fs::remove(p); }, "File not found"},
    {"ReplacedByFolder", [](const std::string& p) { fs::remove(p), fs::create_directory(p); }, ""},
    {"ReplacedByPipe", [](const std::string& p) { fs::remove(p), ::mkfifo(p.c_str(), 0600); }, ""},
    {"EmptiedToZeroBytes", [](const std::string& p) { fs::resize_file(p, 0); }, nullptr},
    {"CutInTheMiddle", [](const std::string& p) { fs::resize_file(p, 17); }, nullptr},
    {"Grown", [](const std::string& p) { std::ofstream(p, std::ios::app) << kTriangle; }, nullptr},
    {"MadeUnreadable", [](const std::string& p) { ::chmod(p.c_str(), 0); }, "Permission denied"},
};

// The run takes the file's length right after the dialog (the progress bar's first maximum)
// and Load opens it afterwards: the moment to change it. A file gone or unreadable ends in
// one failure; any change ends contained.
class ChangedBeforeLoad : public HostileImport, public ::testing::WithParamInterface<Change> {};

TEST_P(ChangedBeforeLoad, EndsContained) {
  const std::string path = dir.write("model.obj", kTriangle);
  // Root reads anything, so the run acts as an ordinary user, who owns the file, its folder
  // and the settings, and may take the file's read permission away.
  for (const std::string& own : {dir.path().string(), path, configHome.path().string()}) {
    ASSERT_TRUE(::geteuid() != 0 || ::chown(own.c_str(), 65534, 65534) == 0);
  }
  bool changed = false;
  Outcome outcome;
  {
    const test::OrdinaryUser user;
    if (!user.restricted()) GTEST_SKIP() << "no ordinary user can try the access here";
    outcome = importPath(path, [&](float, float max) {
      if (!changed && max == static_cast<float>(kTriangle.size() + 1)) {
        changed = true;
        GetParam().apply(path);
      }
    });
  }
  ASSERT_TRUE(changed) << "the run never set the progress bar's maximum";
  expectContained(outcome, 1000);
  EXPECT_TRUE(!GetParam().failure ||
              (outcome.failures.size() == 1 &&
               outcome.failures[0].find(GetParam().failure) != std::string::npos))
      << ::testing::PrintToString(outcome.failures);
}

INSTANTIATE_TEST_SUITE_P(Changes, ChangedBeforeLoad, ::testing::ValuesIn(kChanges),
                         [](const auto& info) { return std::string(info.param.name); });

std::string noise() {
  std::mt19937 random(7);
  std::string bytes(4000, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

const std::string kKey = "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollavent\\VLMImport";

struct Settings {
  const char* name;
  const char* file;  // in the settings folder, written with `bytes`; "" for the folder itself
  std::string bytes;
  std::vector<std::string> kept;  // what the file holds afterwards; none: its bytes
};

const Settings kSettings[] = {
    {"Noise",
     "registry.ini",
     noise() + kKey + "\\PLY]\nPath=text:/models/ply/\n" + noise() + kKey +
         "]\nFileFormat=int16:4\nOther=int32:77\n",
     {"]\nFileFormat=int16:0\nOther=int32:77\n", "PLY]\nPath=text:/models/ply/\n"}},
    {"FileIsAFolder", "registry.ini/keep", "kept", {}},
    {"FolderIsAFile", "", "kept", {}},
    {"OversizedFile", "registry.ini", "; " + std::string(5 << 20, 'x') + "\n", {}},
};

// The dialog still works; a write that cannot be made leaves it idle and shows one failure,
// and again when closing it saves the format; and nothing saved is lost: noise keeps the values
// between it, and what the component cannot write over keeps its bytes.
class BrokenSettings : public HostileImport, public ::testing::WithParamInterface<Settings> {};

TEST_P(BrokenSettings, DialogWorksAndNothingSavedIsLost) {
  const fs::path folder = configHome.path() / "vlmimport";
  const fs::path file = *GetParam().file ? folder / GetParam().file : folder;
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << GetParam().bytes;
  const Outcome outcome = importBytes("model.obj", kTriangle);
  const bool writable = !GetParam().kept.empty();
  using Counts = std::array<size_t, 4>;  // messages, failures (closing too), objects, idle
  EXPECT_EQ(
      (Counts{outcome.messages.size(), outcome.failures.size(), outcome.objects, outcome.idle}),
      (writable ? Counts{0, 0, 1, 0} : Counts{2, 2, 0, 1}));
  const std::string after = test::slurp(file);
  EXPECT_TRUE(writable || after == GetParam().bytes) << "the file was changed";
  for (const std::string& kept : GetParam().kept) {
    EXPECT_NE(after.find(kept), std::string::npos) << kept << " is lost from " << after;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, BrokenSettings, ::testing::ValuesIn(kSettings),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vlm::hostile
