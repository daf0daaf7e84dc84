#include "alignment/placement.h"

#include <cmath>
#include <numbers>
#include <optional>
#include <string>

#include "base/text.h"
#include "station/station.h"

namespace qelt {

namespace {

// Where a mileage lies when it is outside the line: the placement still computes it along the
// extended end tangent (a borehole just beyond the end of a section is ordinary), but a typing
// error such as K99+999 for K9+999 lands kilometres away, so the engineer is always told.
// `computed` names what was computed along the tangent.
std::optional<std::string> off_line(double mileage, const Alignment& alignment,
                                    const char* computed) {
    const double before = alignment.start_mileage() - mileage;
    const double after = mileage - alignment.end_mileage();
    if (before > 0)
        return "位于线路起点之前 " + fixed_text(before, 3) + " 米，" + computed +
               "按起点切线的延长线算出";
    if (after > 0)
        return "位于线路终点之后 " + fixed_text(after, 3) + " 米，" + computed +
               "按终点切线的延长线算出";
    return std::nullopt;
}

// The design elevation of a placed borehole, from the alignment's profile where it has one.
// Off either end of the grade line the design does not say what the road does: no height, and
// the engineer is told, `subject` naming the hole as the other notices do.
void design_elevation(const Alignment& alignment, PlacedBorehole& placed,
                      const std::string& subject) {
    if (!alignment.profile) return;
    const Profile& profile = *alignment.profile;
    placed.design_elevation = profile.elevation(placed.mileage);
    if (placed.design_elevation) return;
    const auto station = [&](double mileage) {
        return zh_station_of(alignment.breaks, mileage).text;
    };
    placed.notices.push_back(subject + "在纵断面（" + station(profile.start_mileage()) + "～" +
                             station(profile.end_mileage()) + "）之外，没有设计高程");
}

PlacedBorehole refused(PlacementOutcome outcome, std::string message) {
    PlacedBorehole placed;
    placed.outcome = outcome;
    placed.message = std::move(message);
    return placed;
}

// How far `point` lies from the line itself, its extended tangents not counted: the offset where
// its foot falls on the line, otherwise the distance to the nearer end.
double distance_to_line(const Alignment& alignment, Point point) {
    double mileage = 0, offset = 0;
    alignment.line.nearest(point, mileage, offset);
    const double along = std::fmax(
        0, std::fmax(alignment.start_mileage() - mileage, mileage - alignment.end_mileage()));
    const double distance = std::hypot(along, offset);
    return std::isfinite(distance) ? distance : INFINITY;
}

// The refusal of a surveyed point that cannot be a hole of this line, or nothing. The typing
// error met most is X and Y exchanged (CASS files put Y first, PNEZD files X): the point then
// lies thousands of kilometres away, and exchanged back it lies beside the line.
std::optional<std::string> far_from_line(const Alignment& alignment, const std::string& name,
                                         Point point, const PlacedBorehole& placed) {
    const double before = alignment.start_mileage() - placed.mileage;
    const double after = placed.mileage - alignment.end_mileage();
    std::string where;
    if (before > kFarBeyondEnd || after > kFarBeyondEnd)
        where = "孔号" + name + "的垂足（桩号" + placed.station + "）位于线路" +
                (before > 0 ? "起点之前 " + fixed_text(before, 3)
                            : "终点之后 " + fixed_text(after, 3)) +
                " 米，超出线路两端 1 公里";
    else if (std::abs(placed.offset) > kFarAcross)
        where = "孔号" + name + "距中线 " + fixed_text(std::abs(placed.offset), 3) +
                " 米，超出中线两侧 5 公里";
    else
        return std::nullopt;
    const double swapped = distance_to_line(alignment, {point.y, point.x});
    if (swapped <= kFarBeyondEnd)
        return where + "，不会是本线路的钻孔：X、Y 可能写反了（对调后距线路 " +
               fixed_text(swapped, 3) + " 米），请核对坐标";
    return where + "，不会是本线路的钻孔，请核对坐标";
}

}  // namespace

PlacedBorehole place_borehole(const Alignment& alignment, const StationOffset& at) {
    std::string message;
    if (!zh_check(alignment.breaks, at.station_text, message))
        return refused(PlacementOutcome::station_rejected, message);
    const LetteredStation lettered = zh_dlstr(alignment.breaks, at.station_text);
    if (!lettered) return refused(PlacementOutcome::station_rejected, lettered.message);
    PlacedBorehole placed;
    zh_mileage(alignment.breaks, lettered.station, placed.mileage);
    // Printed as the line tables print it: lettered where the number alone names another
    // point or none (the overlap of a long chain), so that no table of a drilling contract names
    // two holes with one station; plain everywhere else, as the user wrote it.
    if (alignment.breaks.dl_count > 0 && lettered.station.letter >= 'A')
        placed.station =
            zh_station_in(alignment.breaks, lettered.station.letter - 'A', lettered.station.number)
                .text;
    else
        zh_format(lettered.station, placed.station);
    placed.station_value = lettered.station.number;
    placed.offset = at.offset;
    // Five kilometres to the side is no borehole of this road but a typing error (a digit
    // doubled, a station typed in the offset's place).
    if (std::abs(at.offset) > kFarAcross)
        return refused(PlacementOutcome::not_on_line,
                       "桩号" + at.station_text + "的距中线距离 " + at.offset_text +
                           " 米超出中线两侧 5 公里，不会是本线路的钻孔，请核对距中线距离");
    if (!std::isfinite(placed.mileage))
        return refused(PlacementOutcome::not_computable, "桩号" + at.station_text + "超出数值范围");

    Point centre;
    double azimuth = 0;
    alignment.line.locate(placed.mileage, centre, azimuth);
    if (auto where = off_line(placed.mileage, alignment, "坐标"))
        placed.notices.push_back("桩号" + placed.station + *where);
    if (auto notice = short_metres_notice(at.station_text)) placed.notices.push_back(*notice);
    // On the inside of a curve an offset of the radius reaches the centre of curvature, and
    // beyond it the point lies on the far side: its nearest point on the centre line is
    // elsewhere, and the station and offset no longer describe where it is. A positive offset
    // is to the left, where a left-hand curve (k < 0) has its centre.
    // A skewed axis reaches as far across as its square component, d·sin θ.
    const double theta = at.crossing_angle ? *at.crossing_angle * (std::numbers::pi / 180) : 0;
    const double across = at.crossing_angle ? at.offset * std::sin(theta) : at.offset;
    const double k = alignment.line.curvature(placed.mileage);
    if (across * -k >= 1)
        placed.notices.push_back("桩号" + placed.station + "处曲线半径 " +
                                 fixed_text(1 / std::abs(k), 3) + " 米，圆心在中线" +
                                 (k < 0 ? "左" : "右") + "侧；距中线距离 " + at.offset_text +
                                 " 已到达或越过圆心：坐标照算，但此点离中线最近处不在此桩号，"
                                 "桩号和距中线距离已不能说明它的位置，请核对距中线距离");
    design_elevation(alignment, placed, "桩号" + placed.station);
    // A positive offset lies to the left of the direction of increasing station, square to it.
    // A skewed pier axis turns its left half θ from the direction of increasing station: in the
    // frame of the tangent the hole is d·cos θ ahead and d·sin θ to the left.
    placed.point = at.crossing_angle ? place(centre, azimuth, at.offset * std::cos(theta), -across)
                                     : place(centre, azimuth, 0, -at.offset);
    placed.centre = centre;
    if (!std::isfinite(placed.point.x) || !std::isfinite(placed.point.y)) {
        placed.outcome = PlacementOutcome::not_computable;
        placed.message = "桩号" + at.station_text + "的坐标无法计算（线形数据在此处无解）";
    }
    return placed;
}

PlacedBorehole place_surveyed(const Alignment& alignment, const std::string& name, Point point) {
    PlacedBorehole placed;
    placed.point = point;
    alignment.line.nearest(point, placed.mileage, placed.offset);
    if (!std::isfinite(placed.mileage) || !std::isfinite(placed.offset))
        return refused(PlacementOutcome::not_computable,
                       "孔号" + name + "的桩号无法计算（线形数据在此处无解）");
    const StationOfMileage station = zh_station_of(alignment.breaks, placed.mileage);
    placed.station = station.text;
    placed.station_value = station.number;
    if (auto far = far_from_line(alignment, name, point, placed))
        return refused(PlacementOutcome::not_on_line, *far);
    if (auto where = off_line(placed.mileage, alignment, "桩号和距中线距离"))
        placed.notices.push_back("孔号" + name + "的垂足（桩号" + placed.station + "）" + *where);
    design_elevation(alignment, placed, "孔号" + name + "的垂足（桩号" + placed.station + "）");
    return placed;
}

}  // namespace qelt
