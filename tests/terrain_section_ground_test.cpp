// The ground across the line held against an interpolation written here another way: each
// section as one list of (signed offset, elevation) from its left edge to its right, looked up
// by a linear scan, and the two sections around a mileage weighted by distance.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <random>
#include <vector>

#include "terrain/section_ground.h"

namespace qelt {
namespace {

struct Row {
    double offset, z;  // offset positive left
};

std::optional<double> across(const std::vector<Row>& rows, double offset) {
    for (std::size_t i = 0; i + 1 < rows.size(); ++i) {
        const Row &a = rows[i], &b = rows[i + 1];
        if (offset <= a.offset && offset >= b.offset) {
            if (a.offset == b.offset) return a.z;
            return a.z + (b.z - a.z) * (a.offset - offset) / (a.offset - b.offset);
        }
    }
    return std::nullopt;
}

TEST(SectionGround, AgreesWithAnIndependentInterpolation) {
    std::mt19937 random(36);
    std::uniform_real_distribution<double> unit(0, 1);
    LocatedLine line;
    line.reset(0, {0, 0}, 0);
    line.append(0, 0, 1000);

    std::vector<GroundSection> sections;
    std::vector<std::vector<Row>> rows;  // the same sections, left edge first
    std::vector<double> mileages;
    for (double m = 100; m <= 600; m += 20 + 40 * unit(random)) {
        GroundSection s;
        s.mileage = m;
        s.station = std::to_string(m);
        s.centre = 300 + 10 * unit(random);
        std::vector<Row> r{{0, s.centre}};
        for (auto* side : {&s.left, &s.right}) {
            double d = 0, z = s.centre;
            const int n = static_cast<int>(6 * unit(random));
            for (int k = 0; k < n; ++k) {
                d += 8 * unit(random);
                z += 4 * (unit(random) - 0.5);
                side->push_back({d, z});
                const double offset = side == &s.left ? d : -d;
                if (side == &s.left)
                    r.insert(r.begin(), {offset, z});
                else
                    r.push_back({offset, z});
            }
        }
        sections.push_back(s);
        rows.push_back(r);
        mileages.push_back(m);
    }
    const SectionGround ground(line, {{0, "0", 300}, {1000, "1000", 300}}, sections);

    int with_ground = 0;
    for (int k = 0; k < 20000; ++k) {
        // Some queries exactly on a section, the others anywhere around the sections.
        const double mileage = k % 5 == 0 ? mileages[static_cast<std::size_t>(k) % mileages.size()]
                                          : 80 + 560 * unit(random);
        const double offset = 60 * (unit(random) - 0.5);
        std::optional<double> expected;
        for (std::size_t i = 0; i < mileages.size(); ++i) {
            if (mileage == mileages[i]) {
                expected = across(rows[i], offset);
                break;
            }
            if (i + 1 < mileages.size() && mileage > mileages[i] && mileage < mileages[i + 1]) {
                const auto a = across(rows[i], offset), b = across(rows[i + 1], offset);
                const double w = (mileage - mileages[i]) / (mileages[i + 1] - mileages[i]);
                if (a && b) expected = (1 - w) * *a + w * *b;
                break;
            }
        }
        const SectionGroundAnswer got = ground.at(mileage, offset);
        ASSERT_EQ(got.elevation.has_value(), expected.has_value())
            << "mileage " << mileage << " offset " << offset << ": " << got.why_none;
        if (expected) {
            ++with_ground;
            EXPECT_NEAR(*got.elevation, *expected, 1e-9) << mileage << " " << offset;
            // The same place through its X, Y: the line runs due north from the origin, the left
            // to the west.
            EXPECT_NEAR(*ground.at(Point{mileage, -offset}).elevation, *expected, 1e-9);
        } else {
            EXPECT_FALSE(got.why_none.empty());
        }
    }
    EXPECT_GT(with_ground, 5000);
}

}  // namespace
}  // namespace qelt
