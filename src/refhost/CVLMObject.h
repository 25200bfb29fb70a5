// The reference host's mesh object, "Velmo.CVLMObject".
//
// Dispatch members (by name, case-insensitive): the properties Name, DefaultColor,
// Visible, MaterialKey, PosX, PosY, PosZ and the read-only Key; the methods Add_Vertices,
// Add_Poligons, Set_PoligonNormals, Add_Vertex, Add_Poligon, Set_PoligonNormal,
// Get_Surface, Center and SmoothNormalsAdaptive. The C++ accessors below serve the scene
// and its report.
//
// Positions are each object's own placement (a child's is not relative to its parent):
// a vertex is in the world at its stored coordinates plus the object's position.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/Dispatch.h"
#include "refhost/Mesh.h"
#include "refhost/Smoothing.h"

namespace vlm::refhost {

class CVLMMaterial;

// Red 0, green 128, blue 192.
inline constexpr int32_t kObjectDefaultColor = 0 + 256 * 128 + 65536 * 192;

class CVLMObject : public DispatchObject, public std::enable_shared_from_this<CVLMObject> {
 public:
  // A run of polygon numbers made one surface, last resolved when it was omitted.
  using Surface = std::pair<int64_t, int64_t>;

  CVLMObject();
  // An object is one in the scene, with its key and family: no copies.
  CVLMObject(const CVLMObject&) = delete;
  CVLMObject& operator=(const CVLMObject&) = delete;

  const std::string& name() const noexcept { return name_; }
  int32_t color() const noexcept { return color_; }
  bool visible() const noexcept { return visible_; }
  const std::string& materialKey() const noexcept { return materialKey_; }
  const std::array<float, 3>& position() const noexcept { return position_; }
  // What Center moved the stored vertices by, summed: stored + offset = as received.
  const std::array<float, 3>& centerOffset() const noexcept { return centerOffset_; }
  const std::string& key() const noexcept { return key_; }  // "" until in ListObjects
  const Mesh& mesh() const noexcept { return mesh_; }
  int64_t invalidPolygons() const noexcept { return invalidPolygons_; }
  int64_t normalRecords() const noexcept { return normalRecords_; }  // all received
  int64_t invalidNormals() const noexcept { return invalidNormals_; }
  const std::vector<Surface>& surfaces() const noexcept { return surfaces_; }
  std::shared_ptr<const CVLMObject> parent() const noexcept { return parent_.lock(); }
  const std::shared_ptr<CVLMMaterial>& material() const noexcept { return material_; }
  int32_t importBatch() const noexcept { return importBatch_; }

  // Called by ListObjects.Add: the object's key, parent (or null) and import batch.
  void attach(std::string key, const std::shared_ptr<CVLMObject>& parent, int32_t batch);
  void bindMaterial(std::shared_ptr<CVLMMaterial> material) { material_ = std::move(material); }
  // Moves the object and its children so that their common bounding-box centre is at
  // the origin, adding the distance moved to their positions.
  void center();
  // Multiplies the stored vertices, the position and the centre offset by `factor`: the
  // object as the host would hold it had the file been read in other units.
  void scale(float factor);

 private:
  static const SharedMembers& members();
  static void addMembers(SharedMembers& t);
  static void addGeometryMembers(SharedMembers& t);
  static void addSmoothingMembers(SharedMembers& t);
  void addPolygons(std::span<Variant> args);
  void makeSurface(std::span<Variant> args);
  std::vector<CVLMObject*> family();
  void verticesChanged() noexcept { smoother_.reset(); }

  std::string name_;
  int32_t color_ = kObjectDefaultColor;
  bool visible_ = true;
  std::string materialKey_;
  std::array<float, 3> position_{};
  std::array<float, 3> centerOffset_{};
  std::string key_;
  Mesh mesh_;
  int64_t invalidPolygons_ = 0;
  int64_t normalRecords_ = 0;
  int64_t invalidNormals_ = 0;
  std::vector<Surface> surfaces_;
  std::weak_ptr<CVLMObject> parent_;
  std::vector<std::weak_ptr<CVLMObject>> children_;
  std::shared_ptr<CVLMMaterial> material_;
  int32_t importBatch_ = 0;
  // Position groups for Get_Surface, kept between the runs of one vertex list.
  std::unique_ptr<SurfaceSmoother> smoother_;
};

}  // namespace vlm::refhost
