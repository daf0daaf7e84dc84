// The ground line's height at a mileage, which the section's bands print at every round
// station: a point's own height where the mileage is one of its points, the chord's between
// them, nothing in a gap between runs or off the ends.

#include <gtest/gtest.h>

#include <optional>

#include "alignment/ground_line.h"

namespace qelt {
namespace {

TEST(GroundLine, HeightAtAMileage) {
    GroundLine g;
    g.runs = {{{0, 100}, {10, 102}, {30, 98}}, {{50, 90}, {60, 91}}};
    struct Case {
        double mileage;
        std::optional<double> height;
    };
    const Case kCases[] = {
        {0, 100},
        {10, 102},
        {10 + 5e-7, 102},
        {5, 101},
        {20, 100},
        {30, 98},
        {29.9999, 98.00002},
        {40, std::nullopt},  // between the runs: the terrain stops there
        {50, 90},
        {55, 90.5},
        {60, 91},
        {-0.001, std::nullopt},
        {60.001, std::nullopt},
    };
    for (const Case& c : kCases) {
        const std::optional<double> h = g.elevation(c.mileage);
        ASSERT_EQ(h.has_value(), c.height.has_value()) << c.mileage;
        if (h) {
            EXPECT_NEAR(*h, *c.height, 1e-9) << c.mileage;
        }
    }
    EXPECT_FALSE(GroundLine{}.elevation(0));
}

}  // namespace
}  // namespace qelt
