// The real import dialog on screen, importing a real OBJ file into the reference scene.
// Its pictures are read back from the X server and written as dialog.png and
// dialog-running.png to VLM_SCREENSHOT_DIR when set (the pictures in docs/).
#include <FL/Fl_Window.H>
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>

#include "FltkFixture.h"
#include "refhost/ReferenceScene.h"
#include "shell/frmImport.h"
#include "support/ImporterTestSupport.h"

namespace vlm {
void registerSettingsComponent();  // settings/RegFun.h clashes with the shell's client of it
}  // namespace vlm

namespace vlm::test {
namespace {

using ui::FltkForm;

bool bluish(const std::array<uint8_t, 3>& rgb) { return rgb[2] > rgb[0] + 60; }

// While the import runs, the controls but Cancel are locked, the hourglass shows and the
// bar fills from its start. Cancel answered Yes stops the import, the dialog is idle again
// with its bar empty, and its close box closes it.
TEST_F(FltkTest, DialogScreenshotsShowTheBarFillingUntilCancelStopsTheImport) {
  TempDir temp;
  ::setenv("XDG_CONFIG_HOME", temp.path().c_str(), 1);
  resetComponentState();
  registerSettingsComponent();
  refhost::registerReferenceHostClasses();
  refhost::ReferenceScene scene;
  std::string obj = "o large\n";
  for (int i = 0; i < 300'000; ++i) {  // enough to watch the import run
    obj += "v " + std::to_string(i % 1000) + ".125 " + std::to_string(i % 977) + ".25 1.5\n";
    if (i % 3 == 2)
      obj += "f " + std::to_string(i - 1) + " " + std::to_string(i) + " " + std::to_string(i + 1) +
             "\n";
  }
  const std::string file = temp.write("large.obj", obj);
  toolkit().setFileChooser([&](const ui::FileChooserRequest& request) {
    EXPECT_EQ(request.fltkFilter, "*.obj\t*.[oO][bB][jJ]");
    return std::optional(file);
  });
  answers = {ui::MsgResult::Yes};
  Screenshot before, during;
  bool locked = false, hourglass = false, barEmpty = false;
  int y = 0, start = 0, end = 0;  // the bar's middle line and its ends, just inside
  const auto idle = [](FltkForm& f) { return f.widget("cmdImport")->active() != 0; };
  steps.emplace_back(idle, [&](FltkForm& f) {
    const Fl_Widget& bar = *f.widget("ProgressBar1");
    std::tie(y, start, end) = std::tuple(bar.y() + bar.h() / 2, bar.x() + 6, bar.x() + bar.w() - 6);
    before = capture(*f.window());
    click(*f.widget("cmdImport"));
  });
  const auto aThird = [](FltkForm& f) {
    const ui::ProgressBarState& bar = f.progressBar(f.model().find("ProgressBar1"));
    return bar.value > bar.max / 3;
  };
  steps.emplace_back(aThird, [&](FltkForm& f) {
    during = capture(*f.window());
    locked = !f.widget("cmbFormat")->active() && !f.widget("chkNorm")->active_r() &&
             f.widget("cmdCancel")->active();
    hourglass = toolkit().mousePointer() == ui::MousePointer::Hourglass;
    click(*f.widget("cmdCancel"));
  });
  steps.emplace_back(idle, [&](FltkForm& f) {
    barEmpty = capture(*f.window()).pixel(start, y) == before.pixel(start, y);
    closeBox(*f.window());
  });
  frmImport dialog;
  dialog.setObjScene(scene.dispatch());
  dialog.Show();
  ASSERT_TRUE(steps.empty());
  EXPECT_EQ(std::tuple(dialog.SelectedObject(), scene.objectCount(), locked, hourglass, barEmpty),
            std::tuple(-1, 0u, true, true, true));
  EXPECT_EQ(toolkit().mousePointer(), ui::MousePointer::Default);
  EXPECT_EQ(
      seen,
      (std::vector<SeenBox>{{"VLMImport", "Do you want to stop Import?", "", {"&Yes", "&No"}}}));
  // Empty at first; while running, filled at its start only.
  EXPECT_EQ(before.pixel(start, y), before.pixel(end, y));
  EXPECT_FALSE(bluish(before.pixel(start, y)));
  EXPECT_TRUE(bluish(during.pixel(start, y)));
  EXPECT_EQ(during.pixel(end, y), before.pixel(end, y));
  const char* folder = std::getenv("VLM_SCREENSHOT_DIR");
  const std::filesystem::path out = folder ? std::filesystem::path(folder) : temp.path();
  EXPECT_TRUE(writePng((out / "dialog.png").string(), before));
  EXPECT_TRUE(writePng((out / "dialog-running.png").string(), during));
}

}  // namespace
}  // namespace vlm::test
