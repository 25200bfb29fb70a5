// What an FLTK window shows on the test's X server, the whole window or one widget's part
// of it, once pending drawing is done; preview::writePng saves it. Include it last:
// through fl_draw.H come Xlib's macros, None among them.
#pragma once

#include <FL/Fl.H>
#include <FL/Fl_Window.H>

#include <array>

#include "preview/Preview.h"

#include <FL/fl_draw.H>
#undef None

namespace vlm::test {

using Rgb = std::array<uint8_t, 3>;

struct Screenshot : preview::Image {
  Rgb at(int x, int y) const {
    const auto* p = &rgb[3 * static_cast<size_t>(y * width + x)];
    return {p[0], p[1], p[2]};
  }
  // Pixels of one primary colour alone, at any brightness: 0 red, 2 blue.
  int count(int primary) const {
    int n = 0;
    for (size_t i = 0; i < rgb.size(); i += 3)
      n += rgb[i + size_t(primary)] > 0 && rgb[i + size_t(2 - primary)] == 0 && rgb[i + 1] == 0;
    return n;
  }
};

inline Screenshot capture(Fl_Window& window, const Fl_Widget* area = nullptr) {
  window.wait_for_expose();
  Fl::flush();
  window.make_current();
  const Fl_Widget& part = area != nullptr ? *area : window;
  Screenshot shot{{part.w(), part.h(), std::vector<uint8_t>(size_t(part.w() * part.h() * 3))}};
  fl_read_image(shot.rgb.data(), area ? part.x() : 0, area ? part.y() : 0, shot.width, shot.height);
  return shot;
}

}  // namespace vlm::test
