// The curve at one JD: tangent lengths against worked values and the classical formula, the
// hairpin rules, and the inputs that have no solution.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "base/data_error.h"
#include "clothoid_series.h"
#include "zxbas/zxbas.h"

namespace qelt {
namespace {

const double kPi = std::numbers::pi;

struct Case {
    const char* name;
    double r, r1, r2, ls1, ls2, defl, az_in, az_out;
    double t1, t2;  // expected tangents, metres
};

const double k30 = kPi / 6;
const double k200 = 200 * kPi / 180;

const Case kCases[] = {
    {"symmetrical", 500, 0, 0, 100, 100, k30, 0, k30, 184.181145, 184.181145},
    {"unsymmetrical", 500, 0, 0, 150, 80, k30, 0, k30, 206.739817, 176.789503},
    {"incomplete entry", 500, 1000, 0, 100, 100, k30, 0, k30, 158.802788, 184.596407},
    // Hairpin data (negated): the long way round, ZH ahead of and HZ behind the JD.
    {"hairpin", -60, 0, 0, -40, -40, k200, 0, k200, -326.627232, -326.627232},
    // A deflection given to six decimals moves the long tangent of a hairpin by half a millimetre.
    {"hairpin, rounded angle", -60, 0, 0, -40, -40, 3.490659, 0, 3.490659, -326.626730,
     -326.626730},
    // The same turn with positive data is no hairpin: nothing is negated.
    {"beyond half turn", 60, 0, 0, 40, 40, k200, 0, k200, 326.627232, 326.627232},
    // Legs due east and due west: the tangents of the incomplete transition do not depend on
    // which way the curve faces.
    {"incomplete, leg due east", 500, 1000, 0, 100, 100, k30, kPi / 2, kPi / 2 + k30, 158.802788,
     184.596407},
    {"incomplete, leg due west", 500, 1000, 0, 100, 100, k30, 3 * kPi / 2, 3 * kPi / 2 + k30,
     158.802788, 184.596407},
    {"incomplete, nearly due east", 500, 1000, 0, 100, 100, k30, kPi / 2 + 1e-12,
     kPi / 2 + k30 + 1e-12, 158.802788, 184.596407},
    {"incomplete exit, leg due east", 500, 0, 1000, 100, 100, -k30, kPi / 2 + k30, kPi / 2,
     184.596407, 158.802788},
};

TEST(ZxCurveSolve, WorkedCurves) {
    for (const Case& c : kCases) {
        const CurveSolution s =
            zx_curve_solve(c.r, c.r1, c.r2, c.ls1, c.ls2, c.defl, c.az_in, c.az_out);
        EXPECT_NEAR(s.t1, c.t1, 1e-6) << c.name;
        EXPECT_NEAR(s.t2, c.t2, 1e-6) << c.name;
    }
}

// Complete transitions: the tangents are the classical (R + p)·tan(α/2) ± (p1 − p2)/sin α + q.
TEST(ZxCurveSolve, ClassicalTangents) {
    const double r = 400, ls1 = 120, ls2 = 60, a = 0.7;
    double p1 = 0, q1 = 0, p2 = 0, q2 = 0;
    test::clothoid_shift(ls1, r, p1, q1);
    test::clothoid_shift(ls2, r, p2, q2);
    for (double az_in : {0.3, 2.0, kPi / 2, 4.5}) {
        const CurveSolution s = zx_curve_solve(r, 0, 0, ls1, ls2, -a, az_in + a, az_in);
        EXPECT_NEAR(s.t1, (r + p1) * std::tan(a / 2) - (p1 - p2) / std::sin(a) + q1, 1e-9);
        EXPECT_NEAR(s.t2, (r + p2) * std::tan(a / 2) + (p1 - p2) / std::sin(a) + q2, 1e-9);
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
}

}  // namespace
}  // namespace qelt
