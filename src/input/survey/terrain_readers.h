#pragma once
// The ground a run is given (--terrain, the desktop's 读取地面资料): the file's kind told by
// its content, then read into the terrain model (terrain/terrain.h).
//
//   LandXML             a TIN surface (input/landxml/landxml_surfaces.h), chosen by name where the file
//                       holds several
//   survey points       triangulated (Delaunay) over their convex hull:
//                         CASS .dat     点名,编码,Y,X,H   (easting first, as Qelt's stakeout file)
//                         PNEZD .csv    点名,X,Y,H[,描述]
//                         any other     点名 X Y H        (blank-separated, one point a line)
//                       the layout told as the points files of inverse tell it
//                       (input/survey/surveyed_points.h); blank lines are skipped
//
// A ground point must have its H; two shots at the same X, Y with one height are one point, with
// two heights they are refused (which is the ground?); fewer than three points, or all in a line,
// make no surface. Each refusal names the file and the lines.
//
// Frame and units: metres; X north, Y east.

#include <optional>
#include <string>
#include <vector>

#include "input/documents.h"
#include "input/landxml/landxml_surfaces.h"
#include "terrain/terrain.h"

namespace qelt {

// The ground in the file `path`; `surface_name` chooses among a LandXML file's surfaces. The
// terrain's source() is the file's name. Throws DataError naming the file and the line.
// The file is taken from the job's `documents`.
Terrain read_terrain(Documents& documents, const std::string& path,
                     const std::optional<std::string>& surface_name);

// The TIN surfaces that the alignment file `path` carries beside the line (a LandXML file from
// the design software, which exports the existing ground with the alignment): empty for a file
// that is not LandXML or holds none. Throws DataError when the file cannot be read.
std::vector<SurfaceSummary> surfaces_in_line_file(Documents& documents, const std::string& path);

// The ground shots of a points file, triangulated: as read_terrain for a file that is not XML.
Terrain read_terrain_points(Documents& documents, const std::string& path);

}  // namespace qelt
