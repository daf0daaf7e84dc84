#pragma once
// The ground as the route group surveys it on most roads: not a TIN but cross sections (横断面)
// at the stakes, each a run of ground points to the left and to the right of the centre stake,
// and the centre line's own ground (纵向地面线) between them. A ground of this kind belongs to
// its line: a point of the plane is first taken to its foot on the line (mileage) and its
// distance from it (offset), then to the sections.
//
// The rule is the one the road-design suites' own cross-section design uses:
//   - at the mileage of a surveyed section, the ground along that section, linear between its
//     points; the centre stake (offset 0) has the centre line's ground;
//   - between two sections, linear in mileage between the two sections' ground at the same
//     offset;
//   - a point beyond a section's surveyed width (on the side it lies), before the first section
//     or after the last has no ground: a height guessed beyond the survey would set a rig's
//     depth wrong.
// Without sections (only the centre line's ground) only points on the centre line have ground,
// linear in mileage between its points.
//
// Frame and units: metres; mileages continuous (chain breaks taken out); offsets positive to the
// left of the direction of increasing mileage; elevations in the survey's own datum.

#include <optional>
#include <string>
#include <vector>

#include "geometry/geometry.h"

namespace qelt {

// One ground point of a section side: its distance from the centre stake (not negative) and
// its elevation.
struct SectionPoint {
    double distance = 0;
    double elevation = 0;
};

// A surveyed cross section.
struct GroundSection {
    double mileage = 0;                     // continuous
    std::string station;                    // as the file wrote it, for the messages
    double centre = 0;                      // ground elevation at the centre stake
    std::vector<SectionPoint> left, right;  // outwards from the centre stake, distances rising
};

// A point of the centre line's ground (纵向地面线).
struct CentreGroundPoint {
    double mileage = 0;  // continuous
    std::string station;
    double elevation = 0;
};

// The ground at a place, or why it has none (a sentence that follows "钻孔", as "在横断面 K1+020
// 左侧实测宽度 18.5 m 之外").
struct SectionGroundAnswer {
    std::optional<double> elevation;
    std::string why_none;
};

class SectionGround {
  public:
    // `centre_line` in rising mileage (at least two points); `sections` in rising mileage, each
    // one's centre elevation filled; empty where only the centre line is known. `line` is the
    // located line the mileages belong to.
    SectionGround(LocatedLine line, std::vector<CentreGroundPoint> centre_line,
                  std::vector<GroundSection> sections);

    // The ground at continuous `mileage` and `offset` (positive left).
    SectionGroundAnswer at(double mileage, double offset) const;
    // The ground at a point of the plane, through its foot on the line.
    SectionGroundAnswer at(Point point) const;

    const std::vector<CentreGroundPoint>& centre_line() const { return centre_line_; }
    const std::vector<GroundSection>& sections() const { return sections_; }

  private:
    LocatedLine line_;
    std::vector<CentreGroundPoint> centre_line_;
    std::vector<GroundSection> sections_;
};

// The elevation of `side` at `distance` from the centre stake whose ground is `centre`, linear
// between the points; nothing beyond the last point.
std::optional<double> side_elevation(double centre, const std::vector<SectionPoint>& side,
                                     double distance);

}  // namespace qelt
