// The view window on an X server (TestDisplay): every sample framed in its colours, a drag
// that turns the picture, F that brings it back, an object hidden from the list, the
// wireframe key and Escape ending the window's loop.
#include <FL/Fl.H>
#include <gtest/gtest.h>

#include "support/TestDisplay.h"
#include "geometry/SceneColors.h"
#include "preview/SceneBuilder.h"
#include "refhost/ReferenceScene.h"
#include "shell/frmImport.h"
#include "support/TempDir.h"
#include "ui/HeadlessToolkit.h"
#include "ui/fltk/FltkDisplay.h"
#include "viewer/ViewWindow.h"

#include "support/Screenshot.h"  // last: Xlib's macros

namespace vlm {
void registerSettingsComponent();  // settings/RegFun.h clashes with the shell's client of it
}  // namespace vlm

namespace vlm::test {
namespace {

void send(Fl_Window& window, int event, int x, int y, int key = FL_Button + FL_LEFT_MOUSE) {
  std::tie(Fl::e_x, Fl::e_y, Fl::e_keysym) = std::tuple(x, y, key);
  Fl::e_state = event == FL_RELEASE || event == FL_KEYBOARD ? 0 : FL_BUTTON1;
  Fl::handle(event, &window);
}

TEST(ViewWindow, ShowsTheSceneTurnsFramesHidesAndClosesOnEscape) {
  static TestDisplay display;
  std::string whyNot;
  if (!ui::fltk::openDisplay(whyNot)) GTEST_SKIP() << whyNot;
  SceneBuilder built;
  built.add("red", box({-1, -1, -1}, {1, 1, 1}), colorNumber(200, 0, 0));
  built.add("blue", box({1.4f, -0.3f, -0.3f}, {2.0f, 0.3f, 0.3f}), colorNumber(0, 0, 200));
  viewer::ViewWindow view(built.scene, "two boxes");
  Fl_Window& window = view.window();
  window.show();
  window.wait_for_expose();
  const Screenshot first = capture(view.window(), &view.canvas());
  const int cx = first.width / 2, cy = first.height / 2;

  for (const int event : {FL_PUSH, FL_DRAG, FL_RELEASE})
    send(window, event, cx + (event == FL_PUSH ? 0 : 120), cy);
  const Screenshot turned = capture(view.window(), &view.canvas());
  send(window, FL_KEYBOARD, cx, cy, 'w');
  const Screenshot wired = capture(view.window(), &view.canvas());
  send(window, FL_KEYBOARD, cx, cy, 'w');
  send(window, FL_KEYBOARD, cx, cy, 'f');
  EXPECT_NE(turned.rgb, first.rgb);
  EXPECT_NE(wired.rgb, turned.rgb);
  EXPECT_EQ(capture(view.window(), &view.canvas()).rgb, first.rgb);

  view.objectList().checked(2, 0);
  view.objectList().do_callback();
  const Screenshot hidden = capture(view.window(), &view.canvas());
  // The red box, no longer behind the blue one, shows at least as much as before.
  EXPECT_EQ(std::tuple(first.count(2) > 0, hidden.count(0) >= first.count(0), hidden.count(2)),
            std::tuple(true, true, 0));

  Fl::add_timeout(
      0.05, [](void* w) { send(*static_cast<Fl_Window*>(w), FL_KEYBOARD, 0, 0, FL_Escape); },
      &window);
  view.run();
  EXPECT_FALSE(window.shown());
}

// Each sample, imported through the dialog by a scripted user, opens with a framed object
// at the centre of the picture and the background in its corners.
TEST(ViewWindow, OpensOnEverySampleWithAnObjectAtTheCentre) {
  static TestDisplay display;
  std::string whyNot;
  if (!ui::fltk::openDisplay(whyNot)) GTEST_SKIP() << whyNot;
  TempDir temp;
  ::setenv("XDG_CONFIG_HOME", temp.path().c_str(), 1);
  registerSettingsComponent();
  refhost::registerReferenceHostClasses();
  const char* samples[] = {"table.obj", "house.dxf", "sample.3ds", "gem.inc", "tower_le.ply"};
  for (int format = 0; format < 5; ++format) {  // the dialog's list order
    refhost::ReferenceScene scene;
    ui::HeadlessToolkit user;
    ui::setToolkit(&user);
    user.whenIdle(ui::UserAction::select("cmbFormat", format));
    user.whenIdle(ui::UserAction::click("cmdImport"));
    user.answerFileDialog(std::string(VLM_EXAMPLES_DIR "/") + samples[format]);
    user.whenIdle(ui::UserAction::click("cmdCancel"));
    frmImport dialog;
    dialog.setObjScene(scene.dispatch());
    dialog.Show();
    ui::setToolkit(nullptr);
    viewer::ViewWindow view(scene, samples[format]);
    view.window().show();
    view.window().wait_for_expose();
    const Screenshot p = capture(view.window(), &view.canvas());
    const char* folder = std::getenv("VLM_SCREENSHOT_DIR");
    if (folder != nullptr && format == 2)  // docs/view.png: the 3DS sample's three objects
      preview::writePng(capture(view.window()), folder + std::string("/view.png"));
    const Rgb centre = p.at(p.width / 2, p.height / 2);
    bool objectColour = false;  // a shade of one object's colour, as the renderer makes it
    for (size_t i = 0; i < scene.objectCount(); ++i) {
      const geometry::Rgb c = geometry::rgbOf(geometry::displayColor(scene, scene.object(i)));
      for (int level = 1; level < 256; ++level)
        objectColour |= centre == Rgb{uint8_t(c.r * level / 255), uint8_t(c.g * level / 255),
                                      uint8_t(c.b * level / 255)};
    }
    EXPECT_EQ(std::tuple(p.at(0, 0), p.at(p.width - 1, 0), objectColour),
              std::tuple(Rgb(preview::kBackground), Rgb(preview::kBackground), true))
        << samples[format];
    if (format == 2) {
      EXPECT_STREQ(view.objectList().text(3), "Base plate  12 triangles  Glass");
    }
    view.window().hide();
  }
}

}  // namespace
}  // namespace vlm::test
