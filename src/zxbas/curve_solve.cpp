// The curve at one JD in closed form: tangent lengths and the placing of both clothoids for
// symmetrical, unsymmetrical, incomplete and hairpin curves.

#include <cmath>

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

// Local point (x, y) of the frame at `origin` whose x axis has azimuth a; y to the right.
PlanePoint place(PlanePoint origin, double a, double x, double y) {
    return {origin.x + x * std::cos(a) - y * std::sin(a),
            origin.y + x * std::sin(a) + y * std::cos(a)};
}

double distance(PlanePoint p, PlanePoint q) {
    return std::sqrt((q.y - p.y) * (q.y - p.y) + (q.x - p.x) * (q.x - p.x));
}

}  // namespace

double zx_point_azimuth(PlanePoint p, PlanePoint q) {
    const double pi = 4 * std::atan(1.0);
    const double dx = q.x - p.x;
    const double dy = q.y - p.y;
    if (dx == 0) return dy > 0 ? pi / 2 : 3 * pi / 2;
    const double t = std::atan(dy / dx);
    if (t >= 0) return dx > 0 ? t : t + pi;
    return dx > 0 ? t + 2 * pi : t + pi;
}

// The shift p and the offset q are the classical clothoid series written in a = L/(2R):
//   p = Σ (−1)^n L^(2n+2) / (R^(2n+1) (2n+1)! (4n+3)(4n+4) 2^(2n+1))
//   q = Σ (−1)^n L^(2n+1) / (R^(2n) (2n)! (4n+1)(4n+2) 2^(2n))
double zx_spiral_p(double l, double r) {
    return sum_series([&](int n) {
        const double sign = n % 2 == 0 ? 1.0 : -1.0;
        return sign * std::pow(l, 2 * n + 2) /
               (std::pow(r, 2 * n + 1) * fact(static_cast<std::int16_t>(2 * n + 1)) * (4 * n + 3) *
                (4 * n + 4) * std::pow(2.0, 2 * n + 1));
    });
}

double zx_spiral_q(double l, double r) {
    return sum_series([&](int n) {
        const double sign = n % 2 == 0 ? 1.0 : -1.0;
        return sign * std::pow(l, 2 * n + 1) /
               (std::pow(r, 2 * n) * fact(static_cast<std::int16_t>(2 * n)) * (4 * n + 1) *
                (4 * n + 2) * std::pow(2.0, 2 * n));
    });
}

double zx_tangent1(double r, double p1, double p2, double q1, double theta) {
    const double a = std::abs(theta);
    return ((r + p2) - (r + p1) * std::cos(a)) / std::sin(a) + q1;
}

double zx_tangent2(double r, double p1, double p2, double q2, double theta) {
    const double a = std::abs(theta);
    return ((r + p1) - (r + p2) * std::cos(a)) / std::sin(a) + q2;
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

CurveSolution zx_curve_solve(double r, double r1, double r2, double ls1, double ls2, double defl,
                             double az_in, double az_out) {
    const double pi = 4 * std::atan(1.0);
    const double s = sign_of(defl);
    if (r == 0) throw DataError("圆曲线半径为 0");
    if (r1 != 0 && r1 == r) throw DataError("缓和曲线起点半径 R1 等于圆曲线半径");
    if (r2 != 0 && r2 == r) throw DataError("缓和曲线终点半径 R2 等于圆曲线半径");
    // The closed form places each clothoid from its zero-curvature point, which must lie
    // before ZH (after HZ). A transition from a sharper curve than the arc has that point
    // beyond HY instead: the formulas then flip the turn or misplace the arc and deliver a
    // centre line that jumps by tens to hundreds of metres at YH, so it is refused.
    if (r1 != 0 && std::abs(r1) < std::abs(r))
        throw DataError("缓和曲线起点半径 R1 小于圆曲线半径");
    if (r2 != 0 && std::abs(r2) < std::abs(r))
        throw DataError("缓和曲线终点半径 R2 小于圆曲线半径");
    // Without a deflection the curve has no side to bend to: an incomplete transition cannot be
    // turned, a clothoid's constant is 0 and the legs cannot be cut; nothing can be placed.
    if (s == 0) throw DataError("转角为 0（前后直线共线）");

    CurveSolution c;
    // The clothoid through radius R1 and R has curvature 0 a lead length before R1.
    c.lead1 = r1 != 0 ? r * ls1 / (r1 - r) : 0;
    c.lead2 = r2 != 0 ? r * ls2 / (r2 - r) : 0;
    // Clothoid constants A² = R·(Ls + lead); zero would make every clothoid formula divide by 0.
    const double a1 = r * (ls1 + c.lead1);
    const double a2 = r * (ls2 + c.lead2);
    if ((ls1 != 0 && a1 == 0) || (ls2 != 0 && a2 == 0)) throw DataError("缓和曲线参数为 0");

    // Between its origin and radius R1 the clothoid's tangent turns by lead²/(2A²) = lead/(2·R1).
    c.origin_az1 = r1 != 0 ? az_in - c.lead1 / (2 * r1 * s) : az_in;
    c.origin_az2 = r2 != 0 ? az_out + c.lead2 / (2 * r2 * s) : az_out;
    c.origin_az1 = reduce(c.origin_az1, pi);
    c.origin_az2 = reduce(c.origin_az2, pi);
    c.origin_defl = reduce(c.origin_az2 - c.origin_az1, pi);
    const bool hairpin = ls1 < 0 || ls2 < 0 || r < 0 || r1 < 0 || r2 < 0;
    // A hairpin turns the long way round; any curve turns to the side its legs say.
    if (hairpin) c.origin_defl = flip(c.origin_defl, pi);
    if (defl * c.origin_defl < 0) c.origin_defl = flip(c.origin_defl, pi);

    const double p1 = zx_spiral_p(ls1 + c.lead1, r);
    const double q1 = zx_spiral_q(ls1 + c.lead1, r);
    const double p2 = zx_spiral_p(ls2 + c.lead2, r);
    const double q2 = zx_spiral_q(ls2 + c.lead2, r);
    if (std::sin(std::abs(c.origin_defl)) == 0) throw DataError("前后直线共线（转角为 0）");

    // Work in a plane whose origin O is where the two origin tangents meet. For complete
    // transitions those tangents are the legs; for incomplete ones the legs are found below.
    double t1o = zx_tangent1(r, p1, p2, q1, c.origin_defl);
    double t2o = zx_tangent2(r, p1, p2, q2, c.origin_defl);
    if (hairpin) {
        t1o = -t1o;
        t2o = -t2o;
    }
    const PlanePoint e{-t1o * std::cos(c.origin_az1), -t1o * std::sin(c.origin_az1)};
    const PlanePoint f{t2o * std::cos(c.origin_az2), t2o * std::sin(c.origin_az2)};

    // ZH′ and HZ′ lie a lead length along each clothoid from its origin; the exit clothoid is
    // walked backwards from F, so it bends the other way.
    PlanePoint zh = e;
    if (ls1 != 0) {
        const double c1 = s * a1;
        const double l = std::abs(c.lead1);
        zh = place(e, c.origin_az1, spiral_x(l, c1), spiral_y(l, c1));
    }
    PlanePoint hz = f;
    if (ls2 != 0) {
        const double c2 = -s * a2;
        const double l = std::abs(c.lead2);
        hz = place(f, pi + c.origin_az2, spiral_x(l, c2), spiral_y(l, c2));
    }

    // The legs run through ZH′ and HZ′ with the legs' own azimuths; they meet at the true JD.
    const PlanePoint along_in{zh.x + 100 * std::cos(az_in), zh.y + 100 * std::sin(az_in)};
    const PlanePoint along_out{hz.x + 100 * std::cos(az_out), hz.y + 100 * std::sin(az_out)};
    PlanePoint jd;
    zx_line_cross(zh.x, zh.y, along_in.x, along_in.y, hz.x, hz.y, along_out.x, along_out.y, jd.x,
                  jd.y);
    c.t1 = distance(jd, zh);
    c.t2 = distance(jd, hz);
    // In a hairpin ZH may lie ahead of the JD on the incoming leg and HZ behind it on the
    // outgoing one; the tangent length then counts negative.
    if (hairpin) {
        if (std::abs(zx_point_azimuth(jd, zh) - az_in) < 0.0001) c.t1 = -c.t1;
        if (std::abs(zx_point_azimuth(hz, jd) - az_out) < 0.0001) c.t2 = -c.t2;
    }
    return c;
}

}  // namespace qelt
