// Times CImp_PLY on one file, in the shared peer benchmark's runner protocol: prints
// "load_s=... cpu_s=... meshes=... verts=... faces=...". cpu_s is the processor time of the
// Load, which other programs on a shared machine do not inflate.
//
//   ply_load FILE             one Load of FILE into the reference host (which copies the
//                             arrays and computes the smoothing surface of Get_Surface 0)
//   ply_load --reader FILE    the same into a host object that only keeps the array sizes:
//                             what remains is the importer itself
//
// The headless toolkit is installed, so every yield costs what it costs in vlmhost, and the
// progress bar is set up as the import run sets it: maximum file length plus 1.
#include <chrono>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "importply/CImp_PLY.h"
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

double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

using vlm::bench::BenchDialog;

// A host object that only notes how many values it was handed.
class CountingObject : public vlm::DispatchObject {
 public:
  CountingObject() {
    addMember("Add_Vertices", [this](vlm::InvokeKind, std::span<vlm::Variant> args) {
      verts = static_cast<long long>(args[0].singleArray().size()) / 3;
      return vlm::Variant();
    });
    addMember("Add_Poligons", [this](vlm::InvokeKind, std::span<vlm::Variant> args) {
      const std::vector<int32_t>& records = args[0].longArray();
      for (size_t i = 0; i < records.size(); i += static_cast<size_t>(records[i]) + 1) {
        faces += records[i] == 4 ? 2 : 1;
      }
      return vlm::Variant();
    });
    const auto nothing = [](vlm::InvokeKind, std::span<vlm::Variant>) { return vlm::Variant(); };
    addMember("Get_Surface", nothing);
    addMember("Name", nothing);
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
  auto objects = std::make_shared<vlm::Collection>();
  vlm::CImp_PLY importer;
  const double cpuStart = cpuSeconds();
  const Clock::time_point start = Clock::now();
  importer.Load(import, objects);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  const double cpu = cpuSeconds() - cpuStart;
  vlm::ui::setToolkit(nullptr);
  long long verts = 0, faces = 0;
  for (int32_t i = 1; i <= objects->Count(); ++i) counts(objects->Item(i), verts, faces);
  std::printf("load_s=%.4f cpu_s=%.4f meshes=%d verts=%lld faces=%lld yields=%llu\n", seconds,
              cpu, objects->Count(), verts, faces,
              static_cast<unsigned long long>(toolkit.yields()));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  vlm::refhost::registerReferenceHostClasses();
  try {
    if (argc == 3 && std::string_view(argv[1]) == "--reader") {
      vlm::registerClass("Velmo.CVLMObject", [] { return std::make_shared<CountingObject>(); });
      return loadFile(argv[2]);
    }
    if (argc == 2) return loadFile(argv[1]);
  } catch (const vlm::RuntimeError& e) {
    std::fprintf(stderr, "error %d: %s\n", e.number(), e.description().c_str());
    return 1;
  }
  std::fprintf(stderr, "usage: ply_load [--reader] FILE.ply\n");
  return 2;
}
