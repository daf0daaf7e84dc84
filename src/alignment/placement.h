#pragma once
// The placement of one borehole on an alignment, both ways: from its station and offset to its
// coordinates (the coordinate table, 坐标表) and from surveyed coordinates back to its station
// and offset (the as-drilled table, 坐标反算). Pure: it opens no file and knows no table; what
// the engineer must hear about a placement (a borehole off the ends of the line, an offset
// reaching the centre of the curve) comes back with it as text, for the caller to put after the
// file and line the borehole came from.
//
// Frame and units: metres; X north, Y east; an offset is positive to the left of the direction
// of increasing station; mileages are continuous (every chain break taken out), stations are in
// the chain-break numbering. The alignment's chain breaks must be complete (dl_complete).

#include <optional>
#include <string>
#include <vector>

#include "alignment/alignment.h"
#include "geometry/geometry.h"

namespace qelt {

// Where a borehole is to be drilled, as a borehole list gives it.
struct StationOffset {
    std::string station_text;  // as written: plain, lettered ("B13470") or K-form
    double offset = 0;         // metres, positive to the left of the centre line
    std::string offset_text;   // the offset as written, for the texts that quote it
    // The crossing angle of a skewed pier axis (交角), degrees, 0 < θ < 180: the hole lies on the
    // axis through the centre-line point at the station, whose left half (positive offsets)
    // makes θ with the direction of increasing station, `offset` metres along the axis.
    // Nothing: square to the line, as a crossing angle of 90.
    std::optional<double> crossing_angle = std::nullopt;
};

enum class PlacementOutcome {
    placed,            // every field below is set
    station_rejected,  // the station names no place on the line: `message` is the station
                       // module's own text (zh_check, zh_dlstr), shown to the user as it is
    not_computable,    // the line gives no finite point or station here: `message` says so
    not_on_line,       // too far from the line to be one of its holes (kFarBeyondEnd,
                       // kFarAcross): a typing error; `message` says how far and, where it
                       // looks so, that X and Y are swapped
};

// How far a hole of the line can lie from it. A borehole is drilled for the road: a little
// beyond the ends of a section (the next section's bridge abutment) and some way to the side
// (a ramp, a borrow pit), but never a kilometre beyond the ends nor five to the side. Farther
// than that it is a typing error (a digit lost or doubled, X and Y swapped), whose station and
// offset would be numbers without meaning.
inline constexpr double kFarBeyondEnd = 1000;  // metres along the line beyond either end
inline constexpr double kFarAcross = 5000;     // metres of offset, either side

// A borehole placed on the line, whichever way it was given.
struct PlacedBorehole {
    PlacementOutcome outcome = PlacementOutcome::placed;
    std::string message;  // why it was not placed; empty when placed
    // What the placement computed but the engineer should know, one text each, in the order
    // found (off the ends of the line first). Set also when the point then proves not
    // computable.
    std::vector<std::string> notices;

    double mileage = 0;        // continuous mileage of the station (of the foot), metres
    std::string station;       // the station as the tables print it ("K1+234.500")
    double station_value = 0;  // the station number in its interval's numbering, metres
    double offset = 0;         // metres, positive to the left
    Point point;               // the borehole: X north, Y east, metres
    Point centre;              // the centre-line point at the station (place_borehole)
    // The profile's design elevation at `mileage`, metres, where the alignment has a profile
    // that reaches there; off either end of the profile nothing, and a notice.
    std::optional<double> design_elevation;
};

// Places a borehole from its station and offset. The station is checked against the chain
// breaks (a letter naming no interval, a number outside its interval, an unlettered number in
// the overlap of a long chain or the gap of a short one are rejected with the station module's
// message), turned into a continuous mileage, located on the centre line and moved `offset`
// metres square to the left of the direction of increasing station (along the skewed axis where
// `at` has a crossing angle: the printed station stays the axis's, the centre-line point's).
// `station` is the station as the user wrote it, printed in K-form without its letter;
// `station_value` its number. A mileage before the start or beyond the end is placed on the
// extended start or end tangent and noticed; an offset that reaches or passes the centre of
// curvature on the inside of a curve is placed all the same and noticed, for there the station and
// offset no longer say where the point is. An offset of more than kFarAcross is refused
// (not_on_line). Where the alignment has a profile, the design elevation at the station.
PlacedBorehole place_borehole(const Alignment& alignment, const StationOffset& at);

// Takes a surveyed hole back to the line (反算): the foot of its perpendicular on the centre line
// (the nearest where the line passes more than once), the station of the foot in the
// chain-break numbering, lettered where the number alone would be read elsewhere (the overlap
// of a long chain), so that the printed station read back as a borehole list's gives this
// point again, and the hole's offset from the foot. `name` is the hole's name as written, for
// the texts. A foot off the ends of the line lies on the extended tangent and is noticed. A
// foot more than kFarBeyondEnd beyond either end or an offset of more than kFarAcross is
// refused (not_on_line); the message says "X、Y 可能写反了" when the point with its X and Y
// exchanged lies within kFarBeyondEnd of the line. Where the alignment has a profile, the design
// elevation at the foot's station.
PlacedBorehole place_surveyed(const Alignment& alignment, const std::string& name, Point point);

}  // namespace qelt
