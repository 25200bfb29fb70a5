#include "preview/Camera.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vlm::preview {

namespace {

constexpr double kVerticalFieldDegrees = 30;
constexpr double kFill = 0.86;  // share of the viewport the framed box may reach

double radians(double degrees) noexcept { return degrees * std::numbers::pi / 180; }

// The eight corners of `box` relative to its centre.
std::array<Vec3d, 8> cornerOffsets(const Box& box) noexcept {
  std::array<Vec3d, 8> corners{};
  for (int i = 0; i < 8; ++i) {
    for (int axis = 0; axis < 3; ++axis) {
      const double half = (box.max[axis] - box.min[axis]) / 2;
      corners[i][axis] = (i >> axis) & 1 ? half : -half;
    }
  }
  return corners;
}

}  // namespace

void Box::include(double x, double y, double z) noexcept {
  const Vec3d p{x, y, z};
  for (int axis = 0; axis < 3; ++axis) {
    min[axis] = empty ? p[axis] : std::min(min[axis], p[axis]);
    max[axis] = empty ? p[axis] : std::max(max[axis], p[axis]);
  }
  empty = false;
}

Vec3d Camera::toCamera(const Vec3d& world) const noexcept {
  const Vec3d p{world[0] - eye[0], world[1] - eye[1], world[2] - eye[2]};
  return {dot(p, right), dot(p, up), dot(p, forward)};
}

bool Camera::project(const Vec3d& world, Vec3d& picture) const noexcept {
  const Vec3d c = toCamera(world);
  if (!(c[2] >= nearDepth / 2) || !(c[2] > 0)) return false;
  picture = {centerX + focal * c[0] / c[2], centerY - focal * c[1] / c[2], 1 / c[2]};
  return true;
}

Camera frameBox(const Box& given, const Viewport& viewport, Direction from) noexcept {
  Box box = given.empty ? Box{{-0.5, -0.5, -0.5}, {0.5, 0.5, 0.5}, false} : given;
  const Vec3d center{(box.min[0] + box.max[0]) / 2, (box.min[1] + box.max[1]) / 2,
                     (box.min[2] + box.max[2]) / 2};
  std::array<Vec3d, 8> corners = cornerOffsets(box);
  double radius = std::sqrt(dot(corners[7], corners[7]));
  if (!(radius > 0)) {
    corners = cornerOffsets(Box{{-0.5, -0.5, -0.5}, {0.5, 0.5, 0.5}, false});
    radius = std::sqrt(0.75);
  }

  Camera camera;
  const double azimuth = radians(from.azimuth);
  const double elevation = radians(from.elevation);
  const Vec3d towardEye{std::sin(azimuth) * std::cos(elevation), std::sin(elevation),
                        -std::cos(azimuth) * std::cos(elevation)};
  camera.forward = {-towardEye[0], -towardEye[1], -towardEye[2]};
  camera.right = unit(cross({0, 1, 0}, camera.forward));
  camera.up = cross(camera.forward, camera.right);
  camera.focal = viewport.height / 2.0 / std::tan(radians(kVerticalFieldDegrees) / 2);

  // The nearest distance at which each corner still fits, and never inside the box's
  // sphere, so every framed point lies well in front of the eye.
  const double limitX = kFill * viewport.width / 2 / camera.focal;
  const double limitY = kFill * viewport.height / 2 / camera.focal;
  double distance = 1.05 * radius;
  for (const Vec3d& c : corners) {
    const double depth = dot(c, camera.forward);
    distance = std::max(distance, std::abs(dot(c, camera.right)) / limitX - depth);
    distance = std::max(distance, std::abs(dot(c, camera.up)) / limitY - depth);
  }
  for (int axis = 0; axis < 3; ++axis) camera.eye[axis] = center[axis] + distance * towardEye[axis];
  camera.nearDepth = distance - radius;

  // Centre the corners' picture in the viewport.
  double minX = INFINITY, maxX = -INFINITY, minY = INFINITY, maxY = -INFINITY;
  for (const Vec3d& c : corners) {
    const double depth = distance + dot(c, camera.forward);
    const double x = camera.focal * dot(c, camera.right) / depth;
    const double y = camera.focal * dot(c, camera.up) / depth;
    minX = std::min(minX, x), maxX = std::max(maxX, x);
    minY = std::min(minY, y), maxY = std::max(maxY, y);
  }
  camera.centerX = viewport.width / 2.0 - (minX + maxX) / 2;
  camera.centerY = viewport.height / 2.0 + (minY + maxY) / 2;
  return camera;
}

Camera poseCamera(const Box& box, const Viewport& viewport, const ViewPose& pose) noexcept {
  Camera camera = frameBox(box, viewport, pose.direction);
  camera.focal *= pose.zoom;
  camera.centerX =
      viewport.width / 2.0 + (camera.centerX - viewport.width / 2.0) * pose.zoom + pose.panX;
  camera.centerY =
      viewport.height / 2.0 + (camera.centerY - viewport.height / 2.0) * pose.zoom + pose.panY;
  return camera;
}

}  // namespace vlm::preview
