#pragma once
// The grade line (纵断面设计线): the design elevation of a road along its centre line. It is a
// chain of straight grades between grade points (变坡点), and at an interior grade point a
// vertical curve (竖曲线) rounds the change of grade:
// - the symmetric quadratic parabola of Chinese road design, given by its radius R or its
//   length L: L = R·|i2 − i1|, tangent length T = L/2, external E = T²/(2R);
// - an asymmetric parabola with lengths in and out L1, L2: two parabolas meeting under the
//   grade point with a common tangent, their offset there e = L1·L2·(i2 − i1)/(2(L1 + L2));
// - a circular vertical curve: a true circle of radius R tangent to both grades.
//
// Frame and units throughout: the mileage is the continuous mileage of the plane line (metres,
// every chain break taken out), the elevation is in metres, a grade is dimensionless rise over
// run (0.04 for 4 %), positive uphill in the direction of increasing mileage. Lengths of the
// parabolas (L, L1, L2, T) are horizontal, measured in mileage, as road design measures them.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace qelt {

// How a grade point's vertical curve is given.
enum class VerticalCurveKind {
    none,        // the grades meet at the grade point
    parabola,    // symmetric quadratic parabola: radius R, or (radius 0) its length L
    asymmetric,  // asymmetric parabola: lengths in and out L1, L2
    circle,      // circular arc of radius R
};

// A grade point as its source gives it.
struct GradePoint {
    double mileage = 0;    // continuous mileage, metres
    double elevation = 0;  // metres
    VerticalCurveKind curve = VerticalCurveKind::none;
    double radius = 0;                     // R, metres: a parabola given by its radius, a circle
    double length = 0;                     // L, metres: a parabola given by its length (radius 0)
    double length_in = 0, length_out = 0;  // L1, L2, metres: an asymmetric parabola
    // Where the point stands in its source, for the messages that name it: the station as the
    // user wrote it ("K5+030", "BK13+470") and the line of the file (0 when unknown).
    std::string station = {};
    long line = 0;
};

// A vertical curve as the grade line solved it, for the 纵坡、竖曲线表 and the stakes.
struct VerticalCurve {
    // none at the first and the last grade point, where none is given, and where the grades
    // on either side are equal (there is nothing to round; all values below are then 0 but the
    // start and end mileages, which equal the grade point's).
    VerticalCurveKind kind = VerticalCurveKind::none;
    // i2 − i1, the grade after the point minus the grade before: negative for a crest (凸),
    // positive for a sag (凹).
    double grade_change = 0;
    // Radius, metres: R of a symmetric parabola (L/|i2 − i1| where the length was given) or of
    // the circle, the same in and out. Of an asymmetric parabola, each parabola's radius of
    // curvature L1²/(2|e|) and L2²/(2|e|) (its vertex radius, as R is for the symmetric one).
    double radius_in = 0, radius_out = 0;
    // Tangent lengths, metres: T = L/2 both sides for a symmetric parabola; L1 and L2 for an
    // asymmetric one (each parabola begins or ends that far from the grade point); for a circle
    // the true tangent length R·tan(|α|/2) along each grade, α the angle between the grades.
    double tangent_in = 0, tangent_out = 0;
    // External distance, metres, positive: of a parabola the vertical distance between the grade
    // point and the curve, E = T²/(2R) (|e| for an asymmetric one); of a circle the true
    // external distance R·(1/cos(α/2) − 1) from the grade point to the arc.
    double external = 0;
    // Horizontal length, metres: L = end_mileage − start_mileage (for a circle the projection
    // of its arc, not the arc's length R·|α|).
    double length = 0;
    // Continuous mileages of the curve's start (竖曲线起点) and end (竖曲线终点), metres.
    double start_mileage = 0, end_mileage = 0;

    bool crest() const { return grade_change < 0; }
    bool sag() const { return grade_change > 0; }
};

// A built grade line, made by build_profile only: it always has two grade points or more.
// Evaluated in O(log N).
class Profile {
  public:
    // The profile's name as its source gives it (the title line of a 纵断面资料文件, a
    // LandXML ProfAlign's name); empty when it has none.
    std::string name;
    // What the checks found that the user should know (a grade steeper than 15 %): one text
    // each, naming the grade points as build_profile's messages do, without the file, which
    // the reader puts in front.
    std::vector<std::string> notices;

    // The grade points as given, in order of mileage, and each one's vertical curve as solved.
    const std::vector<GradePoint>& points() const { return points_; }
    const std::vector<VerticalCurve>& curves() const { return curves_; }

    // The grade from grade point k to grade point k + 1 (0 <= k < points().size() − 1):
    // dimensionless, + uphill with increasing mileage; the grade length (坡长) between them,
    // metres of mileage.
    double grade_after(std::size_t k) const { return grades_[k]; }
    double grade_length(std::size_t k) const { return points_[k + 1].mileage - points_[k].mileage; }

    // The first and the last grade point's continuous mileage, metres.
    double start_mileage() const { return points_.front().mileage; }
    double end_mileage() const { return points_.back().mileage; }

    // Design elevation at a continuous mileage, metres: on a grade, or on its vertical curve
    // (on the circle itself for a circular curve, not on a parabola standing in for it).
    // Nothing before the first or beyond the last grade point (the grade line does not say
    // what the road does there) and for a NaN mileage; both ends belong to the profile.
    std::optional<double> elevation(double mileage) const;

    // Grade at a continuous mileage: dimensionless rise over run, + uphill in the direction of
    // increasing mileage; the tangent's slope on a vertical curve. At a grade point without a
    // curve the grade after it (the grade before it at the last point), as a plane line's
    // boundary belongs to the piece starting there. Nothing where elevation gives nothing.
    std::optional<double> grade(double mileage) const;

  private:
    friend Profile build_profile(std::vector<GradePoint> points, const std::string& file);
    Profile() = default;

    // A stretch of the grade line between two mileages: the grade after a grade point, or a
    // vertical curve, each read by the grade point it belongs to.
    struct Span {
        double from = 0;  // continuous mileage where the span starts
        std::size_t point = 0;
        bool curve = false;
    };
    void evaluate(double mileage, double* elevation, double* grade) const;

    std::vector<GradePoint> points_;
    std::vector<VerticalCurve> curves_;
    std::vector<double> grades_;
    std::vector<Span> spans_;  // by ascending `from`, covering the first to the last point
    std::vector<double> span_starts_;
};

// A grade line through `points` (in order of mileage), with the vertical curves they carry.
// Throws DataError, with `file` and the line of the offending grade point, naming the grade
// points by their station and line:
// - fewer than two grade points;
// - a mileage, elevation, radius or length that is not a finite number;
// - a grade point not beyond the one before it;
// - a vertical curve at the first or the last grade point;
// - a radius or a length of 0 or less where the curve needs it;
// - a vertical curve that runs past a neighbouring grade point, or two curves that overlap:
//   there is no one design elevation there. Curves designed to touch may overlap by a
//   millimetre of rounding (over that millimetre the earlier curve's elevation is taken; the
//   two differ by far less).
// A grade steeper than 15 % (an elevation typed in the wrong place or in the wrong unit) is
// built as given, with a notice.
Profile build_profile(std::vector<GradePoint> points, const std::string& file = {});

}  // namespace qelt
