// The chosen file changes between the file dialog and Load: the run takes the file's
// length right after the dialog (setting the progress bar's maximum) and Load opens it
// afterwards, so the progress bar's first maximum is the moment to change it. Each
// change ends in one clear message and an idle dialog, or a normal import.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "HostileImport.h"
#include "support/OrdinaryUser.h"

namespace vlm::hostile {
namespace {

const std::string kTriangleObj = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";

struct Change {
  const char* name;
  std::function<void(const std::string& path)> apply;
  bool fails;                // the run must end in a message
  const char* message = "";  // ... which holds this
  bool ordinaryUser = false;  // root reads anything: the run acts as an ordinary user
};

const Change kChanges[] = {
    {"Deleted", [](const std::string& p) { std::filesystem::remove(p); }, true},
    {"ReplacedByFolder",
     [](const std::string& p) {
       std::filesystem::remove(p);
       std::filesystem::create_directory(p);
     },
     true},
    {"ReplacedByPipe",
     [](const std::string& p) {
       std::filesystem::remove(p);
       ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0);
     },
     true},
    {"EmptiedToZeroBytes", [](const std::string& p) { std::filesystem::resize_file(p, 0); }, false},
    {"CutInTheMiddle", [](const std::string& p) { std::filesystem::resize_file(p, 17); }, false},
    {"GrownTenfold",
     [](const std::string& p) {
       std::ofstream out(p, std::ios::app | std::ios::binary);
       for (int i = 0; i < 10; ++i) out << "v 1 1 1\nv 2 2 2\nv 3 3 3\nf 4 5 6\n";
     },
     false},
    {"MadeUnreadable", [](const std::string& p) { ::chmod(p.c_str(), 0); }, true,
     "Permission denied", true},
};

void PrintTo(const Change& change, std::ostream* out) { *out << change.name; }

class ChangedBeforeLoad : public HostileImport, public ::testing::WithParamInterface<Change> {};

TEST_P(ChangedBeforeLoad, EndsInOneMessageOrAnImport) {
  const std::string path = dir.write("model.obj", kTriangleObj);
  std::optional<test::OrdinaryUser> user;
  if (GetParam().ordinaryUser) {
    // The file and the settings folder are that user's own, as they would be: the user
    // may take the file's read permission away and keep settings.
    if (::geteuid() == 0) {
      for (const std::string& own : {path, configHome.path().string()}) {
        ASSERT_EQ(::chown(own.c_str(), 65534, 65534), 0);
      }
    }
    user.emplace(std::vector<std::string>{dir.path().string()});
    if (!user->restricted()) GTEST_SKIP() << "no ordinary user can try the access here";
  }
  bool changed = false;
  const Outcome outcome = importPath(path, "obj", [&](float, float max) {
    if (!changed && max == static_cast<float>(kTriangleObj.size() + 1)) {
      changed = true;
      GetParam().apply(path);
    }
  });
  user.reset();
  ASSERT_TRUE(changed) << "the run never set the progress bar's maximum";
  expectContained(outcome, 1000);
  if (GetParam().fails) {
    ASSERT_EQ(outcome.failures().size(), 1u);
    EXPECT_NE(outcome.failures()[0].find(GetParam().message), std::string::npos);
    EXPECT_TRUE(outcome.idle);
  }
}

INSTANTIATE_TEST_SUITE_P(Changes, ChangedBeforeLoad, ::testing::ValuesIn(kChanges),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vlm::hostile
