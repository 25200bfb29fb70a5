// Times CImp_DXF (.dxf) or CImp_POV (.inc) on one file against the reference host, in the
// shared peer benchmark's runner protocol: prints "load_s=... meshes=... verts=... faces=...".
//
//   dxfpov_load FILE                 one Load of FILE, the importer chosen by extension
//   dxfpov_load --add-vertex N       ns per Add_Vertex call through the host wrapper, into
//                                    the reference host and into a target that does nothing
//
// faces counts the host's triangles (a four-corner 3DFACE is two).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "host/HostObjects.h"
#include "importdxf/CImp_DXF.h"
#include "importpov/CImp_POV.h"
#include "platform/Collection.h"
#include "platform/Dispatch.h"
#include "platform/Error.h"
#include "refhost/CVLMObject.h"
#include "refhost/ReferenceScene.h"
#include "ui/ImportDialog.h"
#include "BenchDialog.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

using vlm::bench::BenchDialog;

int loadFile(const std::string& path) {
  const bool dxf = path.ends_with(".dxf") || path.ends_with(".DXF");
  BenchDialog dialog(static_cast<float>(std::filesystem::file_size(path) + 1));
  vlm::ImportContext import = dialog.importOf(path);
  auto objects = std::make_shared<vlm::Collection>();
  const Clock::time_point start = Clock::now();
  if (dxf) {
    vlm::CImp_DXF importer;
    importer.Load(import, objects);
  } else {
    vlm::CImp_POV importer;
    importer.Load(import, objects);
  }
  const double seconds = secondsSince(start);
  long long verts = 0, faces = 0;
  for (int32_t i = 1; i <= objects->Count(); ++i) {
    const auto object = std::dynamic_pointer_cast<vlm::refhost::CVLMObject>(objects->Item(i));
    verts += object->mesh().vertexCount();
    faces += object->mesh().triangleCount();
  }
  std::printf("load_s=%.4f meshes=%d verts=%lld faces=%lld\n", seconds, objects->Count(), verts,
              faces);
  return 0;
}

// A mesh object whose Add_Vertex does nothing: what remains is the cost of the call.
class NoOpObject : public vlm::DispatchObject {
 public:
  NoOpObject() {
    addMember("Add_Vertex",
              [](vlm::InvokeKind, std::span<vlm::Variant>) { return vlm::Variant(); });
  }
};

double nsPerAddVertex(vlm::host::HostObject object, long long calls) {
  float x = 1, y = 2, z = 3;
  object.Add_Vertex(x, y, z);  // looks the member up once
  const Clock::time_point start = Clock::now();
  for (long long i = 0; i < calls; ++i) {
    x += 1;
    object.Add_Vertex(x, y, z);
  }
  return secondsSince(start) * 1e9 / static_cast<double>(calls);
}

int timeAddVertex(long long calls) {
  const double host = nsPerAddVertex(vlm::host::HostObject::create(), calls);
  const double call = nsPerAddVertex(vlm::host::HostObject(std::make_shared<NoOpObject>()), calls);
  std::printf("add_vertex_ns=%.1f call_only_ns=%.1f calls=%lld\n", host, call, calls);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  vlm::refhost::registerReferenceHostClasses();
  try {
    if (argc == 3 && std::string_view(argv[1]) == "--add-vertex") {
      return timeAddVertex(std::atoll(argv[2]));
    }
    if (argc == 2) return loadFile(argv[1]);
  } catch (const vlm::RuntimeError& e) {
    std::fprintf(stderr, "error %d: %s\n", e.number(), e.description().c_str());
    return 1;
  }
  std::fprintf(stderr, "usage: dxfpov_load FILE.dxf|FILE.inc | --add-vertex N\n");
  return 2;
}
