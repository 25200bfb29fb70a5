#include "refhost/PolygonLists.h"

#include <string>

#include "platform/Error.h"
#include "refhost/HostErrors.h"

namespace vlm::refhost {

int64_t addPolygonRecords(Mesh& mesh, std::span<const int32_t> records) {
  return mesh.appendPolygonRecords(records, [records](size_t at) {
    const int32_t count = records[at];
    if (count != 0 && count != 3 && count != 4) {
      raise(err::kInvalidCall,
            "Polygon record at index " + std::to_string(at) + " has " + std::to_string(count) +
                " corners; a polygon has 3 or 4",
            kHostSource);
    }
    raise(err::kInvalidCall,
          "Polygon record at index " + std::to_string(at) + " is cut short by the list's end",
          kHostSource);
  });
}

int64_t addTriangleTriples(Mesh& mesh, std::span<const int32_t> triples) {
  if (triples.size() % 3 != 0) {
    raise(err::kInvalidCall,
          "Index list of " + std::to_string(triples.size()) + " values is not made of triples",
          kHostSource);
  }
  return mesh.appendTriangleTriples(triples);
}

bool setPolygonNormal(Mesh& mesh, double polygon, std::span<const float, 9> normals) {
  const int32_t triangle = mesh.triangleOfRecord(polygon);
  if (triangle < 0) return false;
  if (mesh.shareCornerNormals(triangle, normals)) return true;
  std::span<float, 9> out = mesh.cornerNormalsOf(triangle);
  std::copy(normals.begin(), normals.end(), out.begin());
  return true;
}

int64_t setNormalRecords(Mesh& mesh, std::span<const float> records) {
  if (records.size() % 10 != 0) {
    raise(err::kInvalidCall,
          "Normal list of " + std::to_string(records.size()) +
              " values is not made of ten-value records",
          kHostSource);
  }
  int64_t invalid = 0;
  for (size_t at = 0; at < records.size(); at += 10) {
    if (!setPolygonNormal(mesh, records[at], records.subspan(at + 1).first<9>())) ++invalid;
  }
  return invalid;
}

}  // namespace vlm::refhost
