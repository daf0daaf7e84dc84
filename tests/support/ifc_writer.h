#pragma once
// A small writer of IFC 4.3 alignment files for the tests and for examples/interchange.ifc:
// each alignment's design (horizontal and vertical segments, STATION referents with
// Pset_Stationing, written as the program writes them) in the project's units, with an
// optional map conversion and placement. It writes what the
// standard's alignment exchange needs of the design and, where asked, the horizontal curve as
// the alignment's representation (the referents' IfcPointByDistanceExpression.BasisCurve is
// left unset).
//
// Everything here is in IFC's frame and the file's units: x east, y north, directions
// counter-clockwise from +x, radii positive to the left (0 a straight), distances along the
// line from its start.

#include <optional>
#include <string>
#include <vector>

#include "alignment/alignment.h"
#include "report/models/ifc_alignment_design.h"

namespace qelt::testing {

// The alignment's design as the program writes it (report/models/ifc_alignment_design.h).
using qelt::ifc_alignment;
using qelt::IfcAlignmentData;
using qelt::IfcHorizontalSegment;
using qelt::IfcStation;
using qelt::IfcVerticalSegment;

// A unit: an IfcSIUnit with `prefix` (empty: none), or, where `name` is given, an
// IfcConversionBasedUnit of that name worth `factor` metres or radians.
struct IfcUnitData {
    std::string prefix;
    std::string name;
    double factor = 1;
};

struct IfcModelData {
    std::string schema = "IFC4X3_ADD2";
    std::string file_name = "model.ifc";
    IfcUnitData length, angle;
    std::optional<double> precision;  // the model context's Precision
    // IfcProjectedCRS (by name) and IfcMapConversion, when `crs` is not empty.
    std::string crs;
    double eastings = 0, northings = 0, abscissa = 1, ordinate = 0, scale = 1;
    bool rigid_operation = false;  // an IfcRigidOperation (eastings, northings) instead
    // Where each alignment's own placement puts its coordinates in the project's: a shift
    // (metres east and north) and a turn (radians, counter-clockwise).
    double placement_east = 0, placement_north = 0, placement_turn = 0;
    bool footprint = false;  // each alignment's horizontal curve as its representation
    std::vector<IfcAlignmentData> alignments;
};

// The model as the text of an .ifc file.
std::string ifc_text(const IfcModelData& model);

// The bundled main line (examples/mainline-jd.txt with its chain breaks mainline-dl.txt and its
// profile mainline-profile.txt) as "主线" and the ramp (ramp-elements.txt) as "A匝道", read from
// `examples` (a folder) and built as the table builds them, in one model georeferenced in
// CGCS2000 3° Gauss-Krüger CM 114°E (EPSG:4547): examples/interchange.ifc.
IfcModelData bundled_interchange(const std::string& examples);

}  // namespace qelt::testing
