#pragma once
// The building of one IfcAlignment from the model (ifc_model.h): its horizontal segments
// (ifc_horizontal.cpp), its stationing (ifc_stationing.cpp) and its vertical
// (ifc_vertical.cpp), put together in ifc_alignments.cpp.

#include <optional>
#include <string>
#include <vector>

#include "alignment/alignment.h"
#include "base/data_error.h"
#include "input/ifc/ifc_model.h"

namespace qelt::ifc {

// One horizontal segment, placed at its own start.
struct Segment {
    std::string name;  // "第 3 个平面线元（#45 CIRCULARARC）", as messages call it
    long line = 0;
    Piece piece;
};

// One vertical segment as the file gives it, distances as continuous mileage.
struct VerticalSegment {
    std::string name;
    long line = 0;
    std::string type;
    double start = 0, length = 0, height = 0, grade_in = 0, grade_out = 0;
    double radius = 0;  // of a circular arc, metres, positive
    // Where it ends, by its own numbers: mileage, height and grade.
    double end = 0, end_height = 0;
    bool curve() const { return type != "CONSTANTGRADIENT"; }
};

// A referent of type STATION.
struct Referent {
    const StepInstance* at = nullptr;
    double along = 0;  // metres from the start of the line
    double station = 0;
    std::optional<double> incoming;
};

// The reading, checking and building of one IfcAlignment.
class AlignmentBuilder {
  public:
    AlignmentBuilder(const IfcModel& model, const StepInstance& node, std::size_t index);

    Alignment build();

  private:
    // "线路“A”：#45=IFCX 的…", at the instance's line.
    DataError refused(const StepInstance& at, const std::string& what) const;

    // The piece of an IfcAlignmentHorizontalSegment, at its own StartPoint and StartDirection,
    // in Qelt's frame.
    Piece read_segment(const StepInstance& p, const Motion& plane, int position,
                       std::string& name) const;

    // How segment `next` starts where `before` ends: a notice for a small seam or direction
    // break, a refusal for a gap. `mileage` is where `next` starts (nothing for the closing
    // segment, which adds no length).
    void check_seam(const Segment& before, const Segment& next, Alignment& alignment,
                    const double* mileage) const;

    // Places the segments one after another from continuous mileage `start`, each at its own
    // start, checking how each meets the one before.
    void place(std::vector<Segment>& segments, double start, Alignment& alignment) const;

    // The distance along and the stations of a referent of type STATION.
    // Nothing for a referent without a Station, which numbers nothing (a notice says so).
    std::optional<Referent> read_referent(const StepInstance& r,
                                          std::vector<std::string>& notices) const;

    // The start station (returned, metres) and the chain breaks of a line `length` metres long.
    double read_stationing(const std::vector<const StepInstance*>& nodes, double length,
                           ChainBreaks& breaks, std::vector<std::string>& notices) const;

    // A vertical segment; `start` is the continuous mileage at distance along 0, `base` the
    // height of the vertical's placement above the project's (or the map's) zero.
    VerticalSegment read_vertical_segment(const StepInstance& p, double start, double base,
                                          int position) const;

    // The grade points of the vertical segments: the start, the intersection of the tangents of
    // every vertical curve (with the curve), the seam of two grades that meet without a curve,
    // and the end.
    Profile read_profile(const StepInstance& vertical, double start,
                         std::vector<std::string>& notices) const;

    void check_vertical_seam(const VerticalSegment& before, const VerticalSegment& next,
                             std::vector<std::string>& notices) const;

    const IfcModel& model_;
    const StepInstance& node_;
    std::string name_, prefix_;
    ChainBreaks stations_;
};

}  // namespace qelt::ifc
