#pragma once
// The alignments of an IFC 4.3 model (IfcAlignment), as the alignment model every job reads:
// the design of each line ("business logic": its horizontal and vertical segments and its
// stationing), not its geometric representation (IfcCompositeCurve, IfcGradientCurve), whose
// parameterisation exporters still disagree on. Cant is not read.
//
// What is read, from a file of schema IFC4X3, IFC4X3_ADD1 or IFC4X3_ADD2 (others refused,
// naming the schema):
// - the project's units (IfcSIUnit with its prefix, IfcConversionBasedUnit: foot, US survey
//   foot, degree, grad …, the units the standard defines exactly taken exactly), for lengths
//   and plane angles;
// - each IfcAlignment's IfcAlignmentHorizontal segments in the order of IfcRelNests, each
//   placed at its own StartPoint and StartDirection (LINE, CIRCULARARC, CLOTHOID: the other
//   types are refused by name), checked where one meets the next as a LandXML line's elements
//   are (a notice above 1 mm, or above the model context's Precision where that is coarser,
//   or 10″; refused above 0.1 m); zero-length segments (the closing one) add nothing but are
//   checked against the line's end;
// - its stationing from the IfcReferents of type STATION nested under it: Pset_Stationing's
//   Station and IncomingStation at their distance along (IfcLinearPlacement →
//   IfcAxis2PlacementLinear → IfcPointByDistanceExpression.DistanceAlong), the first giving
//   the start station, each later one whose station differs from the one reached a chain break
//   (back = IncomingStation or the station reached, ahead = Station);
// - its IfcAlignmentVertical segments (CONSTANTGRADIENT, PARABOLICARC, CIRCULARARC) as the
//   grade points of a profile, with the seams between segments checked as the horizontal's (a
//   vertical that cannot be read leaves the line without a profile, with a notice saying why:
//   the plane line and its stations stand without their heights);
// - IfcMapConversion where it is not the identity (a rotation and a false origin; a scale that
//   would stretch the line away from its stations is refused), or a translation-only
//   IfcRigidOperation onto a projected grid, and the IfcProjectedCRS named in a notice.
//
// Frames: IFC's x axis is the easting and its y the northing, its directions counter-clockwise
// from +x, a positive radius turning left. What is built is in Qelt's frame: metres, X north,
// Y east, azimuth radians clockwise from +X, curvature positive to the right; mileages are
// continuous from the start station (the start station + distance along).

#include "input/alignment_choice.h"
#include "input/ifc/step.h"

namespace qelt {

// The alignments of an IFC 4.3 file, each built: alignments() and build(index)
// (FileAlignments) give each one's located line from its start station, its chain breaks, its
// key points, its profile where it has a vertical alignment and the notices of its checks, or
// the refusal naming the file, the line of the instance and what was found there.
class IfcAlignments : public FileAlignments {
  public:
    // Reads the units and the georeferencing of `file` and builds each IfcAlignment. Throws
    // DataError naming the file and the line for a schema other than IFC 4.3, units it cannot
    // take, a map conversion it cannot apply and a file without IfcAlignment. A fault inside one
    // alignment does not stop the others: build reports it.
    explicit IfcAlignments(const StepFile& file);
};

}  // namespace qelt
