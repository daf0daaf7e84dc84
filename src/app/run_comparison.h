#pragma once
// The holes as drilled against the holes as planned (坐标反算 with the planned borehole list).
// The survey crew stakes each planned hole out under the point name of the stakeout file (A1,
// A2 … by group and serial, report/field/stakeout.h) and returns it surveyed under that name; the
// name is the one link between the two lists, for a hole moved on site may well lie nearer to
// its neighbour's planned place than to its own. Pure: no file, no sheet.
//
// Frame and units: metres; X north, Y east; offsets and Δ across positive to the left of the
// direction of increasing station, Δ along positive ahead (towards increasing station).

#include <span>
#include <string>
#include <vector>

#include "geometry/geometry.h"
#include "report/borehole_record.h"

namespace qelt {

// How far a hole may lie from its planned place in plan before it is marked 超限, unless the
// project says otherwise (qelt-cli --tolerance).
inline constexpr double kDefaultTolerance = 1.0;

inline constexpr const char* kBeyondTolerance = "超限";
inline constexpr const char* kNotDrilled = "未钻";
inline constexpr const char* kNotPlanned = "计划外";

// The drilled point's deviation from the planned point: the difference drilled − planned,
// resolved on the direction of the planned hole's own line at its planned station, `azimuth`
// (radians, clockwise from +X): along its tangent and along its normal to the left, and its
// length. A hole of a skewed pier axis (交角) is resolved the same way, across along the normal
// rather than along the skewed axis: the two parts stay square, so that they make up the
// distance, and Δ across says how far the hole moved towards or away from the centre line.
struct HoleDeviation {
    double along = 0;     // + ahead, towards increasing station
    double across = 0;    // + left
    double distance = 0;  // in plan, ≥ 0
};
HoleDeviation hole_deviation(double azimuth, Point planned, Point drilled);

// A planned hole as the coordinate table places it, on its group's line and axis: the record
// (group title and number, serial, point name, station, offset, X, Y, line), the continuous
// mileage of its station on its line and the azimuth of that line there.
struct PlannedHole {
    BoreholeRecord record;
    double mileage = 0;
    double azimuth = 0;
};

// A group of the compared table, its rows numbered from 1.
struct ComparedGroup {
    GroupHead head;
    std::vector<BoreholeRecord> rows;
};

struct HoleComparison {
    // The planned groups that have drilled holes, their holes in the planned order; then the
    // planned holes not drilled (未钻) and the drilled points that match no planned hole (计划外),
    // each as a group of its own after them.
    std::vector<ComparedGroup> groups;
    int planned = 0, drilled = 0, beyond = 0, not_drilled = 0, not_planned = 0;
    std::vector<std::string> notices;  // a point name drilled twice
};

// Matches each drilled hole (`drilled`, in the order of the points file, named as surveyed) to
// the planned hole whose stakeout point name (BoreholeRecord::point_name) it carries. A name that
// names no planned hole (a point renamed on site, a hole added) is 计划外, and the planned hole it
// may have been is 未钻: a renamed point is not guessed back by its position. A name surveyed twice
// matches with its first point; the later ones are 计划外 and noticed. A matched hole whose
// distance from its plan, to the millimetre as printed, exceeds `tolerance` is 超限.
HoleComparison compare_holes(std::span<const PlannedHole> planned,
                             std::span<const BoreholeRecord> drilled, double tolerance);

// The comparison's closing line: "计划 12 孔，实测 11 孔：超限 2 孔（限差 1.000 米），未钻 1
// 孔，计划外 1 孔".
std::string comparison_summary(const HoleComparison& comparison, double tolerance);

}  // namespace qelt
