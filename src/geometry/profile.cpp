// The grade line as a table of spans: the grade after each grade point and each vertical
// curve, by ascending mileage. An evaluation is a binary search over the spans' start mileages
// and one formula: a grade line, the two half-parabolas, or the circle.

#include "geometry/profile.h"

#include <algorithm>
#include <cmath>

#include "base/data_error.h"
#include "base/text.h"

namespace qelt {
namespace {

// Curves designed to touch, their tangent lengths rounded by the design program, may overlap
// (or reach past a grade point) by this much, metres: a millimetre, over which the two curves'
// elevations differ by far less.
constexpr double kTouchTolerance = 1e-3;

// Steeper than this a grade is no road's: an elevation typed on the wrong line or in
// centimetres. Dimensionless.
constexpr double kSteepGrade = 0.15;

// A grade point as the messages name it: its station as the user wrote it and its line.
std::string point_text(const GradePoint& p) {
    std::string text = "变坡点 " + (p.station.empty() ? short_number_text(p.mileage) : p.station);
    if (p.line > 0) text += "（第 " + std::to_string(p.line) + " 行）";
    return text;
}

std::string metres(double value) {
    return fixed_text(value, 3) + " 米";
}

// The values a grade point's curve needs: finite, and a radius or a length above 0.
// `end` names the first or the last grade point ("起点", "终点"), null for an interior one.
void check_point(const GradePoint& p, const char* end, const std::string& file) {
    const auto refuse = [&](const std::string& why) {
        throw DataError(point_text(p) + why, file, p.line);
    };
    if (!std::isfinite(p.mileage)) refuse("的里程不是有限的数");
    if (!std::isfinite(p.elevation)) refuse("的高程不是有限的数");
    if (p.curve == VerticalCurveKind::none) return;
    if (end)
        refuse(std::string("是纵断面的") + end +
               "，不能设竖曲线（竖曲线只设在两段纵坡之间的变坡点）");
    const auto positive = [&](double value, const char* what) {
        if (!std::isfinite(value)) refuse(std::string("的") + what + "不是有限的数");
        // Some field programs sign the radius of a crest; here the grades decide the turn.
        if (!(value > 0))
            refuse(std::string("的") + what + " " + short_number_text(value) + " 不大于 0" +
                   (value < 0 ? "（凸、凹由前后纵坡而定，不用正负号区分）" : ""));
    };
    switch (p.curve) {
        case VerticalCurveKind::parabola:
            if (p.radius != 0)
                positive(p.radius, "竖曲线半径 R");
            else
                positive(p.length, "竖曲线长度 L");
            break;
        case VerticalCurveKind::asymmetric:
            positive(p.length_in, "竖曲线前段长度 L1");
            positive(p.length_out, "竖曲线后段长度 L2");
            break;
        case VerticalCurveKind::circle:
            positive(p.radius, "圆形竖曲线半径 R");
            break;
        case VerticalCurveKind::none:
            break;
    }
}

// The vertical curve at a grade point between the grades i1 and i2.
VerticalCurve solve_curve(const GradePoint& p, double i1, double i2) {
    VerticalCurve c;
    c.start_mileage = c.end_mileage = p.mileage;
    const double change = i2 - i1;
    if (p.curve == VerticalCurveKind::none || change == 0) return c;
    c.kind = p.curve;
    c.grade_change = change;
    if (p.curve == VerticalCurveKind::circle) {
        const double alpha = std::atan(i2) - std::atan(i1);  // + for a sag
        const double t = p.radius * std::tan(std::abs(alpha) / 2);
        c.radius_in = c.radius_out = p.radius;
        c.tangent_in = c.tangent_out = t;
        c.external = p.radius * (1 / std::cos(alpha / 2) - 1);
        c.start_mileage = p.mileage - t * std::cos(std::atan(i1));
        c.end_mileage = p.mileage + t * std::cos(std::atan(i2));
    } else {
        double in = p.length_in, out = p.length_out;  // L1, L2
        if (p.curve == VerticalCurveKind::parabola) {
            const double length = p.radius != 0 ? p.radius * std::abs(change) : p.length;
            in = out = length / 2;
        }
        // The offset under the grade point where the two parabolas meet with a common tangent.
        const double e = std::abs(change) * in * out / (2 * (in + out));
        c.tangent_in = in;
        c.tangent_out = out;
        c.external = e;
        if (p.curve == VerticalCurveKind::parabola && p.radius != 0) {
            c.radius_in = c.radius_out = p.radius;
        } else {
            c.radius_in = in * in / (2 * e);
            c.radius_out = out * out / (2 * e);
        }
        c.start_mileage = p.mileage - in;
        c.end_mileage = p.mileage + out;
    }
    c.length = c.end_mileage - c.start_mileage;
    return c;
}

bool has_curve(const VerticalCurve& c) {
    return c.kind != VerticalCurveKind::none;
}

// Each curve within its neighbouring grade points and clear of their curves.
void check_curves(const std::vector<GradePoint>& points, const std::vector<VerticalCurve>& curves,
                  const std::string& file) {
    for (std::size_t k = 1; k + 1 < points.size(); ++k) {
        const VerticalCurve& c = curves[k];
        if (!has_curve(c)) continue;
        const GradePoint &before = points[k - 1], &here = points[k], &after = points[k + 1];
        const VerticalCurve& previous = curves[k - 1];
        const double back = here.mileage - c.start_mileage, on = c.end_mileage - here.mileage;
        const double gap_before = here.mileage - before.mileage;
        if (has_curve(previous) && previous.end_mileage > c.start_mileage + kTouchTolerance)
            throw DataError(
                point_text(before) + "与" + point_text(here) + "的竖曲线重叠 " +
                    metres(previous.end_mileage - c.start_mileage) + "：前者的竖曲线止于其后 " +
                    metres(previous.end_mileage - before.mileage) + "，后者的起于其前 " +
                    metres(back) + "，而两变坡点相距 " + metres(gap_before) +
                    "；重叠处没有唯一的设计高程，请核对这两处竖曲线",
                file, here.line);
        if (c.start_mileage < before.mileage - kTouchTolerance)
            throw DataError(point_text(here) + "的竖曲线起于其前 " + metres(back) + "，越过了" +
                                point_text(before) + "（两变坡点相距 " + metres(gap_before) +
                                "）：竖曲线应在两变坡点之间，请核对竖曲线",
                            file, here.line);
        // A curve at the next point would overlap this one: that is told at the next point.
        if (!has_curve(curves[k + 1]) && c.end_mileage > after.mileage + kTouchTolerance)
            throw DataError(point_text(here) + "的竖曲线止于其后 " + metres(on) + "，越过了" +
                                point_text(after) + "（两变坡点相距 " +
                                metres(after.mileage - here.mileage) +
                                "）：竖曲线应在两变坡点之间，请核对竖曲线",
                            file, here.line);
    }
}

std::string percent_text(double grade) {
    // Appended piece by piece: `"+" + text` makes g++ 12 at -O3 warn of an overlapping copy (a
    // false -Wrestrict) and stop an optimised build.
    std::string text = grade > 0 ? "+" : "";
    text += fixed_text(grade * 100, 3);
    text += '%';
    return text;
}

}  // namespace

Profile build_profile(std::vector<GradePoint> points, const std::string& file) {
    if (points.size() < 2)
        throw DataError(
            "纵断面至少需要起点和终点两个变坡点，实有 " + std::to_string(points.size()) + " 个",
            file, points.empty() ? 0 : points.front().line);
    const std::size_t n = points.size();
    for (std::size_t k = 0; k < n; ++k)
        check_point(points[k], k == 0 ? "起点" : k + 1 == n ? "终点" : nullptr, file);

    Profile profile;
    for (std::size_t k = 1; k < n; ++k) {
        const GradePoint &a = points[k - 1], &b = points[k];
        if (!(b.mileage > a.mileage))
            throw DataError(point_text(b) + "不在" + point_text(a) + "之后：按连续里程前者在 " +
                                short_number_text(b.mileage) + "，后者在 " +
                                short_number_text(a.mileage) +
                                "；变坡点应按沿线的先后顺序列出，同一处只列一次",
                            file, b.line);
        const double grade = (b.elevation - a.elevation) / (b.mileage - a.mileage);
        if (!std::isfinite(grade))
            throw DataError(point_text(a) + "至" + point_text(b) + "的纵坡算不出（数值超出范围）",
                            file, b.line);
        if (std::abs(grade) > kSteepGrade)
            profile.notices.push_back(
                point_text(a) + "至" + point_text(b) + "的纵坡为 " + percent_text(grade) +
                "，陡于 15%：已按所给算出，请核对这两个变坡点的桩号和高程（高程是否写错行或单位）");
        profile.grades_.push_back(grade);
    }

    profile.curves_.resize(n);
    profile.curves_.front().start_mileage = profile.curves_.front().end_mileage =
        points.front().mileage;
    profile.curves_.back().start_mileage = profile.curves_.back().end_mileage =
        points.back().mileage;
    for (std::size_t k = 1; k + 1 < n; ++k)
        profile.curves_[k] = solve_curve(points[k], profile.grades_[k - 1], profile.grades_[k]);
    check_curves(points, profile.curves_, file);

    // The spans: each point's curve (over what no earlier curve already covers), then the
    // grade after it up to where the next point's curve begins.
    double cursor = points.front().mileage;
    for (std::size_t k = 0; k < n; ++k) {
        const VerticalCurve& c = profile.curves_[k];
        if (has_curve(c)) {
            profile.spans_.push_back({std::max(cursor, c.start_mileage), k, true});
            cursor = std::max(cursor, c.end_mileage);
        }
        if (k + 1 == n) break;
        const double grade_end = profile.curves_[k + 1].start_mileage;
        if (grade_end > cursor) {
            profile.spans_.push_back({cursor, k, false});
            cursor = grade_end;
        }
    }
    for (const auto& span : profile.spans_) profile.span_starts_.push_back(span.from);
    profile.points_ = std::move(points);
    return profile;
}

void Profile::evaluate(double mileage, double* elevation, double* grade) const {
    const std::size_t i = static_cast<std::size_t>(
        std::upper_bound(span_starts_.begin(), span_starts_.end(), mileage) - span_starts_.begin());
    const Span& span = spans_[i == 0 ? 0 : i - 1];
    const GradePoint& p = points_[span.point];
    const std::size_t k = span.point;
    if (!span.curve) {
        *elevation = p.elevation + grades_[k] * (mileage - p.mileage);
        *grade = grades_[k];
        return;
    }
    const VerticalCurve& c = curves_[k];
    const double i1 = grades_[k - 1], i2 = grades_[k];
    if (c.kind == VerticalCurveKind::circle) {
        // From the curve's start on the incoming grade, where the circle touches it; the
        // centre lies R along the normal to that grade, above it for a sag. Written as a
        // difference from the start that cancels R before it is taken, so that a radius of
        // 10^5 m loses no digits.
        const double sigma = c.sag() ? 1 : -1;
        const double cos1 = 1 / std::hypot(1.0, i1), sin1 = i1 * cos1;
        const double r = c.radius_in;
        const double u = mileage - c.start_mileage;
        const double d = u + sigma * r * sin1;  // from the centre's mileage
        const double h = std::sqrt(std::max(0.0, r * r - d * d));
        const double start = p.elevation - c.tangent_in * sin1;
        *elevation = start + (sigma * u * u + 2 * u * r * sin1) / (r * cos1 + h);
        *grade = sigma * d / h;
        return;
    }
    // Parabolas: the grade line through the point plus the offset, e·(u/L1)² on the way in,
    // e·(w/L2)² on the way out, e signed like the change of grade.
    const double e = c.sag() ? c.external : -c.external;
    if (mileage < p.mileage) {
        const double u = mileage - c.start_mileage, l1 = c.tangent_in;
        *elevation = p.elevation + i1 * (mileage - p.mileage) + e * (u / l1) * (u / l1);
        *grade = i1 + 2 * e * u / (l1 * l1);
    } else {
        const double w = c.end_mileage - mileage, l2 = c.tangent_out;
        *elevation = p.elevation + i2 * (mileage - p.mileage) + e * (w / l2) * (w / l2);
        *grade = i2 - 2 * e * w / (l2 * l2);
    }
}

std::optional<double> Profile::elevation(double mileage) const {
    if (!(mileage >= start_mileage() && mileage <= end_mileage())) return std::nullopt;
    double z = 0, g = 0;
    evaluate(mileage, &z, &g);
    return z;
}

std::optional<double> Profile::grade(double mileage) const {
    if (!(mileage >= start_mileage() && mileage <= end_mileage())) return std::nullopt;
    double z = 0, g = 0;
    evaluate(mileage, &z, &g);
    return g;
}

}  // namespace qelt
