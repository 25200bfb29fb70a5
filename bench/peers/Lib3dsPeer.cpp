// Peer runner: lib3ds 1.3 (Debian lib3ds-dev), the dedicated 3DS reader, loads FILE with
// lib3ds_file_load.
#include <lib3ds/file.h>
#include <lib3ds/mesh.h>

#include "PeerReport.h"

int main(int argc, char** argv) {
  using namespace vlm::peers;
  if (argc != 2) return usage(argv[0], "FILE.3ds");
  const LoadTimer timer;
  Lib3dsFile* file = lib3ds_file_load(argv[1]);
  const double seconds = timer.seconds();
  if (file == nullptr) {
    std::fprintf(stderr, "lib3ds: cannot load %s\n", argv[1]);
    return 1;
  }
  long long meshes = 0, verts = 0, faces = 0;
  for (const Lib3dsMesh* m = file->meshes; m != nullptr; m = m->next) {
    ++meshes;
    verts += m->points;
    faces += m->faces;
  }
  report(seconds, verts, faces, meshes);
  lib3ds_file_free(file);
  return 0;
}
