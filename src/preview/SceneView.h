// What the preview of a scene looks at: the box of its visible, finite vertices in the
// world, and the camera that frames it in the picture above the legend.
#pragma once

#include <cmath>

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
Camera previewCamera(const refhost::ReferenceScene& scene, const PreviewOptions& options);

}  // namespace vlm::preview
