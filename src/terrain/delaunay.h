#pragma once
// The Delaunay triangulation of a crew's scattered ground points: the triangles whose
// circumcircles hold no other point, the surface a surveyor would draw through the shots (no
// sliver where a fatter triangle fits). A million shots are triangulated in about two seconds
// and 150 MB (delaunay.cpp says how).
//
// Frame and units: metres; X north, Y east. Only X and Y take part; the heights ride along.

#include <vector>

#include "terrain/terrain.h"

namespace qelt {

// The triangles of the Delaunay triangulation of `points`, as indices into `points`; they cover
// the points' convex hull. The points must be distinct in X, Y (the readers merge or refuse
// repeated shots first, naming their lines). Empty when the points are fewer than three or all
// in a line: no surface. Throws DataError when the library fails.
std::vector<TerrainFace> delaunay_faces(const std::vector<TerrainPoint>& points);

}  // namespace qelt
