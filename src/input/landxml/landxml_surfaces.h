#pragma once
// The ground surfaces of a LandXML file: Surfaces/Surface with a triangulated definition
// (Definition surfType="TIN"), as Civil 3D, Carlson and Land Desktop export the existing ground.
//
//   Pnts/P id="…"   "northing easting elevation"
//   Faces/F         three point ids; a face marked i="1" is invisible, not part of the surface
//                   (the outside of a non-convex boundary, a void's inside)
//   SourceData/Boundaries/Boundary bndType="outer" | "void", its ring as PntList2D ("northing
//                   easting …") or PntList3D ("northing easting elevation …"): a point outside
//                   the outer boundary or inside a void has no ground even where a visible face
//                   covers it
//
// Units: metres (whatever unit the file is in, heights too); X north, Y east.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "input/landxml/landxml_document.h"
#include "terrain/terrain.h"

namespace qelt {

// A surface of the file as the list of choices shows it.
struct SurfaceSummary {
    std::string name;
    std::size_t points = 0;
    std::size_t faces = 0;  // visible faces
};

// The TIN surfaces of `document`, in the order of the file.
std::vector<SurfaceSummary> landxml_surfaces(const LandXmlDocument& document);

// The ground surface of `document`: the file's only TIN surface whatever its name, or the one
// called `name`. Throws DataError naming the file and the line: a file without a TIN surface;
// several and no name, or a name the file does not hold (the list: names, point and face
// counts); a point or face that is not three numbers, two points of one id, a face naming a
// missing point; a surface without a visible face; a boundary whose points are not pairs.
// `source` names the file for the table's note.
Terrain landxml_terrain(const LandXmlDocument& document, const std::optional<std::string>& name);

}  // namespace qelt
