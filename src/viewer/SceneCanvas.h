// The view window's picture of a scene: the preview's renderer drawn into an FLTK widget
// that the person turns (left drag), moves (right or middle drag) and zooms (wheel); F
// frames everything again, W toggles the wireframe overlay.
//
// A scene whose full picture takes longer than a twentieth of a second is drawn at half
// the resolution while a drag goes on, and in full once the button is released.
#pragma once

#include <FL/Fl_Widget.H>

#include <string>
#include <vector>

#include "preview/Camera.h"
#include "preview/Preview.h"
#include "refhost/ReferenceScene.h"

namespace vlm::viewer {

class SceneCanvas : public Fl_Widget {
 public:
  SceneCanvas(int x, int y, int w, int h, const refhost::ReferenceScene& scene,
              std::string legendTitle);

  void showObject(size_t object, bool shown);
  void frameAll();
  void toggleWireframe();
  const preview::ViewPose& pose() const noexcept { return pose_; }

  void draw() override;
  int handle(int event) override;

 private:
  // The picture at `scale` times fewer pixels per side, as the camera sees it now.
  preview::Image render(int scale) const;

  const refhost::ReferenceScene& scene_;
  std::string legendTitle_;
  std::vector<bool> shown_;
  preview::Box box_;
  preview::ViewPose pose_;
  bool wireframe_ = false;
  bool dragging_ = false;
  double fullSeconds_ = 0;  // how long the last full picture took
  int lastX_ = 0, lastY_ = 0;
};

}  // namespace vlm::viewer
