#pragma once
// The alignment model: one road centre line, however it was given (by intersection points, as
// an element chain, read from a LandXML file), as every job reads it. It is the located line
// (the piece table, each piece placed at its own start point and direction) and its
// stationing: the start station and the chain breaks with their before/after stations, whose
// intervals are lettered A, B, C … Nothing that reads an alignment asks how it was given.
//
// Frame and units: metres; X north, Y east; azimuths in radians clockwise from +X; mileages
// are continuous (every chain break taken out), stations are in the chain-break numbering.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "geometry/geometry.h"
#include "geometry/profile.h"
#include "station/chain_breaks.h"

namespace qelt {

// An intersection point of a main line: its name as the alignment file gives it, where it
// lies, and the curve it carries as the build solved it, for the tables that the engineer
// compares with the design drawings (直线、曲线及转角表). The start and end points carry no
// curve: their curve values are 0 and their key mileages all equal the JD's own.
struct AlignmentJd {
    std::string name;
    Point point;  // X north, Y east, metres
    // The curve data as typed (positive, a hairpin's too): R, the transition lengths Ls1 and
    // Ls2 and the radii at their outer ends R1 and R2 (0 = the transition starts or ends on a
    // straight, infinite radius), metres.
    double radius = 0, entry_length = 0, exit_length = 0, entry_radius = 0, exit_radius = 0;
    bool hairpin = false;  // 回头曲线
    // As the build uses them: the deflection (radians, + to the right; beyond a half turn for
    // a hairpin), the tangent lengths JD back to ZH and JD on to HZ (metres, negative where a
    // hairpin puts ZH ahead of its JD or HZ behind it) and the curve length ZH..HZ.
    double deflection = 0, t1 = 0, t2 = 0, length = 0;
    // Continuous mileages of the JD (a point of the tangent polygon, reckoned along the line)
    // and of the curve's key points ZH, HY, YH, HZ.
    double mileage = 0, zh = 0, hy = 0, yh = 0, hz = 0;
    bool has_curve() const { return length > 0; }
};

// A named point of the line: a key point of a curve (ZH, HY, QZ, YH, HZ, ZY, YZ), a boundary
// between elements (named by the kinds it joins), the line's start (起点) or end (终点).
struct KeyPoint {
    KeyPoint() = default;
    // The JD last, optional: a point of a line given by its elements belongs to none.
    KeyPoint(std::string name_, double mileage_, std::string jd_ = {})
        : name(std::move(name_)), mileage(mileage_), jd(std::move(jd_)) {}

    std::string name;
    double mileage = 0;  // continuous mileage, metres
    // The JD whose curve the point belongs to, by its name ("JD3"); empty for the start, the
    // end and every point of a line given by its elements.
    std::string jd;
};

// Where the chain breaks of a line come from.
enum class ChainBreakSource {
    file,          // the chain-break file (the main line by JDs): always asked for
    file_or_none,  // the chain-break file where the user gives one (a LandXML line without
                   // station equations): the command line goes without when none is given
    line,          // the line's own station equations (LandXML StaEquation); no file applies
    none,          // no chain breaks (an element-chain ramp): none asked for
};

struct Alignment {
    // The line's name as its source gives it (a LandXML alignment's name); empty otherwise.
    std::string name;
    // The located line, from the start station (its start mileage) to the end.
    LocatedLine line;
    // The stationing's chain breaks: filled from the chain-break file, or by the source from the
    // line's own station equations (elements 1..dl_count). Once the run has completed them
    // (dl_complete) element 0 is the start of interval A and element dl_count + 1 the end of the
    // line in the last interval's numbering.
    ChainBreaks breaks;
    ChainBreakSource break_source = ChainBreakSource::file;
    // The JD polygon of a main line, in order; empty for a line given by its elements.
    std::vector<AlignmentJd> jds;
    // The named points in the order of mileage, the start and the end included.
    std::vector<KeyPoint> key_points;
    // What the source's checks found that the user should know (a small seam or direction
    // break between two elements of a LandXML file): one text each.
    std::vector<std::string> notices;
    // The projected coordinate system X and Y are in, where the source names one by its EPSG
    // code ("EPSG:4547", an IFC model's IfcProjectedCRS), for the map files; empty otherwise.
    std::string crs;
    // The design profile (纵断面) where one is given: the grade line over the same continuous
    // mileages as the located line. A line without one has no heights.
    std::optional<Profile> profile;
    // The ground line along the centre line where the line's file gives one (a LandXML
    // ProfSurf), in the order of mileage: for the section drawing where no terrain is given, for
    // it says nothing of the ground beside the line. `ground_line_source` names it for the
    // drawing's legend.
    struct GroundLinePoint {
        double mileage = 0;  // continuous mileage, metres
        double elevation = 0;
    };
    std::vector<GroundLinePoint> ground_line;
    std::string ground_line_source;

    double start_mileage() const { return line.start_mileage(); }
    double end_mileage() const { return line.end_mileage(); }
};

// The key points of a line given by its elements: the start, every boundary between two pieces
// named by the kinds it joins (Z 直线, Y 圆曲线, H 缓和曲线: ZH, HY, YH, HZ, ZY, YZ; GQ, 公切点,
// where two curves of one kind meet, two arcs of different radii or two transitions at an
// inflection; two straights in a row meet at no point worth a name), and the end.
std::vector<KeyPoint> element_key_points(const LocatedLine& line);

// Checks that the line's profile (alignment.profile, where it has one) belongs to this line: a
// grade point more than a kilometre (kFarBeyondEnd) before the start or beyond the end of the
// located line is a typing error (K91+180 typed for K19+180), which would bend the grade line
// towards it and change every design elevation on the way without a word. A grade point nearer
// is read: a profile often reaches a little past the ends of the section it was drawn for.
// Every profile passes here, whichever file it came from. Throws DataError naming `file`, the
// grade point by its station as written and its line.
void check_profile_reach(const Alignment& alignment, const std::string& file);

}  // namespace qelt
