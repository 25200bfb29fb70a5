#include "viewer/SceneCanvas.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#include "preview/Legend.h"
#include "preview/SceneView.h"

namespace vlm::viewer {

namespace {

constexpr double kDegreesPerPixel = 0.4;
constexpr double kMaxElevation = 89;  // straight above or below leaves no "up"
constexpr double kZoomPerNotch = 1.15;
constexpr double kFrameBudgetSeconds = 1.0 / 20;

// Each pixel of `small` as a `scale` x `scale` block of a picture `width` x `height`.
preview::Image enlarged(const preview::Image& small, int scale, int width, int height) {
  preview::Image big{
      width, height,
      std::vector<uint8_t>(3 * static_cast<size_t>(width) * static_cast<size_t>(height))};
  for (int y = 0; y < height; ++y) {
    const int sy = std::min(y / scale, small.height - 1);
    for (int x = 0; x < width; ++x) {
      const int sx = std::min(x / scale, small.width - 1);
      std::memcpy(&big.rgb[3 * (static_cast<size_t>(y) * static_cast<size_t>(width) +
                                static_cast<size_t>(x))],
                  &small.rgb[3 * (static_cast<size_t>(sy) * static_cast<size_t>(small.width) +
                                  static_cast<size_t>(sx))],
                  3);
    }
  }
  return big;
}

}  // namespace

SceneCanvas::SceneCanvas(int x, int y, int w, int h, const refhost::ReferenceScene& scene,
                         std::string legendTitle)
    : Fl_Widget(x, y, w, h),
      scene_(scene),
      legendTitle_(std::move(legendTitle)),
      box_(preview::sceneBox(scene)) {
  for (size_t i = 0; i < scene.objectCount(); ++i) shown_.push_back(scene.object(i).visible());
}

void SceneCanvas::showObject(size_t object, bool shown) {
  shown_.at(object) = shown;
  redraw();
}

void SceneCanvas::frameAll() {
  pose_ = {};
  redraw();
}

void SceneCanvas::toggleWireframe() {
  wireframe_ = !wireframe_;
  redraw();
}

preview::Image SceneCanvas::render(int scale) const {
  const preview::PreviewOptions options{std::max(w() / scale, preview::kMinImageSide),
                                        std::max(h() / scale, preview::kMinImageSide),
                                        legendTitle_};
  preview::Image image{options.width, options.height,
                       std::vector<uint8_t>(3 * static_cast<size_t>(options.width) *
                                            static_cast<size_t>(options.height))};
  preview::ViewPose pose = pose_;
  pose.panX /= scale;
  pose.panY /= scale;
  const preview::Camera camera =
      preview::poseCamera(box_, preview::sceneViewport(scene_, options), pose);
  preview::drawObjects(scene_, camera, shown_, image);
  if (wireframe_) preview::drawWireframe(scene_, camera, shown_, image);
  preview::makeLegend(scene_, options).draw(image);
  return image;
}

void SceneCanvas::draw() {
  const bool coarse = dragging_ && fullSeconds_ > kFrameBudgetSeconds;
  const auto start = std::chrono::steady_clock::now();
  preview::Image image = render(coarse ? 2 : 1);
  if (coarse) {
    image = enlarged(image, 2, w(), h());
  } else {
    fullSeconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  fl_draw_image(image.rgb.data(), x(), y(), image.width, image.height, 3);
}

int SceneCanvas::handle(int event) {
  switch (event) {
    case FL_PUSH:
      take_focus();
      lastX_ = Fl::event_x(), lastY_ = Fl::event_y();
      return 1;
    case FL_DRAG: {
      const int dx = Fl::event_x() - lastX_, dy = Fl::event_y() - lastY_;
      lastX_ = Fl::event_x(), lastY_ = Fl::event_y();
      if (Fl::event_button() == FL_LEFT_MOUSE) {
        pose_.direction.azimuth -= dx * kDegreesPerPixel;
        pose_.direction.elevation = std::clamp(pose_.direction.elevation + dy * kDegreesPerPixel,
                                               -kMaxElevation, kMaxElevation);
      } else {
        pose_.panX += dx;
        pose_.panY += dy;
      }
      dragging_ = true;
      redraw();
      return 1;
    }
    case FL_RELEASE:
      dragging_ = false;
      redraw();
      return 1;
    case FL_MOUSEWHEEL:
      pose_.zoom *= std::pow(kZoomPerNotch, -Fl::event_dy());
      redraw();
      return 1;
    case FL_FOCUS:
    case FL_UNFOCUS: return 1;
    case FL_KEYBOARD:
    case FL_SHORTCUT:
      if (Fl::event_key() == 'f') {
        frameAll();
        return 1;
      }
      if (Fl::event_key() == 'w') {
        toggleWireframe();
        return 1;
      }
      return 0;
    default: return Fl_Widget::handle(event);
  }
}

}  // namespace vlm::viewer
