// The horizontal of an IfcAlignment: its segments, placed one after another and checked where
// they meet.
#include <cmath>

#include "input/ifc/ifc_alignment_builder.h"
#include "station/station.h"

namespace qelt::ifc {

namespace {

double distance(Point a, Point b) {
    return std::hypot(b.x - a.x, b.y - a.y);
}

}  // namespace

Piece AlignmentBuilder::read_segment(const StepInstance& p, const Motion& plane, int position,
                                     std::string& name) const {
    const std::string type = p.attribute(8, "PredefinedType").enumeration();
    name = "第 " + std::to_string(position) + " 个平面线元（#" + std::to_string(p.id()) + " " +
           type + "）";
    if (type != "LINE" && type != "CIRCULARARC" && type != "CLOTHOID")
        throw refused(p, "的类型为 ." + type +
                             ".：只能读直线（LINE）、圆曲线（CIRCULARARC）和回旋线（CLOTHOID）");
    const std::vector<StepField> xy = p.attribute(2, "StartPoint")
                                          .instance("IFCCARTESIANPOINT")
                                          .attribute(0, "Coordinates")
                                          .list();
    if (xy.size() < 2) throw refused(p, "的 StartPoint 应有两个坐标");
    double x = model_.length(xy[0]), y = model_.length(xy[1]);
    plane.apply(x, y);
    const double direction = model_.angle(p.attribute(3, "StartDirection")) + plane.angle;
    // A positive radius turns left (counter-clockwise), which in Qelt's frame (azimuths
    // clockwise) is a negative curvature; 0 is a straight.
    const auto curvature = [&](std::size_t index, const char* field) {
        const double radius = model_.length(p.attribute(index, field));
        return radius == 0 ? 0.0 : -1 / radius;
    };
    Piece piece;
    piece.start = {y, x};
    piece.start_azimuth = reduced_azimuth(kPi / 2 - direction);
    piece.k0 = curvature(4, "StartRadiusOfCurvature");
    piece.k1 = curvature(5, "EndRadiusOfCurvature");
    piece.length = model_.length(p.attribute(6, "SegmentLength"));
    if (!(piece.length >= 0) || !std::isfinite(piece.length))
        throw refused(p, "的 SegmentLength 应为不小于 0 的数");
    if (!std::isfinite(piece.start.x + piece.start.y + piece.start_azimuth + piece.k0 + piece.k1))
        throw refused(p, "的起点、方向或半径不是有限的数");
    if (type == "LINE" && (piece.k0 != 0 || piece.k1 != 0))
        throw refused(p, "是直线（LINE），其半径却不为 0");
    if (type == "CIRCULARARC" && (piece.k0 == 0 || piece.k0 != piece.k1))
        throw refused(p, "是圆曲线（CIRCULARARC），其起点与终点的半径应相同且不为 0");
    return piece;
}

void AlignmentBuilder::check_seam(const Segment& before, const Segment& next, Alignment& alignment,
                                  const double* mileage) const {
    Point end;
    double end_azimuth = 0;
    piece_point(before.piece, before.piece.length, end, end_azimuth);
    const double gap = distance(end, next.piece.start);
    const double turn = std::abs(reduced_turn(next.piece.start_azimuth - end_azimuth));
    const double at = mileage ? *mileage : before.piece.start_mileage + before.piece.length;
    const std::string seam = prefix_ + next.name + "（" + zh_station_of(stations_, at).text +
                             "）的起点与" + before.name + "算得的终点相距 ";
    if (auto notice =
            seam_verdict(gap, turn, model_.seam_noticed(), seam, model_.file().path(), next.line))
        alignment.notices.push_back(model_.file_title() + "第 " + std::to_string(next.line) +
                                    " 行：" + *notice);
}

void AlignmentBuilder::place(std::vector<Segment>& segments, double start,
                             Alignment& alignment) const {
    LocatedLine& line = alignment.line;
    double mileage = start;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        Piece& piece = segments[i].piece;
        piece.start_mileage = mileage;
        if (i == 0)
            line.reset(mileage, piece.start, piece.start_azimuth);
        else
            check_seam(segments[i - 1], segments[i], alignment, &mileage);
        line.append(piece);
        mileage += piece.length;
        if (!std::isfinite(line.end_mileage()))
            throw DataError(prefix_ + segments[i].name + " 算不出终点（长度或半径不合理）",
                            model_.file().path(), segments[i].line);
    }
}

}  // namespace qelt::ifc
