// The clothoid difference series and the ddd.mmss start azimuth.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "base/data_error.h"
#include "geometry/clothoid.h"
#include "htbas/htbas.h"

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

// A piece is the difference of the clothoid's points at its two ends, however far from the
// zero-curvature point it lies: from 10 km out (a transition R 1010 -> 1000 over 100 m) the old
// power series overflowed.
TEST(HtSpiralDiff, PiecesAreDifferencesOfTheClothoid) {
    for (double l : {0.0, 12.5, 60.0, 150.0, 320.0}) {
        for (double c : {18000.0, -18000.0, 250000.0}) {
            EXPECT_NEAR(spiral_dx(0, l, c), spiral_x(l, c), 1e-9) << l << " " << c;
            EXPECT_NEAR(spiral_dy(0, l, c), spiral_y(l, c), 1e-9) << l << " " << c;
            EXPECT_NEAR(spiral_dx(l, 2 * l, c), spiral_x(2 * l, c) - spiral_x(l, c), 1e-9);
            EXPECT_NEAR(spiral_dy(l, 2 * l, c), spiral_y(2 * l, c) - spiral_y(l, c), 1e-9);
        }
    }
    // 1010 -> 1000 over 100 m: c = 100·1010·1000/10, the piece from 10000 to 10100 m. It turns
    // 0.0995 rad; its end lies 99.835 m along and 4.963 m to the right of its start tangent,
    // which lies 10000²/(2c) = 4.95 rad from the clothoid's.
    const double c = 100.0 * 1010 * 1000 / 10, l1 = 10000, l2 = 10100;
    const double start = l1 * l1 / (2 * c);
    const double dx = spiral_dx(l1, l2, c), dy = spiral_dy(l1, l2, c);
    const double along = dx * std::cos(start) + dy * std::sin(start);
    const double right = -dx * std::sin(start) + dy * std::cos(start);
    EXPECT_TRUE(std::isfinite(dx) && std::isfinite(dy));
    EXPECT_NEAR(along, 99.83547, 1e-4);
    EXPECT_NEAR(right, 4.96291, 1e-4);
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
