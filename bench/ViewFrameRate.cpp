// Redraws per second of the view window's picture: a torus of 500,000 triangles (or the
// count given) drawn by the preview's renderer at the window's canvas size, the camera
// turned a little each frame as a drag does; in full and in the coarse pass (half the
// pixels per side) drawn while a drag goes on. The picture only: FLTK's copy to the
// screen (fl_draw_image) is not timed.
//
//   view_frame_rate [TRIANGLES] [FRAMES]
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <vector>

#include "platform/Dispatch.h"
#include "preview/Legend.h"
#include "preview/SceneView.h"
#include "refhost/ReferenceScene.h"

namespace {

using namespace vlm;

// A torus of about `triangles` triangles as one object of `scene`.
void addTorus(refhost::ReferenceScene& scene, int triangles) {
  const int rings = static_cast<int>(std::sqrt(double(triangles))), sides = triangles / 2 / rings;
  std::vector<float> xyz;
  std::vector<int32_t> corners;
  for (int r = 0; r < rings; ++r) {
    for (int s = 0; s < sides; ++s) {
      const double u = 2 * std::numbers::pi * r / rings, v = 2 * std::numbers::pi * s / sides;
      xyz.insert(xyz.end(), {static_cast<float>((3 + std::cos(v)) * std::cos(u)),
                             static_cast<float>(std::sin(v)),
                             static_cast<float>((3 + std::cos(v)) * std::sin(u))});
      const int a = r * sides + s, b = ((r + 1) % rings) * sides + s;
      const int c = ((r + 1) % rings) * sides + (s + 1) % sides, d = r * sides + (s + 1) % sides;
      corners.insert(corners.end(), {a, b, c, c, d, a});
    }
  }
  ObjectRef object = refhost::createReferenceObject();
  std::vector<Variant> args{Variant(&xyz)};
  args[0].byRef();
  invokeByName(*object, "Add_Vertices", InvokeKind::Method, args);
  args = {Variant(&corners), Variant(int16_t{3})};
  args[0].byRef();
  invokeByName(*object, "Add_Poligons", InvokeKind::Method, args);
  const ObjectRef list =
      invokeByName(*scene.dispatch(), "ListObjects", InvokeKind::PropertyGet, {}).toObject();
  std::vector<Variant> add{Variant(object)};
  invokeByName(*list, "Add", InvokeKind::Method, add);
}

// Frames per second drawing `frames` pictures `scale` times smaller than the canvas.
double framesPerSecond(const refhost::ReferenceScene& scene, int scale, int frames) {
  constexpr int kCanvasWidth = 734, kCanvasHeight = 640;  // the view window's canvas
  const preview::PreviewOptions options{kCanvasWidth / scale, kCanvasHeight / scale, "torus"};
  preview::Image image{
      options.width, options.height,
      std::vector<uint8_t>(3 * static_cast<size_t>(options.width * options.height))};
  const std::vector<bool> shown(scene.objectCount(), true);
  const preview::Box box = preview::sceneBox(scene);
  preview::ViewPose pose;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < frames; ++i) {
    pose.direction.azimuth += 2;
    preview::drawObjects(scene,
                         preview::poseCamera(box, preview::sceneViewport(scene, options), pose),
                         shown, image);
    preview::makeLegend(scene, options).draw(image);
  }
  return frames / std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int triangles = argc > 1 ? std::atoi(argv[1]) : 500'000;
  const int frames = argc > 2 ? std::atoi(argv[2]) : 60;
  refhost::registerReferenceHostClasses();
  refhost::ReferenceScene scene;
  addTorus(scene, triangles);
  std::printf("%d triangles, %d frames: full %.1f redraws/s, coarse %.1f redraws/s\n",
              scene.object(0).mesh().triangleCount(), frames, framesPerSecond(scene, 1, frames),
              framesPerSecond(scene, 2, frames));
}
