// Peer runner: Assimp (Debian libassimp-dev) imports FILE with aiImportFile(path, 0), no
// post-processing. Counts are Assimp's: OBJ and 3DS come de-indexed (a vertex per corner).
#include <assimp/cimport.h>
#include <assimp/scene.h>

#include "PeerReport.h"

int main(int argc, char** argv) {
  using namespace vlm::peers;
  if (argc != 2) return usage(argv[0], "FILE");
  const LoadTimer timer;
  const aiScene* scene = aiImportFile(argv[1], 0);
  const double seconds = timer.seconds();
  if (scene == nullptr) {
    std::fprintf(stderr, "assimp: %s\n", aiGetErrorString());
    return 1;
  }
  long long verts = 0, faces = 0;
  for (unsigned i = 0; i < scene->mNumMeshes; ++i) {
    verts += scene->mMeshes[i]->mNumVertices;
    faces += scene->mMeshes[i]->mNumFaces;
  }
  report(seconds, verts, faces, scene->mNumMeshes);
  aiReleaseImport(scene);
  return 0;
}
