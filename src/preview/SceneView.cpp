#include "preview/SceneView.h"

#include "preview/Legend.h"

namespace vlm::preview {

Box sceneBox(const refhost::ReferenceScene& scene) {
  Box box;
  for (size_t i = 0; i < scene.objectCount(); ++i) {
    const refhost::CVLMObject& object = scene.object(i);
    if (!object.visible()) continue;
    const auto vertices = static_cast<size_t>(object.mesh().vertexCount());
    for (size_t v = 0; v < vertices; ++v) {
      const Vec3f p = worldVertex(object, v);
      if (isFinite(p)) box.include(p[0], p[1], p[2]);
    }
  }
  return box;
}

Viewport sceneViewport(const refhost::ReferenceScene& scene, const PreviewOptions& options) {
  const Legend legend = makeLegend(scene, options);
  return {options.width, options.height - legend.reservedHeight(options.width, options.height)};
}

Camera previewCamera(const refhost::ReferenceScene& scene, const PreviewOptions& options) {
  return frameBox(sceneBox(scene), sceneViewport(scene, options));
}

}  // namespace vlm::preview
