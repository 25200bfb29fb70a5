// The two list forms the host object takes in one call: polygon records and normal
// records.
//
// Polygon records are a corner count, 3 or 4, followed by that many vertex indices; a
// four-corner record becomes triangles 1-2-3 and 3-4-1. A corner count of 0 is an empty
// record that adds nothing: a list holding the single value 0 is how an importer hands
// over vertices without faces. Any other count, or a record cut short by the end of the
// list, makes the whole list malformed: error 5, and nothing of it is added.
#pragma once

#include <cstdint>
#include <span>

#include "refhost/Mesh.h"

namespace vlm::refhost {

// Adds polygon records; returns how many polygons were invalid (not stored).
int64_t addPolygonRecords(Mesh& mesh, std::span<const int32_t> records);
// Adds plain index triples, one triangle each (error 5 unless the length is a multiple
// of 3); returns how many were invalid.
int64_t addTriangleTriples(Mesh& mesh, std::span<const int32_t> triples);

// Sets the corner normals of polygon `polygon` (a whole number of a stored polygon);
// returns false, changing nothing, for any other number.
bool setPolygonNormal(Mesh& mesh, double polygon, std::span<const float, 9> normals);
// Normal records of ten values: polygon number, then corners 1, 2, 3 (error 5 unless the
// length is a multiple of 10); returns how many records named no stored polygon.
int64_t setNormalRecords(Mesh& mesh, std::span<const float> records);

}  // namespace vlm::refhost
