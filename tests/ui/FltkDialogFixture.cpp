#include "FltkDialogFixture.h"

#include <cstdio>

#include "settings/RegFun.h"

namespace vlm::test {

void FltkDialogTest::SetUp() {
  FltkTest::SetUp();
  if (IsSkipped()) return;
  resetComponentState();
  configHome_.emplace();
  registerSettingsComponent();
  refhost::registerReferenceHostClasses();
  answers = std::make_unique<ScriptedAnswers>(toolkit());
  toolkit().setFileChooser([this](const ui::FileChooserRequest& request) {
    fileRequests.push_back(request);
    std::optional<std::string> answer;
    if (!fileAnswers_.empty()) {
      answer = fileAnswers_.front();
      fileAnswers_.pop_front();
    }
    return answer;
  });
}

std::string FltkDialogTest::writeLargeObj(size_t vertices) {
  std::string text = "o large\n";
  text.reserve(vertices * 50);
  char line[96];
  for (size_t i = 0; i < vertices; ++i) {
    const int n =
        std::snprintf(line, sizeof line, "v %zu.125 %zu.25 %zu.5\n", i % 1000, i % 977, i % 953);
    text.append(line, static_cast<size_t>(n));
  }
  for (size_t i = 1; i + 2 <= vertices; i += 3) {
    const int n = std::snprintf(line, sizeof line, "f %zu %zu %zu\n", i, i + 1, i + 2);
    text.append(line, static_cast<size_t>(n));
  }
  return temp.write("large.obj", text);
}

std::string FltkDialogTest::writeSmallObj() {
  return temp.write("cube.obj",
                    "o cube\n"
                    "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                    "v 0 0 1\nv 1 0 1\nv 1 1 1\nv 0 1 1\n"
                    "f 1 2 3 4\nf 5 8 7 6\nf 1 5 6 2\nf 2 6 7 3\nf 3 7 8 4\nf 4 8 5 1\n");
}

}  // namespace vlm::test
