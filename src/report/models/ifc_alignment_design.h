#pragma once
// An alignment's design as an IFC 4.3 model carries it (IfcAlignment with its
// IfcAlignmentHorizontal and IfcAlignmentVertical segments, and its stationing as IfcReferents of
// type STATION with Pset_Stationing): what the model Qelt writes for a line that did not come
// from one holds, and what the tests' models of other units and placements are made of.
//
// Everything here is in IFC's frame and the file's units: x east, y north, directions
// counter-clockwise from +x, radii positive to the left (0 a straight), distances along the
// line from its start.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "alignment/alignment.h"
#include "report/models/step_writer.h"

namespace qelt {

struct IfcHorizontalSegment {
    double x = 0, y = 0, direction = 0, start_radius = 0, end_radius = 0, length = 0;
    std::string type = "LINE";
};

struct IfcVerticalSegment {
    double start = 0, length = 0, height = 0, grade_in = 0, grade_out = 0;
    std::optional<double> radius;
    std::string type = "CONSTANTGRADIENT";
};

// A STATION referent: its distance along the line, the station there and, at a chain break,
// the station reached before it (IncomingStation).
struct IfcStation {
    double along = 0, station = 0;
    std::optional<double> incoming;
};

struct IfcAlignmentData {
    std::string name;
    std::vector<IfcHorizontalSegment> horizontal;  // the closing segment of length 0 included
    std::vector<IfcVerticalSegment> vertical;      // empty: no IfcAlignmentVertical
    std::vector<IfcStation> stations;
};

// A built line (its pieces, its chain breaks 1..dl_count, the profile where given) as an
// alignment in metres and radians, with its closing segments: the start station at distance 0,
// each chain break a referent at its distance along with the station reached before it.
IfcAlignmentData ifc_alignment(const std::string& name, const Alignment& alignment,
                               const Profile* profile = nullptr);

// The horizontal segments as IFC 4.3 draws an alignment: an IfcCompositeCurve of one
// IfcCurveSegment a segment (the closing one of length 0 included), each cut from its parent
// curve (IfcLine, IfcCircle, IfcClothoid) by length and placed at the segment's start point
// along its start direction. The curve's number.
std::int64_t write_ifc_horizontal_curve(StepWriter& w,
                                        const std::vector<IfcHorizontalSegment>& segments);

// The instances of one alignment as written.
struct WrittenIfcAlignment {
    std::int64_t alignment = 0;  // IfcAlignment
    std::int64_t placement = 0;  // its IfcLocalPlacement
    std::int64_t curve = 0;      // its horizontal IfcCompositeCurve; 0: none written
};

// Writes `a` placed by the IfcAxis2Placement3D `own_axes` (relative to the project's origin),
// its parts by `identity_axes` relative to it: the alignment, its nested parts and segments,
// its referents; and, given the geometric representation context `context`, its horizontal
// curve as the alignment's FootPrint. The caller aggregates it to the project.
WrittenIfcAlignment write_ifc_alignment(StepWriter& w, const IfcAlignmentData& a,
                                        std::int64_t identity_axes, std::int64_t own_axes,
                                        std::int64_t context = 0);

}  // namespace qelt
