// What the import run needs of an importer, and the adapters that wrap importer classes.
//
// Each importer class keeps the signature of its own Load (CImp_OBJ takes the import
// context, which names the file, and the object collection; CImp_3DS also the material
// collection and offers Get_Position). The adapters give them one interface, so the format table can hold a
// factory per format and the run can call any of them.
#pragma once

#include <memory>
#include <string>

#include "platform/Collection.h"
#include "platform/Error.h"
#include "textio/ImportContext.h"

namespace vlm {

class Importer {
 public:
  virtual ~Importer() = default;

  // Reads the file of `p_Import` and appends what it built to the collections, or puts
  // collections of its own in their place. `p_colMaterial3D` is used only by importers of
  // formats with materials; for the others it stays as it is.
  virtual void Load(ImportContext& p_Import, CollectionRef& p_colObject3D,
                    CollectionRef& p_colMaterial3D) = 0;

  // The first object's position (importers that keep one); error 438 for the others.
  virtual void Get_Position(float& /*x*/, float& /*y*/, float& /*z*/) { raise(err::kNoSuchMember); }
};

// An importer class whose Load takes the import context and the object collection.
template <class T>
class ObjectImporter final : public Importer {
 public:
  void Load(ImportContext& p_Import, CollectionRef& p_colObject3D,
            CollectionRef& /*p_colMaterial3D*/) override {
    importer_.Load(p_Import, p_colObject3D);
  }

 private:
  T importer_;
};

// An importer class whose Load also takes the material collection and that reports the
// first object's position.
template <class T>
class ObjectAndMaterialImporter final : public Importer {
 public:
  void Load(ImportContext& p_Import, CollectionRef& p_colObject3D,
            CollectionRef& p_colMaterial3D) override {
    importer_.Load(p_Import, p_colObject3D, p_colMaterial3D);
  }
  void Get_Position(float& x, float& y, float& z) override { importer_.Get_Position(x, y, z); }

 private:
  T importer_;
};

// The factory of a format table row: a new importer of the adapter's class.
template <class Adapter>
std::unique_ptr<Importer> createImporterOf() {
  return std::make_unique<Adapter>();
}

}  // namespace vlm
