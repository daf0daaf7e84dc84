// The curve at one JD: tangent lengths and clothoid placing against worked values, the
// hairpin rules, and the inputs that have no solution.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "base/data_error.h"
#include "zxbas/zxbas.h"

namespace qelt {
namespace {

const double kPi = std::numbers::pi;
const double kNaN = std::nan("");

struct Case {
    const char* name;
    double r, r1, r2, ls1, ls2, defl, az_in, az_out;
    // Expected values; NaN where the case does not fix one.
    double t1, t2, lead1, origin_az1, origin_az2, origin_defl;
};

const double k30 = kPi / 6;
const double k200 = 200 * kPi / 180;

const Case kCases[] = {
    {"symmetrical", 500, 0, 0, 100, 100, k30, 0, k30, 184.181145, 184.181145, 0, 0, 0.523599,
     0.523599},
    {"unsymmetrical", 500, 0, 0, 150, 80, k30, 0, k30, 206.739817, 176.789503, 0, 0, kNaN, kNaN},
    {"incomplete entry", 500, 1000, 0, 100, 100, k30, 0, k30, 158.802788, 184.596407, 100, -0.05,
     kNaN, 0.573599},
    // Hairpin data (negated): the long way round, ZH ahead of and HZ behind the JD.
    {"hairpin", -60, 0, 0, -40, -40, k200, 0, k200, -326.627232, -326.627232, 0, 0, -2.792527,
     3.490659},
    // A deflection given to six decimals moves the long tangent of a hairpin by half a millimetre.
    {"hairpin, rounded angle", -60, 0, 0, -40, -40, 3.490659, 0, 3.490659, -326.626730, -326.626730,
     kNaN, kNaN, kNaN, kNaN},
    // The same turn with positive data is no hairpin: nothing is negated.
    {"beyond half turn", 60, 0, 0, 40, 40, k200, 0, k200, 326.627232, 326.627232, kNaN, kNaN,
     -2.792527, 3.490659},
    // Legs due east and due west: the tangents of the incomplete transition do not depend on
    // which way the curve faces.
    {"incomplete, leg due east", 500, 1000, 0, 100, 100, k30, kPi / 2, kPi / 2 + k30, 158.802788,
     184.596407, 100, kNaN, kNaN, 0.573599},
    {"incomplete, leg due west", 500, 1000, 0, 100, 100, k30, 3 * kPi / 2, 3 * kPi / 2 + k30,
     158.802788, 184.596407, 100, kNaN, kNaN, 0.573599},
    {"incomplete, nearly due east", 500, 1000, 0, 100, 100, k30, kPi / 2 + 1e-12,
     kPi / 2 + k30 + 1e-12, 158.802788, 184.596407, kNaN, kNaN, kNaN, kNaN},
    {"incomplete exit, leg due east", 500, 0, 1000, 100, 100, -k30, kPi / 2 + k30, kPi / 2,
     184.596407, 158.802788, 0, kNaN, kNaN, -0.573599},
};

TEST(ZxCurveSolve, WorkedCurves) {
    for (const Case& c : kCases) {
        const CurveSolution s =
            zx_curve_solve(c.r, c.r1, c.r2, c.ls1, c.ls2, c.defl, c.az_in, c.az_out);
        const std::pair<double, double> checks[] = {
            {s.t1, c.t1},
            {s.t2, c.t2},
            {s.lead1, c.lead1},
            {s.origin_az1, c.origin_az1},
            {s.origin_az2, c.origin_az2},
            {s.origin_defl, c.origin_defl},
        };
        for (std::size_t i = 0; i < std::size(checks); ++i) {
            if (std::isnan(checks[i].second)) continue;
            EXPECT_NEAR(checks[i].first, checks[i].second, 1e-6) << c.name << ", result " << i;
        }
    }
}

// Complete transitions: the tangents are the classical (R + p)·tan(α/2) ± (p1 − p2)/sin α + q.
TEST(ZxCurveSolve, ClassicalTangents) {
    const double r = 400, ls1 = 120, ls2 = 60, a = 0.7;
    const double p1 = zx_spiral_p(ls1, r), p2 = zx_spiral_p(ls2, r);
    const double q1 = zx_spiral_q(ls1, r), q2 = zx_spiral_q(ls2, r);
    for (double az_in : {0.3, 2.0, kPi / 2, 4.5}) {
        const CurveSolution s = zx_curve_solve(r, 0, 0, ls1, ls2, -a, az_in + a, az_in);
        EXPECT_NEAR(s.t1, (r + p1) * std::tan(a / 2) - (p1 - p2) / std::sin(a) + q1, 1e-9);
        EXPECT_NEAR(s.t2, (r + p2) * std::tan(a / 2) + (p1 - p2) / std::sin(a) + q2, 1e-9);
    }
}

TEST(ZxLineCross, Intersections) {
    struct Cross {
        double x1, y1, x2, y2, x3, y3, x4, y4, x, y;
    };
    const Cross kCrossings[] = {
        {0, 0, 1, 1, 0, 2, 1, 1, 1, 1},
        {5, 0, 5, 1, 0, 3, 1, 3, 5, 3},               // first line parallel to Y
        {0, 3, 1, 3, -2, 0, -2, 7, -2, 3},            // second line parallel to Y
        {15, 8, 15 + 1e-13, 108, 0, 0, 1, 0, 15, 0},  // nearly due east, away from the origin
    };
    for (const Cross& c : kCrossings) {
        double x = 0, y = 0;
        zx_line_cross(c.x1, c.y1, c.x2, c.y2, c.x3, c.y3, c.x4, c.y4, x, y);
        EXPECT_NEAR(x, c.x, 1e-9);
        EXPECT_NEAR(y, c.y, 1e-9);
    }
}

TEST(ZxCurveSolve, NoSolutionIsADataError) {
    struct Bad {
        const char* name;
        double r, r1, r2, ls1, ls2, defl, az_in, az_out;
    };
    const Bad kBad[] = {
        {"R = 0", 0, 0, 0, 100, 100, k30, 0, k30},
        {"collinear legs", 500, 0, 0, 100, 100, 0, 1, 1},
        {"collinear legs, no transitions", 500, 0, 0, 0, 0, 0, 1, 1},
        {"R1 = R", 500, 500, 0, 100, 100, k30, 0, k30},
        {"R2 = R", 500, 0, 500, 100, 100, k30, 0, k30},
        {"no deflection, R1 given", 500, 1000, 0, 100, 100, 0, 0, 0},
        {"no deflection, R2 given", 500, 0, 1000, 100, 100, 0, 0, 0},
        {"no deflection, hairpin data", -60, 0, 0, -40, -40, 0, 0, 0},
        {"R1 = 1e-300", 500, 1e-300, 0, 100, 100, k30, 0, k30},
        {"clothoid constant underflows to 0", 5e-324, 0, 0, 0.1, 0.1, k30, 0, k30},
        {"transitions turning beyond the deflection", 500, 0, 0, 300, 300, 0.5, 0, 0.5},
    };
    for (const Bad& b : kBad) {
        EXPECT_THROW(zx_curve_solve(b.r, b.r1, b.r2, b.ls1, b.ls2, b.defl, b.az_in, b.az_out),
                     DataError)
            << b.name;
    }
    double x = 0, y = 0;
    EXPECT_THROW(zx_line_cross(0, 0, 1, 1, 0, 1, 1, 2, x, y), DataError);  // equal slopes
    EXPECT_THROW(zx_line_cross(0, 0, 0, 1, 1, 0, 1, 5, x, y), DataError);  // both along Y
}

}  // namespace
}  // namespace qelt
