// The preview's camera: a perspective view from a three-quarter direction (40 degrees
// around the vertical, 28 degrees above; the view window turns it) that frames a box in a
// region of the picture.
#pragma once

#include "refhost/Vec3.h"

namespace vlm::preview {

struct Box {
  Vec3d min{};
  Vec3d max{};
  bool empty = true;

  void include(double x, double y, double z) noexcept;
};

// The pixels the scene may use: columns [0, width), rows [0, height).
struct Viewport {
  int width = 0;
  int height = 0;
};

struct Camera {
  Vec3d eye{};
  Vec3d right{};     // picture x grows along it
  Vec3d up{};        // picture y shrinks along it
  Vec3d forward{};   // the viewing direction
  double focal = 1;  // pixels per unit of x / depth
  double centerX = 0;
  double centerY = 0;
  double nearDepth = 0;  // no framed point is closer

  // A point relative to the eye in camera axes: x right, y up, depth forward.
  Vec3d toCamera(const Vec3d& world) const noexcept;
  // Where a world point lands in the picture: pixel x, pixel y (from the top) and
  // 1 / depth; false when it lies too close to the eye or behind it.
  bool project(const Vec3d& world, Vec3d& picture) const noexcept;
};

// Where the eye looks from, in degrees: around the vertical (0 looks along +z) and above
// the horizontal plane (below 90 either way).
struct Direction {
  double azimuth = 40;
  double elevation = 28;
};

// A camera looking `from` a direction from which every corner of `box` lies inside
// `viewport` with a margin; a box without extent is shown as if it were a unit cube
// around its centre.
Camera frameBox(const Box& box, const Viewport& viewport, Direction from = {}) noexcept;

// The view window's camera: the framing of `box` from `pose.direction`, magnified by
// `zoom` about the viewport's centre and moved by `panX`, `panY` pixels.
struct ViewPose {
  Direction direction;
  double zoom = 1;
  double panX = 0;
  double panY = 0;
};
Camera poseCamera(const Box& box, const Viewport& viewport, const ViewPose& pose) noexcept;

}  // namespace vlm::preview
