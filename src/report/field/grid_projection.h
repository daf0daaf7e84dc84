#pragma once
// Longitude and latitude of the road's grid coordinates, through PROJ, for the map files.
//
// The grid is a Gauss–Krüger zone of CGCS2000 in almost every Chinese road project: a 3° zone
// (central meridians 75°, 78° … 135°) or a 6° zone (75°, 81° … 135°), scale 1 on the central
// meridian, 500 km added to Y so that it stays positive, and often the zone number written in
// front of Y (38498953.0072: zone 38, 1 047 m west of its central meridian 114°). The user
// names the system (an EPSG code, or the central meridian), or the zone is read from the
// prefix; nothing is guessed.
//
// CGCS2000, WGS 84 and the ITRF realisations are taken as one: their frames agree to a few
// centimetres at a common epoch, and what the drift of the continent since CGCS2000's epoch
// (2000.0) adds is below what satellite imagery can show. Beijing 1954, Xi'an 1980 and other
// local datums lie tens of metres to over a hundred metres away on a map and are refused: no
// transformation between them is right without the survey's own parameters.
//
// Frame and units: grid metres, X north, Y east (as the alignment file gives them, a Y with its
// zone prefix keeping it); longitude and latitude in degrees, east and north positive.

#include <memory>
#include <optional>
#include <string>

#include "geometry/geometry.h"

namespace qelt {

// The coordinate system of the road's grid coordinates, as the user gives it: at most one of
// the two. Neither: the zone is read from the prefix of Y, or the map is refused.
struct GridSystem {
    std::string crs;                         // "EPSG:4545", any projected CRS PROJ knows
    std::optional<double> central_meridian;  // degrees east: CGCS2000 Gauss–Krüger, false
                                             // easting 500 km, scale 1, no zone prefix
};

// A point on the ellipsoid.
struct GeoPoint {
    double longitude = 0;  // degrees, east positive
    double latitude = 0;   // degrees, north positive
};

// The zone number a Y carries in front of its easting: floor(Y / 1e6) for Y ≥ 10 000 000 m,
// nothing for a Y without one (a Gauss–Krüger easting is 500 km ± at most a few hundred, so
// it never reaches 8 digits by itself).
std::optional<int> zone_prefix(double y);

// One grid system resolved for the map files: where its coordinates come from, how far from
// its central meridian a point may sensibly lie, and what its Y begins with.
struct GridZone {
    // The CRS as the user named it ("EPSG:4527"); empty for a CGCS2000 Gauss–Krüger zone given
    // by its central meridian (from the option or from the prefix of Y).
    std::string crs;
    double central_meridian = 0;    // degrees east, the built zone's
    double false_easting = 500000;  // metres, the built zone's: 500 km, or prefix·1e6 + 500 km
    double half_width = 3;          // degrees, the built zone's own half width
    std::string label;              // the system in messages: "EPSG:4527", "3° 带第 39 带" …
};

// The CGCS2000 zone of a Y prefix: zones 13–23 are 6° zones (central meridian 6·zone − 3),
// 25–45 are 3° zones (3·zone); the two ranges cover China from 75° to 135° east and do not
// overlap, so the prefix alone says which. Nothing for any other number.
std::optional<GridZone> prefixed_zone(int prefix);

// The CGCS2000 Gauss–Krüger zone with central meridian `degrees` east, false easting 500 km,
// Y without prefix. Its width is not known (117° is the meridian of a 3° and of a 6° zone), so
// it is taken as a 6° zone's.
GridZone meridian_zone(double degrees);

// A CRS as the user names it: "EPSG:4527", or any text PROJ reads as a CRS.
GridZone crs_zone(const std::string& crs);

// The transformation of one grid system, with a PROJ context of its own (one per map written:
// no state is shared between runs or threads). PROJ's database proj.db is taken from beside the
// program where one lies there (the Windows installation), else from PROJ's own place
// (/usr/share/proj). Never reaches for the network.
class GridProjection {
  public:
    // Throws DataError, in the user's words, for a CRS PROJ does not know, one that is not a
    // projected CRS in metres with north and east axes, and one whose datum is not CGCS2000,
    // WGS 84 or ITRF (Beijing 1954, Xi'an 1980 …), and when proj.db cannot be found.
    explicit GridProjection(const GridZone& zone);
    ~GridProjection();
    GridProjection(const GridProjection&) = delete;
    GridProjection& operator=(const GridProjection&) = delete;

    // Longitude and latitude of a grid point; NaN where PROJ cannot convert it.
    GeoPoint geodetic(Point grid) const;
    // The grid point of a longitude and latitude; NaN where PROJ cannot convert it.
    Point grid(GeoPoint geo) const;

    // Why a point does not belong to this grid, in the user's words (completing "……的"): a Y
    // whose zone prefix is not the system's, a point farther from the central meridian than
    // any project in the zone goes (2° beyond the zone's edge: the distortion of scale there,
    // 2‰ and more, is more than a road's survey accepts, so such a point is a wrong zone or a
    // wrong coordinate). Nothing when it belongs.
    std::optional<std::string> misfit(Point grid, GeoPoint geo) const;

    // How messages name the system.
    const std::string& label() const { return label_; }

  private:
    struct Proj;
    std::unique_ptr<Proj> proj_;
    std::string label_;
    // The zone number Y must carry (0: none) when the system is a Gauss–Krüger or UTM zone.
    bool checks_prefix_ = false;
    int prefix_ = 0;
    // Longitudes that make sense in the system, degrees; no check where west > east.
    double west_ = 1, east_ = -1;
    double central_meridian_ = 0;  // NaN for a projection without one
};

}  // namespace qelt
