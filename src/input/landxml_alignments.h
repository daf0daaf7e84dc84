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

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "alignment/alignment.h"
#include "base/data_error.h"
#include "input/landxml_document.h"

namespace qelt {

// One alignment of a LandXML file, as the user chooses among several.
struct LandXmlAlignmentInfo {
    std::string name;          // the Alignment's name attribute ("" when it has none)
    double length = 0;         // metres, the sum of its elements' lengths
    double start_station = 0;  // staStart, metres (displayed station at the start)
    double end_station = 0;    // displayed station at the end, in the last station equation's
                               // numbering, metres
    long line = 0;             // line of the <Alignment> element in the file
    // length, start_station and end_station are NaN for an alignment that cannot be built
    // (LandXmlFile::build says why): one broken line must not make the others of the file
    // unusable.
};

// The alignments of a LandXML file, each built.
class LandXmlAlignments {
  public:
    // Builds each alignment of `document`. Throws DataError(detail, path, line) when the file
    // has no Alignments/Alignment. A fault inside one alignment does not stop the others: build
    // reports it.
    explicit LandXmlAlignments(const LandXmlDocument& document);

    // The alignments in the order of the file.
    const std::vector<LandXmlAlignmentInfo>& alignments() const { return infos_; }

    // Alignment `index` (0-based, below alignments().size()) as the alignment model: its
    // located line from staStart, its station equations as chain breaks (in the order of their
    // staInternal, not completed: the run completes them with dl_complete), its key points and
    // the notices of its checks. Throws DataError naming the file, the line of the element and
    // what was found there.
    Alignment build(std::size_t index) const;

  private:
    struct Built {
        Alignment alignment;
        std::optional<DataError> error;
    };
    std::vector<LandXmlAlignmentInfo> infos_;
    std::vector<Built> built_;
};

}  // namespace qelt
