#pragma once
// The planned boreholes in the BIM model: an IFC 4.3 (IFC4X3_ADD2) file in which every hole is
// an IfcBorehole placed along its line by station and offset, so that the drilling plan and the
// road's model are one.
//
// Each hole:
// - is named by its stakeout name (the crew's), described by its group, printed station and
//   remark, and carries Pset_GeotechnicalAssemblyCommon (BoreHolePurpose SITE_INVESTIGATION;
//   Status OTHER: the standard's statuses know no "planned", and NEW is what the set itself
//   keeps away from geotechnical assemblies) and Qelt_Borehole (group, serial, printed station,
//   offset, type, status 计划, and the heights the table has);
// - is placed by an IfcLinearPlacement relative to its line's placement: an
//   IfcAxis2PlacementLinear whose IfcPointByDistanceExpression gives the distance along the
//   centre line from its start (the continuous mileage less the start's: with chain breaks it
//   is not the station), the offset to the left (OffsetLateral) and, on a skewed pier axis, the
//   part of the offset along the line (OffsetLongitudinal), with the collar's height where the
//   ground is known (OffsetVertical); and, as the standard asks of every linear placement, the
//   same point as a CartesianPosition (the table's X and Y in the model's frame). The distance is
//   measured along the alignment's horizontal curve (BasisCurve): the IfcCompositeCurve of its
//   representation, or one written of its horizontal segments where the model draws none. Not
//   its gradient curve: the collar's height is its own, not one above the design grade, and a
//   hole lies where the line runs even beyond the profile's ends. IfcRelPositions ties the holes
//   to their IfcAlignment;
// - has a body: where a depth is planned (or a bottom elevation under a known ground), a
//   vertical cylinder of the hole's diameter from the collar down; otherwise a small sphere
//   marking the collar.
// The holes are the parts (IfcRelAggregates) of one IfcGeomodel, the geotechnical assembly
// IFC 4.3 gives for a site's ground as investigated, contained in the IfcSite.
//
// Which model: where the run's line came from an IFC model, that model with the holes
// appended, every instance of it kept byte for byte (header included) and the new ones numbered
// after its last, related to its project, its site (one is added where it has none), its
// alignments and its georeferencing. Otherwise a new model: project, site, metres and radians,
// each line as an IfcAlignment with its horizontal segments (and their curve as its FootPrint
// representation), its vertical ones where it has a profile and its stationing as STATION referents
// (chain breaks with their incoming stations), georeferenced (IfcProjectedCRS and an identity
// IfcMapConversion: the model's coordinates are the grid's) where the grid's system is known.

#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "alignment/alignment.h"
#include "report/borehole_record.h"
#include "report/field/grid_projection.h"

namespace qelt {

class StepFile;

struct IfcBoreholeModel {
    // The IFC model the run's line came from, as the run parsed it; null: a new model.
    const StepFile* source_model = nullptr;
    // The grid's coordinate system for a new model (the user's, or none: then the zone prefix
    // of Y, or no georeferencing).
    GridSystem grid;
    std::string title;       // the project's name in a new model
    double diameter = 0.11;  // metres, a hole's where the list gives none
    // GlobalIds: random (a model others work on) or counted from 1 (reproducible files).
    bool random_guids = true;
};

// The EPSG code of a CGCS2000 Gauss–Krüger grid ("EPSG:4547") given by its central meridian
// (degrees east; without zone prefix) or by the zone prefix of Y; empty for any other.
std::string cgcs2000_epsg(const GridSystem& grid, const std::vector<BoreholeRecord>& records);

// Writes the model to `out`. `alignment` is the run's line, `further_lines` the lines its
// groups named; each record is placed on the line its `line` names. Throws DataError where the
// source model cannot take the holes (a line not found in it, a file saved as UTF-16 or saved
// again since the run read it). The holes go into a model in its own length unit (millimetres,
// feet: every distance, offset, height, body and length property converted).
void write_ifc_boreholes(std::ostream& out, const Alignment& alignment,
                         std::span<const Alignment> further_lines,
                         const std::vector<BoreholeRecord>& records, const IfcBoreholeModel& model);

}  // namespace qelt
