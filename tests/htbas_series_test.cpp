// The ddd.mmss start azimuth.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "base/data_error.h"
#include "htbas/htbas.h"

namespace qelt {
namespace {

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
