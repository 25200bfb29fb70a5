// Peer runner: tinyobjloader (Debian libtinyobjloader-dev, float build) reads an OBJ file
// with LoadObj, without triangulation: faces are the file's polygons, verts its shared
// vertex list.
#include <tiny_obj_loader.h>

#include <string>
#include <vector>

#include "PeerReport.h"

int main(int argc, char** argv) {
  using namespace vlm::peers;
  if (argc != 2) return usage(argv[0], "FILE.obj");
  tinyobj::attrib_t attrib;
  std::vector<tinyobj::shape_t> shapes;
  std::vector<tinyobj::material_t> materials;
  std::string warn, err;
  const LoadTimer timer;
  const bool ok =
      tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, argv[1], nullptr, false);
  const double seconds = timer.seconds();
  if (!ok) {
    std::fprintf(stderr, "tinyobjloader: %s\n", err.c_str());
    return 1;
  }
  long long faces = 0;
  for (const tinyobj::shape_t& s : shapes) {
    faces += static_cast<long long>(s.mesh.num_face_vertices.size());
  }
  report(seconds, static_cast<long long>(attrib.vertices.size() / 3), faces,
         static_cast<long long>(shapes.size()));
  return 0;
}
