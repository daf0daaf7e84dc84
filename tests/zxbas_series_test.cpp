// Clothoid, arc and shift series, and the point-to-point azimuth, against worked values.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <cstdint>

#include "zxbas/zxbas.h"

namespace qelt {
namespace {

const double kPi = std::numbers::pi;

TEST(ZxSeries, Factorial) {
    struct Case {
        std::int16_t n;
        double value;
    };
    const Case kCases[] = {{0, 1}, {1, 1}, {2, 2}, {10, 3628800}, {20, 2432902008176640000.0}};
    for (const Case& c : kCases) EXPECT_EQ(fact(c.n), c.value) << "n = " << c.n;
    EXPECT_TRUE(std::isinf(fact(171)));
}

TEST(ZxSeries, WorkedValues) {
    enum Fn { kSpiralX, kSpiralY, kArcX, kArcY, kShiftP, kOffsetQ };
    struct Case {
        Fn fn;
        double l, c, value;
    };
    const double r = 500;
    const Case kCases[] = {
        // End of a 100 m transition into R = 500 (A² = 50000).
        {kSpiralX, 100, 50000, 99.900046},
        {kSpiralY, 100, 50000, 3.330953},
        {kSpiralY, 100, -50000, -3.330953},  // bends to the side of the constant's sign
        {kSpiralX, 100, -50000, 99.900046},
        {kSpiralX, 0, 50000, 0},
        {kSpiralY, 0, 50000, 0},
        {kArcX, 0, r, 0},
        {kArcY, 0, r, 0},
        {kArcX, kPi * r / 2, r, r},
        {kArcY, kPi * r / 2, r, r},
        {kArcY, kPi * r / 2, -r, -r},
        {kShiftP, 100, 500, 0.833036},
        {kOffsetQ, 100, 500, 49.983338},
        {kShiftP, 150, 500, 1.873494},
        {kOffsetQ, 150, 500, 74.943785},
        {kShiftP, 80, 500, 0.533211},
        {kOffsetQ, 80, 500, 39.991468},
        {kShiftP, 200, 500, 3.328575},  // the full clothoid of an incomplete transition
        {kOffsetQ, 200, 500, 99.866815},
        {kShiftP, -100, -500, -0.833036},  // hairpin data: odd in (L, R)
        {kOffsetQ, -100, -500, -49.983338},
        {kShiftP, 0, 500, 0},
        {kOffsetQ, 0, 500, 0},
    };
    for (const Case& c : kCases) {
        double v = 0;
        switch (c.fn) {
            case kSpiralX:
                v = spiral_x(c.l, c.c);
                break;
            case kSpiralY:
                v = spiral_y(c.l, c.c);
                break;
            case kArcX:
                v = arc_x(c.l, c.c);
                break;
            case kArcY:
                v = arc_y(c.l, c.c);
                break;
            case kShiftP:
                v = zx_spiral_p(c.l, c.c);
                break;
            case kOffsetQ:
                v = zx_spiral_q(c.l, c.c);
                break;
        }
        EXPECT_NEAR(v, c.value, 1e-6) << "function " << c.fn << ", l = " << c.l << ", c = " << c.c;
    }
}

// The series must stay fast and end in a non-finite value, not a hang, where a transition is
// far too long for its radius; the build turns that into a data error.
TEST(ZxSeries, OverflowEndsTheLoop) {
    EXPECT_FALSE(std::isfinite(spiral_x(1e6, 1)));
    EXPECT_FALSE(std::isfinite(zx_spiral_p(4.5e17, 500)));
    EXPECT_FALSE(std::isfinite(spiral_y(0, 0)));  // zero constant: no clothoid
}

TEST(ZxPointAzimuth, Quadrants) {
    struct Case {
        Point q;
        double azimuth;
    };
    const Case kCases[] = {
        {{1, 1}, kPi / 4},
        {{-1, 1}, 3 * kPi / 4},
        {{-1, -1}, 5 * kPi / 4},
        {{1, -1}, 7 * kPi / 4},
        {{1, 0}, 0},
        {{-1, 0}, kPi},
        {{0, 5}, kPi / 2},
        {{0, -5}, 3 * kPi / 2},
        {{0, 0}, 3 * kPi / 2},
    };
    for (const Case& c : kCases) {
        EXPECT_NEAR(zx_point_azimuth({0, 0}, c.q), c.azimuth, 1e-12) << c.q.x << ", " << c.q.y;
    }
    EXPECT_NEAR(zx_point_azimuth({0, 0}, {1, -1}), 5.497787, 1e-6);
}

}  // namespace
}  // namespace qelt
