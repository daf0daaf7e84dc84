#pragma once
// The boreholes and the centre line on a satellite map (Google Earth, 奥维互动地图, any GIS):
// KML and GeoJSON in longitude and latitude, turned from the road's Gauss–Krüger grid
// coordinates by PROJ. The grid's coordinate system is never guessed: the user names it
// (an EPSG code, or the central meridian of a CGCS2000 zone), or Y carries the zone number in
// front of its easting (38498953.0072: zone 38), from which the zone is read.
//
// Frame and units of the input: metres; X north, Y east, as the alignment file gives them.

#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "alignment/alignment.h"
#include "base/data_error.h"
#include "report/borehole_record.h"
#include "report/field/grid_projection.h"

namespace qelt {

enum class MapFormat { kml, geojson };

// The first sentence of the refusal of a map whose coordinate system is not known (no --crs,
// no --central-meridian, Y without a zone number); the command line's options follow it, and a
// front end without them says what its user can do instead.
inline constexpr const char* kMapWithoutSystem =
    "不知道 X、Y 坐标所在的坐标系：Y 不带带号（如 38498953.0072 前面的 38），Qelt 不猜。";
// That refusal, told apart from the others (a point outside its zone …) by its type rather than
// by its words.
class MapWithoutSystem : public DataError {
  public:
    using DataError::DataError;
};

// Writes the map file of `alignment` (the centre line, its key points) and `boreholes`
// (placemarks, a folder per group) to `out`, titled `title`. Throws DataError, writing nothing,
// when the coordinate system is not known (the message says how to give one) or a point lies
// outside its zone.
void write_map_file(std::ostream& out, MapFormat format, const Alignment& alignment,
                    std::span<const BoreholeRecord> boreholes, const GridSystem& system,
                    const std::string& title);

// Why a map of these coordinates cannot be written with `system` (no coordinate system given
// and no zone prefix, a point outside the zone …), in the user's words; nothing when it can.
// The desktop program, which has no option to ask, writes the map only when this is empty and
// tells the user otherwise.
std::optional<std::string> map_file_problem(const Alignment& alignment,
                                            std::span<const BoreholeRecord> boreholes,
                                            const GridSystem& system);

// The continuous mileages at which the map draws the centre line, from its start to its end:
// close enough that no chord strays more than `tolerance` metres from the curve (a chord c
// over curvature k bows c²·k/8 from it), and at most 200 m apart on straights too (a straight
// of the grid is no straight line of longitude and latitude, though it comes within a
// millimetre over 200 m).
std::vector<double> centre_line_mileages(const LocatedLine& line, double tolerance);

}  // namespace qelt
