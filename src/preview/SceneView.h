// What the preview of a scene looks at: the box of its visible, finite vertices in the
// world, the camera that frames it in the picture above the legend, and the drawing of
// the objects (also the view window's).
#pragma once

#include <cmath>
#include <vector>

#include "preview/Camera.h"
#include "preview/Preview.h"
#include "refhost/Vec3.h"

namespace vlm::preview {

// The world position of vertex `v` of `object`: stored coordinates plus its position.
inline Vec3f worldVertex(const refhost::CVLMObject& object, size_t v) noexcept {
  const float* xyz = object.mesh().vertices().data() + 3 * v;
  const auto& pos = object.position();
  return {xyz[0] + pos[0], xyz[1] + pos[1], xyz[2] + pos[2]};
}

inline bool isFinite(const Vec3f& p) noexcept {
  return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

Box sceneBox(const refhost::ReferenceScene& scene);
// The viewport above the legend's strip in the picture `options` describe.
Viewport sceneViewport(const refhost::ReferenceScene& scene, const PreviewOptions& options);
Camera previewCamera(const refhost::ReferenceScene& scene, const PreviewOptions& options);

// The background, then the objects whose `shown` entry is set (one per scene object),
// each in its colour, into `image` as large as it is.
void drawObjects(const refhost::ReferenceScene& scene, const Camera& camera,
                 const std::vector<bool>& shown, Image& image);
// The edges of the shown objects' triangles over what `image` holds.
void drawWireframe(const refhost::ReferenceScene& scene, const Camera& camera,
                   const std::vector<bool>& shown, Image& image);

}  // namespace vlm::preview
