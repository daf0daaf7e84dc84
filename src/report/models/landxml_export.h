#pragma once
// A road's horizontal alignment as a LandXML 1.2 file, so that survey and design software (the
// total station's road module, the design package) takes the line exactly as Qelt computes it.
//
// The file holds one Alignment whose CoordGeom is the located line element by element, in the
// order of mileage:
//   Line     a straight: Start, End
//   Curve    a circular arc: rot, radius, Start, Center, End, and the PI (the intersection of
//            its start and end tangents) for an arc of less than a half turn
//   Spiral   a transition (clothoid) between two curvatures: spiType "clothoid", rot,
//            radiusStart and radiusEnd ("INF" at a straight end), Start, PI, End
// each with its staStart (continuous mileage of its start, metres) and length. The stretches
// the located line fills itself are written too: the straight from the line's start to its
// first piece, and the straight along the end tangent across a gap between two pieces. A piece
// that the next one takes over before its end is written only up to where the next starts.
// A transition that would turn a quarter turn or more is written as several Spiral elements of
// one clothoid, each turning less, and one through an inflection as two: LandXML requires a
// Spiral's PI, and the PI of a transition is its tangents' intersection, which only a turn of
// less than a quarter turn gives well-conditioned. After the CoordGeom, one StaEquation per
// chain break.
//
// Numbers are written in the shortest form that reads back as the same double, so that every
// element, placed at its own Start and evaluated there, reproduces the located line to 1e-9 m
// (for the radii of roads: the Center of an arc lies R from the line and carries the rounding of
// its own coordinates). Points are "northing easting", which in Qelt's frame is "X Y". Lengths
// are metres, directions radians; dir, dirStart and dirEnd follow the schema's convention
// (counter-clockwise from north, 0 to 2π), a reader needs none of them: Start and End, Center and
// rot, Start and PI give every element's position and tangent.

#include <ostream>
#include <string>

#include "alignment/alignment.h"

namespace qelt {

// When a LandXML file says it was written: its date as xs:date ("2024-05-17") and time as
// xs:time ("14:03:09").
struct LandXmlTime {
    std::string date;
    std::string time;
};

// The local date and time now.
LandXmlTime landxml_now();

// Writes `alignment` as a LandXML 1.2 document to `out` (opened by the caller in binary mode,
// checked after): the line of `alignment.line` from its start to its end mileage, named `name`
// (any text; characters XML cannot carry are replaced by a blank, bytes that are not UTF-8 by
// U+FFFD), its start station as the alignment's staStart and its chain breaks,
// `alignment.breaks` as the run completed them (dl_complete), as station equations:
//   staInternal  continuous mileage of break i, metres (dl_break_mileage)
//   staBack      the station before it, dl_before[i];  staAhead  the one after, dl_after[i]
// The document says it was written at `written`. Throws DataError, writing nothing, for a line
// that is spoiled or has no length, a value that is not finite, or a located line that its
// elements would not reproduce to 1e-9 m.
void write_landxml(std::ostream& out, const Alignment& alignment, const std::string& name,
                   const LandXmlTime& written = landxml_now());

}  // namespace qelt
