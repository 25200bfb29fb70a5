// Files changed behind the component's back: the chosen file between the file dialog and
// Load, and the settings file.
#include <sys/stat.h>

#include <fstream>

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

// Where the settings file or its folder should be stands the other kind: the dialog still
// imports; each write (the path, then the format on closing) fails once, leaves the dialog
// idle and the obstacle as it was. (Damaged or oversized files: the settings store's tests.)
struct Settings {
  const char* name;
  const char* file;  // in the settings folder, written with "kept"; "" for the folder itself
};

const Settings kSettings[] = {{"FileIsAFolder", "registry.ini/keep"}, {"FolderIsAFile", ""}};

class BrokenSettings : public HostileImport, public ::testing::WithParamInterface<Settings> {};

TEST_P(BrokenSettings, DialogWorksAndNothingSavedIsLost) {
  const fs::path folder = configHome.path() / "vlmimport";
  const fs::path file = *GetParam().file ? folder / GetParam().file : folder;
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << "kept";
  const Outcome outcome = importBytes("model.obj", kTriangle);
  EXPECT_EQ(
      std::tuple(outcome.messages.size(), outcome.failures.size(), outcome.objects, outcome.idle),
      std::tuple(2u, 2u, 0u, true));
  EXPECT_EQ(test::slurp(file), "kept");
}

INSTANTIATE_TEST_SUITE_P(Cases, BrokenSettings, ::testing::ValuesIn(kSettings),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vlm::hostile
