#pragma once
// The horizontal alignments of a LandXML 1.2 file (Alignments/Alignment/CoordGeom), as the
// alignment model every job reads.
//
// Road design software exports its lines as LandXML; its numbers are not always what they
// claim. The reader therefore trusts only what it can check: each element is placed at its own
// Start point, with its direction taken from its coordinates (Line: Start→End; Curve: square
// to Center→Start; Spiral: Start→PI, or the direction that brings it to its End), never from
// the dir/dirStart/dirEnd attributes, which exporters write in at least three conventions
// (clockwise from north, counter-clockwise from east, 2π minus the azimuth). Each element's
// computed end must meet its own End; where one element ends and the next starts they may
// differ by a little (a notice) but not by more than 0.1 m (refused).
//
// Frame and units of everything built: metres (whatever unit the file is in); X north (the
// first number of a LandXML point, its northing), Y east; azimuths in radians clockwise from
// +X; curvature positive to the right (rot="cw"); mileages continuous from the alignment's
// staStart, its StaEquations giving the chain breaks.

#include "input/alignment_choice.h"
#include "input/landxml/landxml_document.h"

namespace qelt {

// One alignment of a LandXML file, as the user chooses among several: its name attribute, its
// length (the sum of its elements'), its staStart and the station at its end.
using LandXmlAlignmentInfo = AlignmentInfo;

// The alignments of a LandXML file, each built: alignments() and build(index) (FileAlignments)
// give each one's located line from staStart, its station equations as chain breaks (in the
// order of their staInternal), its key points and the notices of its checks, or the refusal
// naming the file, the line of the element and what was found there.
class LandXmlAlignments : public FileAlignments {
  public:
    // Builds each alignment of `document`. Throws DataError(detail, path, line) when the file
    // has no Alignments/Alignment. A fault inside one alignment does not stop the others: build
    // reports it.
    explicit LandXmlAlignments(const LandXmlDocument& document);
};

}  // namespace qelt
