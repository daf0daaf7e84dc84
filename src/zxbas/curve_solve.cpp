// The curve at one JD: its tangent lengths for symmetrical, unsymmetrical, incomplete and
// hairpin curves, found by tracing the curve piece by piece from ZH.

#include <cmath>
#include <numbers>
#include <string>

#include "base/data_error.h"
#include "zxbas/zxbas.h"

namespace qelt {
namespace {

double sign_of(double v) {
    return v > 0 ? 1.0 : (v < 0 ? -1.0 : 0.0);
}

}  // namespace

double zx_point_azimuth(Point p, Point q) {
    const double pi = std::numbers::pi;
    const double dx = q.x - p.x;
    const double dy = q.y - p.y;
    if (dx == 0) return dy > 0 ? pi / 2 : 3 * pi / 2;
    const double t = std::atan(dy / dx);
    if (t >= 0) return dx > 0 ? t : t + pi;
    return dx > 0 ? t + 2 * pi : t + pi;
}

CurveShape zx_curve_shape(double r, double r1, double r2, double ls1, double ls2, double defl) {
    const double s = sign_of(defl);
    CurveShape c;
    c.k_arc = s / std::abs(r);
    c.k_start = r1 != 0 ? s / std::abs(r1) : 0;
    c.k_end = r2 != 0 ? s / std::abs(r2) : 0;
    c.entry = std::abs(ls1);
    c.exit = std::abs(ls2);
    // The transitions turn by their length times their mean curvature; the arc turns the rest.
    const double arc_turn = std::abs(defl) - c.entry * std::abs(c.k_start + c.k_arc) / 2 -
                            c.exit * std::abs(c.k_arc + c.k_end) / 2;
    c.arc = arc_turn * std::abs(r);
    if (!std::isfinite(c.arc) || !std::isfinite(c.k_start) || !std::isfinite(c.k_end) ||
        !std::isfinite(c.k_arc))
        throw DataError("曲线要素无法计算（半径过小或过大）");
    // A millionth of a millimetre lets a curve whose arc was designed away stand.
    if (c.arc < -1e-9)
        throw DataError("两缓和曲线的转角之和超过交点转角，圆曲线长度为负（" +
                        std::to_string(c.arc) + " 米）：请检查缓和曲线长度和半径");
    if (c.arc < 0) c.arc = 0;
    return c;
}

CurveSolution zx_curve_solve(double r, double r1, double r2, double ls1, double ls2, double defl,
                             double az_in, double az_out) {
    const double s = sign_of(defl);
    if (r == 0) throw DataError("圆曲线半径为 0");
    if (r1 != 0 && r1 == r) throw DataError("缓和曲线起点半径 R1 等于圆曲线半径");
    if (r2 != 0 && r2 == r) throw DataError("缓和曲线终点半径 R2 等于圆曲线半径");
    // Without a deflection the curve has no side to bend to and the legs cannot be cut.
    if (s == 0) throw DataError("转角为 0（前后直线共线）");

    CurveSolution c;
    // Negative data mark a hairpin (the data arrive negated), which turns the long way round.
    const bool hairpin = ls1 < 0 || ls2 < 0 || r < 0 || r1 < 0 || r2 < 0;

    // The curve traced from ZH along the incoming leg, each piece in its own frame: where it
    // ends fixes both tangents, ZH = JD − T1·(incoming direction) and HZ = JD + T2·(outgoing
    // direction), so HZ − ZH = T1·u_in + T2·u_out, two equations for T1 and T2.
    const CurveShape shape = zx_curve_shape(r, r1, r2, ls1, ls2, defl);
    Point end{0, 0};
    double heading = az_in;
    const double pieces[3][3] = {{shape.k_start, shape.k_arc, shape.entry},
                                 {shape.k_arc, shape.k_arc, shape.arc},
                                 {shape.k_arc, shape.k_end, shape.exit}};
    for (const auto& piece : pieces) {
        double along = 0, right = 0, turned = 0;
        piece_local(piece[0], piece[1], piece[2], piece[2], along, right, turned);
        end = place(end, heading, along, right);
        heading += turned;
    }
    const double det = std::sin(az_out - az_in);
    if (det == 0) throw DataError("前后直线平行（转角为 0 或 180°）");
    c.t1 = (end.x * std::sin(az_out) - end.y * std::cos(az_out)) / det;
    c.t2 = (end.y * std::cos(az_in) - end.x * std::sin(az_in)) / det;
    // Only a hairpin puts ZH ahead of its JD or HZ behind it; elsewhere the tangents are the
    // distances from the JD.
    if (!hairpin) {
        c.t1 = std::abs(c.t1);
        c.t2 = std::abs(c.t2);
    }
    if (!std::isfinite(c.t1) || !std::isfinite(c.t2))
        throw DataError("切线长无法计算（曲线要素不合理）");
    return c;
}

}  // namespace qelt
