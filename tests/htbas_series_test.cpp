// The clothoid difference series and the ddd.mmss start azimuth.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "htbas/htbas.h"
#include "base/data_error.h"
#include "zxbas/series.h"

namespace qelt {
namespace {

TEST(HtSpiralDiff, WorkedPieces) {
    struct Case {
        double l1, l2, c, dx, dy;
    };
    const Case cases[] = {
        // Element (1000, 400, 60): closing radius, c = 60·1000·400/600.
        {40, 100, 40000, 59.845463, 3.895360},
        // Element (400, 1000, 60): opening radius, same right turn, run on negative lengths.
        {-100, -40, -40000, 59.845463, -3.895360},
        // From the zero-curvature point: the plain clothoid R = 500, Ls = 100.
        {0, 100, 50000, 99.900046, 3.330953},
        {0, 100, -50000, 99.900046, -3.330953},
        {75, 75, 30000, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(spiral_dx(c.l1, c.l2, c.c), c.dx, 1e-6) << c.l1 << ".." << c.l2;
        EXPECT_NEAR(spiral_dy(c.l1, c.l2, c.c), c.dy, 1e-6) << c.l1 << ".." << c.l2;
    }
}

TEST(HtSpiralDiff, FromZeroCurvatureIsThePlainClothoid) {
    // Same terms, same stop: bit-identical, so entry transitions and radius-to-radius pieces
    // that start at zero curvature agree exactly.
    for (double l : {0.0, 12.5, 60.0, 150.0, 320.0}) {
        for (double c : {18000.0, -18000.0, 250000.0}) {
            EXPECT_EQ(spiral_dx(0, l, c), spiral_x(l, c)) << l << " " << c;
            EXPECT_EQ(spiral_dy(0, l, c), spiral_y(l, c)) << l << " " << c;
        }
    }
}

TEST(HtDmsToDegrees, Conversions) {
    struct Case {
        double dms, degrees;
    };
    const Case cases[] = {
        {45.3020, 45 + 30 / 60.0 + 20 / 3600.0},
        {-12.3, -12.5},
        {12.5959, 12 + 59 / 60.0 + 59 / 3600.0},
        {12.75, 13.25},  // minutes are not validated
        {0, 0},
        {359.5959, 359 + 59 / 60.0 + 59 / 3600.0},
        {214748.3647, 214748 + 36 / 60.0 + 47 / 3600.0},  // largest accepted
    };
    for (const Case& c : cases) EXPECT_NEAR(ht_dms_to_degrees(c.dms), c.degrees, 1e-9) << c.dms;
}

TEST(HtDmsToDegrees, OutOfRangeIsADataError) {
    const double inf = std::numeric_limits<double>::infinity();
    for (double v : {214748.3648, -214748.3648, 1e12, inf, -inf, std::nan("")}) {
        EXPECT_THROW(ht_dms_to_degrees(v), DataError) << v;
    }
}

}  // namespace
}  // namespace qelt
