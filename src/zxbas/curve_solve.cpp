// The curve at one JD: its tangent lengths for symmetrical, unsymmetrical, incomplete and
// hairpin curves, found by tracing the curve piece by piece from ZH.

#include <cmath>
#include <limits>
#include <numbers>
#include <string>

#include "base/data_error.h"
#include "zxbas/zxbas.h"

namespace qelt {
namespace {

double sign_of(double v) {
    return v > 0 ? 1.0 : (v < 0 ? -1.0 : 0.0);
}

// One full turn added or taken away, towards (−π, π]: angles formed from azimuths in
// [0, 2π) need at most one; ±π stays as it is.
double reduce(double a, double pi) {
    if (a < -pi) return a + 2 * pi;
    if (a > pi) return a - 2 * pi;
    return a;
}

// The other way round the circle: a turn of d to one side is a turn of 2π − |d| to the other.
double flip(double a, double pi) {
    return a >= 0 ? a - 2 * pi : a + 2 * pi;
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

// The shift p of the circular arc and the offset q of its centre along the tangent, read off
// the clothoid's end point (x, y) and the arc it joins: p = y − R(1 − cos τ), q = x − R sin τ
// with τ = L/(2R). p is odd in R and even in L, q odd in L and even in R, as their series are.
namespace {
void shift_and_offset(double l, double r, double& p, double& q) {
    const double length = std::abs(l), radius = std::abs(r);
    const double x = spiral_x(length, length * radius), y = spiral_y(length, length * radius);
    const double tau = length / (2 * radius);
    p = y - radius * (1 - std::cos(tau));
    q = x - radius * std::sin(tau);
    if (r < 0) p = -p;
    if (l < 0) q = -q;
    // No clothoid ends at radius 0; its shift would divide by it.
    if (r == 0) p = q = std::numeric_limits<double>::quiet_NaN();
    // A clothoid of no length shifts nothing.
    if (l == 0 && r != 0) p = q = 0;
}
}  // namespace

double zx_spiral_p(double l, double r) {
    double p = 0, q = 0;
    shift_and_offset(l, r, p, q);
    return p;
}

double zx_spiral_q(double l, double r) {
    double p = 0, q = 0;
    shift_and_offset(l, r, p, q);
    return q;
}

void zx_line_cross(double x1, double y1, double x2, double y2, double x3, double y3, double x4,
                   double y4, double& x, double& y) {
    // Point and direction, not slope and intercept: a leg running due east or west has an
    // enormous or infinite slope dY/dX, and the intercept form then loses metres to
    // cancellation (an incomplete transition on such a leg was off by 15 m). This form treats
    // every direction alike and gives X = x1 exactly for a line parallel to the Y axis.
    const double dx1 = x2 - x1;
    const double dy1 = y2 - y1;
    const double dx2 = x4 - x3;
    const double dy2 = y4 - y3;
    const double det = dx1 * dy2 - dy1 * dx2;
    if (det == 0) throw DataError("两直线平行，无交点");
    const double t = ((x3 - x1) * dy2 - (y3 - y1) * dx2) / det;
    x = x1 + t * dx1;
    y = y1 + t * dy1;
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
    const double pi = std::numbers::pi;
    const double s = sign_of(defl);
    if (r == 0) throw DataError("圆曲线半径为 0");
    if (r1 != 0 && r1 == r) throw DataError("缓和曲线起点半径 R1 等于圆曲线半径");
    if (r2 != 0 && r2 == r) throw DataError("缓和曲线终点半径 R2 等于圆曲线半径");
    // Without a deflection the curve has no side to bend to and the legs cannot be cut.
    if (s == 0) throw DataError("转角为 0（前后直线共线）");

    CurveSolution c;
    // Where the clothoid of an incomplete transition has zero curvature, and the direction of
    // its tangent there: a lead length before R1 (negative for a transition from a sharper
    // curve), its tangent lead/(2·R1) before the incoming leg.
    c.lead1 = r1 != 0 ? r * ls1 / (r1 - r) : 0;
    c.lead2 = r2 != 0 ? r * ls2 / (r2 - r) : 0;
    c.origin_az1 = reduce(r1 != 0 ? az_in - c.lead1 / (2 * r1 * s) : az_in, pi);
    c.origin_az2 = reduce(r2 != 0 ? az_out + c.lead2 / (2 * r2 * s) : az_out, pi);
    c.origin_defl = reduce(c.origin_az2 - c.origin_az1, pi);
    const bool hairpin = ls1 < 0 || ls2 < 0 || r < 0 || r1 < 0 || r2 < 0;
    // A hairpin turns the long way round; any curve turns to the side its legs say.
    if (hairpin) c.origin_defl = flip(c.origin_defl, pi);
    if (defl * c.origin_defl < 0) c.origin_defl = flip(c.origin_defl, pi);

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
