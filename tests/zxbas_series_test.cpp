// The point-to-point azimuth in every quadrant and on the axes.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "zxbas/zxbas.h"

namespace qelt {
namespace {

const double kPi = std::numbers::pi;

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
