#pragma once
// A small writer of IFC 4.3 alignment files for the tests and for examples/interchange.ifc:
// each alignment's design (horizontal and vertical segments, STATION referents with
// Pset_Stationing) in the project's units, with an optional map conversion. It writes what the
// standard's alignment exchange needs of the design and nothing of its geometric representation
// (the referents' IfcPointByDistanceExpression.BasisCurve is left unset).
//
// Everything here is in IFC's frame and the file's units: x east, y north, directions
// counter-clockwise from +x, radii positive to the left (0 a straight), distances along the
// line from its start.

#include <optional>
#include <string>
#include <vector>

#include "alignment/alignment.h"

namespace qelt::testing {

struct IfcHorizontalSegment {
    double x = 0, y = 0, direction = 0, start_radius = 0, end_radius = 0, length = 0;
    std::string type = "LINE";
};

struct IfcVerticalSegment {
    double start = 0, length = 0, height = 0, grade_in = 0, grade_out = 0;
    std::optional<double> radius;
    std::string type = "CONSTANTGRADIENT";
};

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
    std::vector<IfcAlignmentData> alignments;
};

// The model as the text of an .ifc file.
std::string ifc_text(const IfcModelData& model);

// A built line (its pieces, its chain breaks 1..dl_count, the profile where given) as an
// alignment in metres and radians, with its closing segments.
IfcAlignmentData ifc_alignment(const std::string& name, const Alignment& alignment,
                               const Profile* profile = nullptr);

// The bundled main line (examples/mainline-jd.txt with its chain breaks mainline-dl.txt and its
// profile mainline-profile.txt) as "主线" and the ramp (ramp-elements.txt) as "A匝道", read from
// `examples` (a folder) and built as the table builds them, in one model georeferenced in
// CGCS2000 3° Gauss-Krüger CM 114°E (EPSG:4547): examples/interchange.ifc.
IfcModelData bundled_interchange(const std::string& examples);

}  // namespace qelt::testing
