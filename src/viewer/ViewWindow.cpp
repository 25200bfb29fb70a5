#include "viewer/ViewWindow.h"

#include <FL/Fl.H>

#include "geometry/SceneColors.h"
#include "preview/Legend.h"

namespace vlm::viewer {

namespace {

constexpr int kWidth = 1000, kHeight = 640;
constexpr int kListWidth = 260, kGap = 6, kButtonHeight = 26;
constexpr int kFontSize = 12;

// "table  1,234 triangles  Wood": an object's line in the list.
std::string objectLine(const refhost::ReferenceScene& scene, const refhost::CVLMObject& object) {
  const refhost::CVLMMaterial* material = geometry::colorMaterial(scene, object);
  return object.name() + "  " +
         preview::groupedNumber(static_cast<uint64_t>(object.mesh().triangleCount())) +
         " triangles  " + (material != nullptr ? material->name() : "own colour");
}

}  // namespace

ViewWindow::ViewWindow(const refhost::ReferenceScene& scene, const std::string& title)
    : window_(kWidth, kHeight, "VLMImport view") {
  const int sideX = kWidth - kListWidth;
  canvas_ = new SceneCanvas(0, 0, sideX - kGap, kHeight, scene, title);
  list_ = new Fl_Check_Browser(sideX, kGap, kListWidth - kGap, kHeight - 3 * kGap - kButtonHeight);
  list_->textsize(kFontSize);
  for (size_t i = 0; i < scene.objectCount(); ++i) {
    list_->add(objectLine(scene, scene.object(i)).c_str(), scene.object(i).visible() ? 1 : 0);
  }
  list_->callback(listChanged, this);
  list_->when(FL_WHEN_CHANGED);
  frameButton_ = new Fl_Button(sideX, kHeight - kGap - kButtonHeight, kListWidth - kGap,
                               kButtonHeight, "Frame all (F)");
  frameButton_->labelsize(kFontSize);
  frameButton_->callback(frameAllPressed, this);
  window_.end();
  window_.resizable(canvas_);
}

void ViewWindow::run() {
  window_.show();
  canvas_->take_focus();
  while (window_.shown()) Fl::wait();
}

void ViewWindow::listChanged(Fl_Widget*, void* self) {
  auto& view = *static_cast<ViewWindow*>(self);
  for (int line = 1; line <= view.list_->nitems(); ++line) {
    view.canvas_->showObject(static_cast<size_t>(line - 1), view.list_->checked(line) != 0);
  }
}

void ViewWindow::frameAllPressed(Fl_Widget*, void* self) {
  auto& view = *static_cast<ViewWindow*>(self);
  view.canvas_->frameAll();
  view.canvas_->take_focus();
}

}  // namespace vlm::viewer
