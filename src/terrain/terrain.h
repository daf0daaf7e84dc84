#pragma once
// A ground surface (地面) as a triangulated irregular network: the ground's height under any
// point of the plane that the triangles cover, and none elsewhere. A terrain is a value of its
// own beside the alignment: it knows nothing of lines, and a job that has one asks it for the
// ground at a hole's X, Y.
//
// Frame and units: metres; X to the north, Y to the east, elevations in the surface's own height
// datum (whatever the survey or the design model used).
//
// The height of a point is the plane through the three corners of the triangle that holds it:
// the surface the design software drew its contours from, exact for a ground that is plane over
// the triangle. Outside the triangles, outside the outer boundary where one is given, or inside
// a void (a building, a pond the survey left out), there is no height: the ground is never
// extrapolated, for a height guessed beyond the survey would set a rig's depth wrong.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "geometry/geometry.h"
#include "terrain/section_ground.h"

namespace qelt {

// A point of the surface: plane position and elevation, metres.
struct TerrainPoint {
    double x = 0;  // north
    double y = 0;  // east
    double z = 0;  // elevation
};

// A triangle of the surface as the indices of its three corners in the point table, in either
// turning sense.
using TerrainFace = std::array<std::uint32_t, 3>;

// A closed ring of the plane (the last point is taken back to the first), in either sense.
using Ring = std::vector<Point>;

class Terrain {
  public:
    Terrain() = default;
    // The surface of `faces` over `points`. A face of three points in a line carries no ground
    // and is left out. `outer`, where not empty, bounds the surface; each ring of `voids` is a
    // hole in it. `source` names where the ground came from (the file, for the table's note).
    // Every index of a face must be below points.size() (the readers refuse a file whose
    // faces name a missing point before building).
    Terrain(std::vector<TerrainPoint> points, std::vector<TerrainFace> faces, std::string source,
            Ring outer = {}, std::vector<Ring> voids = {});

    // The ground as the route group's cross sections along a line (terrain/section_ground.h),
    // in place of triangles: a job asks it for a hole's ground as it asks a TIN.
    Terrain(SectionGround sections, std::string source);

    // The ground's elevation at `at`, metres: for cross sections their rule
    // (terrain/section_ground.h); for triangles the plane of a triangle that holds it (on an edge
    // or a corner either neighbour gives the same height, to the rounding); nothing outside the
    // surface. O(1) on average: a uniform grid of cells over the triangles' extent, about one
    // triangle per cell.
    std::optional<double> elevation(Point at) const;

    // Why `at` has no ground, as a sentence that follows "钻孔": "在地面模型“…”的范围之外", or
    // the cross sections' reason.
    std::string why_none(Point at) const;

    // The cross sections the ground is made of; null for a TIN.
    const SectionGround* sections() const { return sections_.get(); }

    const std::string& source() const { return source_; }
    std::size_t point_count() const { return points_.size(); }
    std::size_t face_count() const { return faces_.size(); }
    const std::vector<TerrainPoint>& points() const { return points_; }
    const std::vector<TerrainFace>& faces() const { return faces_; }
    bool empty() const { return faces_.empty() && !sections_; }

  private:
    std::optional<double> in_face(std::size_t face, Point at) const;
    bool inside_boundary(Point at) const;

    std::vector<TerrainPoint> points_;
    std::vector<TerrainFace> faces_;
    std::string source_;
    Ring outer_;
    std::vector<Ring> voids_;
    std::shared_ptr<const SectionGround> sections_;
    // The grid: cells of `cell_` metres from (x0_, y0_), `columns_` × `rows_`; the faces
    // touching cell c are cell_faces_[cell_start_[c] .. cell_start_[c + 1]).
    double x0_ = 0, y0_ = 0, cell_ = 1;
    std::size_t rows_ = 0, columns_ = 0;
    std::vector<std::uint32_t> cell_start_;
    std::vector<std::uint32_t> cell_faces_;
};

// Whether `at` lies inside the ring `ring` (on its edge counts as inside), by the even-odd rule.
bool inside_ring(const Ring& ring, Point at);

}  // namespace qelt
