// The vertical of an IfcAlignment: its segments as the grade points of a profile.
#include <cmath>

#include "base/text.h"
#include "input/ifc/ifc_alignment_builder.h"
#include "station/station.h"

namespace qelt::ifc {

VerticalSegment AlignmentBuilder::read_vertical_segment(const StepInstance& p, double start,
                                                        double base, int position) const {
    VerticalSegment s;
    s.line = p.line();
    s.type = p.attribute(8, "PredefinedType").enumeration();
    s.name = "第 " + std::to_string(position) + " 个竖向线元（#" + std::to_string(p.id()) + " " +
             s.type + "）";
    if (s.type != "CONSTANTGRADIENT" && s.type != "PARABOLICARC" && s.type != "CIRCULARARC")
        throw refused(p, "的类型为 ." + s.type +
                             ".：只能读坡段（CONSTANTGRADIENT）、抛物线竖曲线（PARABOLICARC）和"
                             "圆曲线竖曲线（CIRCULARARC）");
    s.start = start + model_.length(p.attribute(2, "StartDistAlong"));
    s.length = model_.length(p.attribute(3, "HorizontalLength"));
    s.height = base + model_.length(p.attribute(4, "StartHeight"));
    s.grade_in = measure(p.attribute(5, "StartGradient"));
    s.grade_out = measure(p.attribute(6, "EndGradient"));
    if (!(s.length >= 0) ||
        !std::isfinite(s.start + s.length + s.height + s.grade_in + s.grade_out))
        throw refused(p, "的距离、长度、高程或坡度不是有限的数（或长度为负）");
    s.end = s.start + s.length;
    const double change = s.grade_out - s.grade_in;
    if (s.type == "CONSTANTGRADIENT") {
        if (!(std::abs(change) * s.length <= kMissRefused))
            throw refused(p, "是坡段（CONSTANTGRADIENT），其 StartGradient 与 EndGradient 却不同");
        s.end_height = s.height + s.grade_in * s.length;
    } else if (s.type == "PARABOLICARC") {
        // The parabola is given by its gradients and its length; its radius, where written,
        // must be the same curve's: L = R·|i2 − i1|.
        const std::optional<double> radius = p.attribute(7, "RadiusOfCurvature").optional_real();
        if (radius && *radius != 0 && change != 0 &&
            !(std::abs(model_.length(std::abs(*radius)) * std::abs(change) - s.length) <=
              kMissRefused))
            throw refused(p,
                          "的 RadiusOfCurvature 与其长度和坡度不符（R·|i2 − i1| 应等于 "
                          "HorizontalLength）");
        s.end_height = s.height + (s.grade_in + s.grade_out) / 2 * s.length;
    } else {
        // The arc is given by its gradients and its horizontal length, which is
        // R·|sin α2 − sin α1|; its radius, where written, must be the same arc's.
        const double a1 = std::atan(s.grade_in), a2 = std::atan(s.grade_out);
        const double turn = a2 > a1 ? 1 : -1;
        const double span = std::abs(std::sin(a2) - std::sin(a1));
        const std::optional<double> written = p.attribute(7, "RadiusOfCurvature").optional_real();
        const double radius = written && *written != 0 ? model_.length(std::abs(*written))
                              : span > 0               ? s.length / span
                                                       : 0;
        if (span > 0 && !(std::abs(radius * span - s.length) <= kMissRefused))
            throw refused(p,
                          "的 RadiusOfCurvature 与其长度和坡度不符（R·|sin α2 − sin α1| 应等于 "
                          "HorizontalLength）");
        s.end_height = s.height + turn * radius * (std::cos(a1) - std::cos(a2));
        s.radius = radius;
    }
    return s;
}

Profile AlignmentBuilder::read_profile(const StepInstance& vertical, double start,
                                       std::vector<std::string>& notices) const {
    const double base =
        model_.map()
            .after(model_.placement(
                (vertical.attribute(5, "ObjectPlacement").is_unset() ? node_ : vertical)
                    .attribute(5, "ObjectPlacement")))
            .z;
    std::vector<GradePoint> points;
    const auto point_at = [&](double mileage, double elevation, long line) {
        GradePoint g;
        g.mileage = mileage;
        g.elevation = elevation;
        g.station = zh_station_of(stations_, mileage).text;
        g.line = line;
        return g;
    };
    std::optional<VerticalSegment> last;
    int position = 0;
    for (const StepField& child : model_.nested(vertical)) {
        const StepInstance& c = child.instance();
        if (c.entity() != "IFCALIGNMENTSEGMENT") continue;
        ++position;
        const VerticalSegment s = read_vertical_segment(
            c.attribute(7, "DesignParameters").instance("IFCALIGNMENTVERTICALSEGMENT"), start, base,
            position);
        if (last) check_vertical_seam(*last, s, notices);
        if (s.length == 0) continue;
        if (!last)
            points.push_back(point_at(s.start, s.height, s.line));
        else if (!last->curve() && !s.curve() && last->grade_out != s.grade_in)
            points.push_back(point_at(s.start, s.height, s.line));
        if (s.curve() && s.grade_in != s.grade_out) {
            GradePoint g;
            if (s.type == "PARABOLICARC") {
                g = point_at(s.start + s.length / 2, s.height + s.grade_in * s.length / 2, s.line);
                g.curve = VerticalCurveKind::parabola;
                g.length = s.length;
            } else {
                // The tangents meet R·tan(|α2 − α1|/2) from either tangent point, along each.
                const double a1 = std::atan(s.grade_in), a2 = std::atan(s.grade_out);
                const double tangent = s.radius * std::tan(std::abs(a2 - a1) / 2);
                g = point_at(s.start + tangent * std::cos(a1), s.height + tangent * std::sin(a1),
                             s.line);
                g.curve = VerticalCurveKind::circle;
                g.radius = s.radius;
            }
            points.push_back(g);
        }
        last = s;
    }
    if (!last) throw refused(vertical, "没有长度不为零的竖向线元（IfcAlignmentVerticalSegment）");
    points.push_back(point_at(last->end, last->end_height, last->line));
    Profile profile = build_profile(std::move(points), model_.file().path());
    profile.name = vertical.attribute(2, "Name").optional_string().value_or(name_);
    for (std::string& notice : profile.notices) notice.insert(0, model_.file_title() + "：");
    return profile;
}

void AlignmentBuilder::check_vertical_seam(const VerticalSegment& before,
                                           const VerticalSegment& next,
                                           std::vector<std::string>& notices) const {
    const double along = std::abs(next.start - before.end);
    const double rise = std::abs(next.height - before.end_height);
    const double gap = std::max(along, rise);
    const double turn = std::abs(std::atan(next.grade_in) - std::atan(before.grade_out));
    const auto seam = [&] {
        return prefix_ + next.name + "（" + zh_station_of(stations_, next.start).text +
               "）的起点与" + before.name + "算得的终点在里程上相距 ";
    };
    if (!(gap <= kSeamRefused))
        throw DataError(seam() + fixed_text(along, 3) + " m、高程相差 " + fixed_text(rise, 3) +
                            " m（超过 0.1 m）：这些竖向线元连不成一条纵断面",
                        model_.file().path(), next.line);
    // Two grades may meet without a curve (a grade point without one); a curve must take
    // over the grade it meets.
    const bool curve = before.curve() || next.curve();
    if (gap > model_.seam_noticed() || (curve && turn > kTurnNoticed))
        notices.push_back(model_.file_title() + "第 " + std::to_string(next.line) + " 行：" +
                          seam() + fixed_text(along * 1000, 1) + " mm、高程相差 " +
                          fixed_text(rise * 1000, 1) + " mm，坡度相差 " +
                          fixed_text(turn * kSecondsPerRadian, 1) + "″");
}

}  // namespace qelt::ifc
