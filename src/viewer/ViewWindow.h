// The view window: an imported scene in 3D (SceneCanvas) beside the list of its objects
// (name, triangles, material), each with a check box that shows or hides it, and a
// button that frames everything again. Escape or the close box closes it.
#pragma once

#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Browser.H>
#include <FL/Fl_Double_Window.H>

#include <string>

#include "refhost/ReferenceScene.h"
#include "viewer/SceneCanvas.h"

namespace vlm::viewer {

class ViewWindow {
 public:
  // Needs FLTK's display open (ui::fltk::openDisplay); `title` heads the legend.
  ViewWindow(const refhost::ReferenceScene& scene, const std::string& title);

  // Shows the window and runs FLTK's events until it is closed.
  void run();

  Fl_Double_Window& window() noexcept { return window_; }
  SceneCanvas& canvas() noexcept { return *canvas_; }
  Fl_Check_Browser& objectList() noexcept { return *list_; }

 private:
  static void listChanged(Fl_Widget* list, void* self);
  static void frameAllPressed(Fl_Widget* button, void* self);

  Fl_Double_Window window_;
  SceneCanvas* canvas_;  // children owned by window_
  Fl_Check_Browser* list_;
  Fl_Button* frameButton_;
};

}  // namespace vlm::viewer
