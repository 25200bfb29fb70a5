// renderScene and the view window's drawing: each shown object's vertices projected
// once, every triangle's corners shaded and handed to the rasterizer; the wireframe
// overlay draws the same triangles' edges.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string>

#include "geometry/CornerNormals.h"
#include "geometry/SceneColors.h"
#include "preview/Camera.h"
#include "preview/Legend.h"
#include "preview/Preview.h"
#include "preview/Rasterizer.h"
#include "preview/SceneView.h"

namespace vlm::preview {

namespace {

using refhost::CVLMObject;
using refhost::ReferenceScene;

// Brightness: ambient, a key light above and to the left of the eye, and a headlight.
constexpr float kAmbient = 0.22f;
constexpr float kKeyLight = 0.58f;
constexpr float kHeadLight = 0.30f;

// Marks a corner that is not drawn (a coordinate not finite).
constexpr int32_t kNoCorner = INT32_MIN;

struct Lights {
  Vec3f key{};
  Vec3f head{};
};

Lights lightsFor(const Camera& camera) noexcept {
  Lights lights;
  Vec3d key{};
  for (int axis = 0; axis < 3; ++axis) {
    key[axis] = -0.45 * camera.right[axis] + 0.65 * camera.up[axis] - 0.6 * camera.forward[axis];
    lights.head[axis] = static_cast<float>(-camera.forward[axis]);
  }
  key = unit(key);
  for (int axis = 0; axis < 3; ++axis) lights.key[axis] = static_cast<float>(key[axis]);
  return lights;
}

ShadeTable shadesOf(int32_t colorNumber) noexcept {
  const geometry::Rgb rgb = geometry::rgbOf(colorNumber);
  ShadeTable shades{};
  for (int level = 0; level < 256; ++level) {
    shades[level] = {static_cast<uint8_t>(rgb.r * level / 255),
                     static_cast<uint8_t>(rgb.g * level / 255),
                     static_cast<uint8_t>(rgb.b * level / 255)};
  }
  return shades;
}

class ObjectPainter {
 public:
  ObjectPainter(const Camera& camera, Rasterizer& rasterizer)
      : camera_(camera), lights_(lightsFor(camera)), rasterizer_(rasterizer) {}

  void outline(const CVLMObject& object, const std::array<uint8_t, 3>& rgb) {
    project(object);
    const auto& corners = object.mesh().triangles();
    for (size_t i = 0; i < corners.size(); i += 3) {
      for (size_t k = 0; k < 3; ++k) {
        const ScreenCorner& a = screen_[static_cast<size_t>(corners[i + k])];
        const ScreenCorner& b = screen_[static_cast<size_t>(corners[i + (k + 1) % 3])];
        if (a.x != kNoCorner && b.x != kNoCorner) rasterizer_.line(a, b, rgb);
      }
    }
  }

  void paint(const CVLMObject& object, int32_t colorNumber) {
    project(object);
    const ShadeTable shades = shadesOf(colorNumber);
    const auto& corners = object.mesh().triangles();
    TriangleSetup setup;
    for (size_t i = 0; i < corners.size(); i += 3) {
      const ScreenCorner& a = screen_[static_cast<size_t>(corners[i])];
      const ScreenCorner& b = screen_[static_cast<size_t>(corners[i + 1])];
      const ScreenCorner& c = screen_[static_cast<size_t>(corners[i + 2])];
      if (a.x == kNoCorner || b.x == kNoCorner || c.x == kNoCorner) continue;
      if (!rasterizer_.setup(a, b, c, setup)) continue;
      rasterizer_.fill(setup, brightness(object, static_cast<int32_t>(i / 3)), shades);
    }
  }

 private:
  // Every vertex in the picture, or kNoCorner when it is not finite or not in front of
  // the eye (which framing rules out for finite ones).
  void project(const CVLMObject& object) {
    constexpr double kLimit = double{kGuardBand + kMaxImageSide} * kSubpixels;
    const auto vertices = static_cast<size_t>(object.mesh().vertexCount());
    screen_.resize(vertices);
    for (size_t v = 0; v < vertices; ++v) {
      const Vec3f p = worldVertex(object, v);
      ScreenCorner& s = screen_[v];
      s.x = kNoCorner;
      Vec3d picture{};
      if (!isFinite(p) || !camera_.project({p[0], p[1], p[2]}, picture)) continue;
      const double x = picture[0] * kSubpixels;
      const double y = picture[1] * kSubpixels;
      if (!(std::abs(x) < kLimit && std::abs(y) < kLimit)) continue;
      s.x = static_cast<int32_t>(std::lround(x));
      s.y = static_cast<int32_t>(std::lround(y));
      s.depth = static_cast<float>(picture[2]);
    }
  }

  // Corner brightness (0..255), lit from the side the eye sees: normals are turned to
  // that side, so back faces and meshes wound the other way show lit too.
  std::array<float, 3> brightness(const CVLMObject& object, int32_t triangle) const noexcept {
    const refhost::Mesh& mesh = object.mesh();
    const int32_t* t = mesh.triangles().data() + 3 * static_cast<size_t>(triangle);
    const Vec3f a = worldVertex(object, static_cast<size_t>(t[0]));
    Vec3f face = geometry::faceNormal(mesh, triangle);
    const Vec3f toEye{static_cast<float>(camera_.eye[0] - a[0]),
                      static_cast<float>(camera_.eye[1] - a[1]),
                      static_cast<float>(camera_.eye[2] - a[2])};
    if (dot(face, toEye) < 0) face = {-face[0], -face[1], -face[2]};
    const std::array<Vec3f, 3> normals = geometry::cornerNormals(mesh, triangle);
    std::array<float, 3> out{};
    for (size_t k = 0; k < 3; ++k) {
      const float side = dot(normals[k], face) < 0 ? -1.0f : 1.0f;
      const float key = std::max(0.0f, side * dot(normals[k], lights_.key));
      const float head = std::max(0.0f, side * dot(normals[k], lights_.head));
      out[k] = 255.0f * std::min(1.0f, kAmbient + kKeyLight * key + kHeadLight * head);
    }
    return out;
  }

  const Camera& camera_;
  Lights lights_;
  Rasterizer& rasterizer_;
  std::vector<ScreenCorner> screen_;
};

void checkSize(const PreviewOptions& options) {
  if (options.width < kMinImageSide || options.width > kMaxImageSide ||
      options.height < kMinImageSide || options.height > kMaxImageSide) {
    throw std::invalid_argument("image size " + std::to_string(options.width) + "x" +
                                std::to_string(options.height) + " is outside " +
                                std::to_string(kMinImageSide) + ".." +
                                std::to_string(kMaxImageSide) + " pixels per side");
  }
}

}  // namespace

void drawObjects(const ReferenceScene& scene, const Camera& camera, const std::vector<bool>& shown,
                 Image& image) {
  for (size_t i = 0; i < image.rgb.size(); i += 3)
    std::memcpy(&image.rgb[i], kBackground.data(), 3);
  Rasterizer rasterizer(image);
  ObjectPainter painter(camera, rasterizer);
  for (size_t i = 0; i < scene.objectCount(); ++i) {
    const CVLMObject& object = scene.object(i);
    if (shown[i]) painter.paint(object, geometry::displayColor(scene, object));
  }
}

void drawWireframe(const ReferenceScene& scene, const Camera& camera,
                   const std::vector<bool>& shown, Image& image) {
  constexpr std::array<uint8_t, 3> kWireColor = {16, 18, 22};
  Rasterizer rasterizer(image);
  ObjectPainter painter(camera, rasterizer);
  for (size_t i = 0; i < scene.objectCount(); ++i) {
    if (shown[i]) painter.outline(scene.object(i), kWireColor);
  }
}

Image renderScene(const ReferenceScene& scene, const PreviewOptions& options) {
  checkSize(options);
  Image image{options.width, options.height, {}};
  image.rgb.resize(3 * static_cast<size_t>(image.width) * static_cast<size_t>(image.height));
  std::vector<bool> shown;
  for (size_t i = 0; i < scene.objectCount(); ++i) shown.push_back(scene.object(i).visible());
  drawObjects(scene, previewCamera(scene, options), shown, image);
  makeLegend(scene, options).draw(image);
  return image;
}

}  // namespace vlm::preview
