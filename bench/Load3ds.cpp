// Times CImp_3DS on one file, in the shared peer benchmark's runner protocol: prints
// "load_s=... meshes=... verts=... faces=... materials=...".
//
//   load_3ds FILE             one Load of FILE into the reference host (which copies the
//                             vertex and index arrays into its meshes)
//   load_3ds --reader FILE    the same into host objects that only note the array sizes:
//                             what remains is the importer itself
//
// The headless toolkit is installed, so every yield costs what it costs in vlmhost, and the
// progress bar is set up as the import run sets it: maximum file length plus 1.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "import3ds/CImp_3DS.h"
#include "platform/Collection.h"
#include "platform/Dispatch.h"
#include "platform/Error.h"
#include "platform/ObjectRegistry.h"
#include "refhost/CVLMObject.h"
#include "refhost/ReferenceScene.h"
#include "ui/HeadlessToolkit.h"
#include "ui/ImportDialog.h"
#include "BenchDialog.h"

namespace {

using Clock = std::chrono::steady_clock;

using vlm::bench::BenchDialog;

// A host object or material that accepts the members the importer uses and only notes
// the sizes of the arrays it is handed.
class CountingObject : public vlm::DispatchObject {
 public:
  CountingObject() {
    addMember("Add_Vertices", [this](vlm::InvokeKind, std::span<vlm::Variant> args) {
      verts += static_cast<long long>(args[0].singleArray().size()) / 3;
      return vlm::Variant();
    });
    addMember("Add_Poligons", [this](vlm::InvokeKind, std::span<vlm::Variant> args) {
      faces += static_cast<long long>(args[0].longArray().size()) / 3;
      return vlm::Variant();
    });
    const auto nothing = [](vlm::InvokeKind, std::span<vlm::Variant>) { return vlm::Variant(); };
    for (const char* member :
         {"Name", "DefaultColor", "Visible", "MaterialKey", "MaterialType", "AmbientColor", "Color",
          "SpecularColor", "Smoothness", "SpecCoeff", "OpacityValue"}) {
      addMember(member, nothing);
    }
  }
  long long verts = 0, faces = 0;
};

void counts(const vlm::ObjectRef& item, long long& verts, long long& faces) {
  if (const auto counting = std::dynamic_pointer_cast<CountingObject>(item)) {
    verts += counting->verts;
    faces += counting->faces;
  } else if (const auto object = std::dynamic_pointer_cast<vlm::refhost::CVLMObject>(item)) {
    verts += object->mesh().vertexCount();
    faces += object->mesh().triangleCount();
  }
}

int loadFile(const std::string& path) {
  vlm::ui::HeadlessToolkit toolkit;
  vlm::ui::setToolkit(&toolkit);
  BenchDialog dialog(static_cast<float>(std::filesystem::file_size(path) + 1));
  vlm::ImportContext import = dialog.importOf(path);
  vlm::CollectionRef objects, materials;
  vlm::CImp_3DS importer;
  const Clock::time_point start = Clock::now();
  importer.Load(import, objects, materials);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  vlm::ui::setToolkit(nullptr);
  long long verts = 0, faces = 0;
  for (int32_t i = 1; i <= objects->Count(); ++i) counts(objects->Item(i), verts, faces);
  std::printf("load_s=%.4f meshes=%d verts=%lld faces=%lld materials=%d yields=%llu\n", seconds,
              objects->Count(), verts, faces, materials->Count(),
              static_cast<unsigned long long>(toolkit.yields()));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  vlm::refhost::registerReferenceHostClasses();
  try {
    if (argc == 3 && std::string_view(argv[1]) == "--reader") {
      const auto counting = [] { return std::make_shared<CountingObject>(); };
      vlm::registerClass("Velmo.CVLMObject", counting);
      vlm::registerClass("Velmo.CVLMMaterial", counting);
      return loadFile(argv[2]);
    }
    if (argc == 2) return loadFile(argv[1]);
  } catch (const vlm::RuntimeError& e) {
    std::fprintf(stderr, "error %d: %s\n", e.number(), e.description().c_str());
    return 1;
  }
  std::fprintf(stderr, "usage: load_3ds [--reader] FILE.3ds\n");
  return 2;
}
