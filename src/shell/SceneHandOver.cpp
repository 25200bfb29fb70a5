// The hand-over of an import's objects (and, for 3DS, materials) to the host scene.
//
// Every host call is its own step: a failing one is passed over and the next runs. The
// first object goes in alone; the others follow with the first object's key as their
// parent. The collections are emptied at the end: the objects now belong to the scene.
#include <string>

#include "host/HostObjects.h"
#include "shell/frmImport.h"

namespace vlm {

void frmImport::Add_ObjectsToScene() {
  if (!colObject3D_ || colObject3D_->Count() == 0) return;
  Collection& objects = *colObject3D_;
  host::HostScene scene(objScene_);
  std::string firstKey;

  ignoreFailure([&] { scene.Prepare_Import(); });
  ignoreFailure([&] { scene.listObjectsAdd(objects.Item(1)); });
  ignoreFailure([&] { firstKey = host::HostObject(objects.Item(1)).key(); });
  ignoreFailure([&] { SelectedObject_ = scene.listObjectsCount(); });
  const int32_t count = objects.Count();
  for (int32_t position = 2; position <= count; ++position) {
    ignoreFailure([&] { scene.listObjectsAdd(objects.Item(position), firstKey); });
  }
  ignoreFailure([&] { scene.listObjectsItem(firstKey).Center(); });
  objects.Clear();
}

void frmImport::Add_3DSObjectsToScene(Importer& importer, const ImportOptions& options) {
  if (!colObject3D_ || colObject3D_->Count() == 0) return;
  Collection& objects = *colObject3D_;
  host::HostScene scene(objScene_);
  std::string firstKey;

  ignoreFailure([&] { scene.Prepare_Import(); });
  if (colMaterial3D_ && colMaterial3D_->Count() > 0) {
    const int32_t materials = colMaterial3D_->Count();
    for (int32_t position = 1; position <= materials; ++position) {
      ignoreFailure([&] { scene.listMaterialsAdd(colMaterial3D_->Item(position)); });
    }
  }
  const int32_t count = objects.Count();
  if (count > 1) {
    ignoreFailure([&] { scene.listObjectsAdd(objects.Item(1)); });
    ignoreFailure([&] { firstKey = host::HostObject(objects.Item(1)).key(); });
    ignoreFailure([&] { scene.Assign_MaterialToObject(host::HostObject(objects.Item(1)).key()); });
    for (int32_t position = 2; position <= count; ++position) {
      ignoreFailure([&] { scene.listObjectsAdd(objects.Item(position), firstKey); });
      ignoreFailure([&] { scene.Assign_MaterialToObject(scene.listObjectsCount()); });
    }
  } else {
    ignoreFailure([&] { scene.listObjectsAdd(objects.Item(1)); });
    ignoreFailure([&] { firstKey = scene.listObjectsItem(int16_t{1}).key(); });
    ignoreFailure([&] { scene.Assign_MaterialToObject(int16_t{1}); });
  }
  SelectedObject_ = 1;
  ignoreFailure([&] { scene.listObjectsItem(firstKey).Center(); });
  ignoreFailure([&] {
    if (options.AutoSmooth) scene.listObjectsItem(firstKey).SmoothNormalsAdaptive(int16_t{60});
  });
  float x = 0, y = 0, z = 0;
  ignoreFailure([&] { importer.Get_Position(x, y, z); });
  ignoreFailure([&] { scene.listObjectsItem(firstKey).setPosX(x); });
  ignoreFailure([&] { scene.listObjectsItem(firstKey).setPosY(y); });
  ignoreFailure([&] { scene.listObjectsItem(firstKey).setPosZ(z); });
  objects.Clear();
}

}  // namespace vlm
