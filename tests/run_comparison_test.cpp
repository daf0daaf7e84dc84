// Drilled holes against planned ones: which planned hole each surveyed point is taken for and
// its verdict, and the deviation along and across the line, checked against geometry done by
// hand on a straight line and on a circle.

#include "app/run_comparison.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <tuple>
#include <vector>

#include "alignment/alignment.h"
#include "report/field/stakeout.h"
#include "station/station.h"

namespace qelt {
namespace {

// A line of `length` metres from (0, 0) heading `azimuth`, of constant curvature `k` (+ right).
Alignment line(double azimuth, double k, double length) {
    Alignment a;
    a.line.reset(0, {0, 0}, azimuth);
    a.line.append(k, k, length);
    dl_complete(a.breaks, a.start_mileage(), a.end_mileage());
    return a;
}

TEST(Comparison, DeviationOnAStraightIsThePlainDifference) {
    // Heading north, ahead is +X and left is −Y; heading east, ahead is +Y and left is +X.
    const struct {
        double azimuth, dx, dy, along, across;
    } cases[] = {
        {0, 0.30, 0, 0.30, 0},
        {0, 0, -0.40, 0, 0.40},
        {0, -1.2, 0.9, -1.2, -0.9},
        {std::numbers::pi / 2, 0.5, 0.2, 0.2, 0.5},
        {std::numbers::pi, 0.3, 0, -0.3, 0},
    };
    for (const auto& c : cases) {
        const Point planned{100 * std::cos(c.azimuth), 100 * std::sin(c.azimuth)};
        const HoleDeviation d =
            hole_deviation(c.azimuth, planned, {planned.x + c.dx, planned.y + c.dy});
        EXPECT_NEAR(d.along, c.along, 1e-12) << c.azimuth << " " << c.dx << " " << c.dy;
        EXPECT_NEAR(d.across, c.across, 1e-12) << c.azimuth << " " << c.dx << " " << c.dy;
        EXPECT_NEAR(d.distance, std::hypot(c.dx, c.dy), 1e-12);
    }
}

TEST(Comparison, DeviationOnACircleFollowsTheTangentAtThePlannedStation) {
    // A right-hand curve of R 100 from (0, 0) heading north, its centre at (0, 100): the point at
    // angle φ is (R sin φ, R − R cos φ). Planned on the line at φ = 30°; a hole 2 m out along the
    // radius lies 2 m left, nothing ahead; a hole on the line δ further lies R sin δ ahead and
    // R (1 − cos δ) to the right, where the curve bends.
    const double R = 100, phi = std::numbers::pi / 6, delta = 0.05;
    const Alignment a = line(0, 1 / R, 300);
    const auto on_circle = [&](double angle, double radius) {
        return Point{radius * std::sin(angle), R - radius * std::cos(angle)};
    };
    const Point planned = on_circle(phi, R);
    const struct {
        Point drilled;
        double along, across;
    } cases[] = {
        {on_circle(phi, R + 2), 0, 2},
        {on_circle(phi, R - 0.5), 0, -0.5},
        {on_circle(phi + delta, R), R * std::sin(delta), -R * (1 - std::cos(delta))},
        {on_circle(phi - delta, R), -R * std::sin(delta), -R * (1 - std::cos(delta))},
    };
    Point centre;
    double azimuth = 0;
    a.line.locate(R * phi, centre, azimuth);
    for (const auto& c : cases) {
        const HoleDeviation d = hole_deviation(azimuth, planned, c.drilled);
        EXPECT_NEAR(d.along, c.along, 1e-9) << c.drilled.x << " " << c.drilled.y;
        EXPECT_NEAR(d.across, c.across, 1e-9) << c.drilled.x << " " << c.drilled.y;
    }
}

TEST(Comparison, EachPointMatchesThePlannedHoleOfItsStakeoutName) {
    // Two planned groups on a straight line heading north (A: 2 holes, B: 3 holes), named A1, A2,
    // B1, B2, B3 as the stakeout file names them; the points as the crew returned them.
    std::vector<PlannedHole> planned;
    for (const auto& [group, number, serial, mileage] : {std::tuple{"桥", 1, 1, 100.0},
                                                         {"桥", 1, 2, 130.0},
                                                         {"涵", 2, 1, 400.0},
                                                         {"涵", 2, 2, 410.0},
                                                         {"涵", 2, 3, 420.0}}) {
        PlannedHole h;
        h.mileage = mileage;
        h.record.group = group;
        h.record.group_number = number;
        h.record.serial = serial;
        h.record.x = mileage;
        h.record.point_name = stakeout_names(std::span(&h.record, 1)).front();
        planned.push_back(h);
    }
    const auto point = [](const char* name, double x, double y) {
        BoreholeRecord r;
        r.name = name;
        r.x = x;
        r.y = y;
        return r;
    };
    const std::vector<BoreholeRecord> drilled = {
        point("B3", 420, 0),       // as planned, out of order
        point("A1", 100.6, -0.8),  // moved 1.000 m: within a 1 m tolerance
        point("B1", 401.5, 0),     // moved 1.5 m: beyond
        point("A2x", 130, 0),      // renamed on site: not taken for A2
        point("ZK9", 700, 0),      // added
        point("B3", 421, 0),       // B3 surveyed again
    };
    const HoleComparison c = compare_holes(planned, drilled, 1.0);
    const struct {
        const char* group;
        int serial;
        const char* name;
        const char* status;
    } rows[] = {
        {"桥", 1, "A1", ""},
        {"涵", 1, "B1", "超限"},
        {"涵", 2, "B3", ""},
        {"未钻（计划孔无实测点）", 1, "A2", "未钻"},
        {"未钻（计划孔无实测点）", 2, "B2", "未钻"},
        {"计划外（实测点无计划孔）", 1, "A2x", "计划外"},
        {"计划外（实测点无计划孔）", 2, "ZK9", "计划外"},
        {"计划外（实测点无计划孔）", 3, "B3", "计划外"},
    };
    std::vector<BoreholeRecord> got;
    for (const ComparedGroup& g : c.groups) {
        EXPECT_EQ(g.head.count, static_cast<int>(g.rows.size())) << g.head.title;
        got.insert(got.end(), g.rows.begin(), g.rows.end());
    }
    ASSERT_EQ(got.size(), std::size(rows));
    for (std::size_t i = 0; i < got.size(); ++i) {
        const BoreholeRecord& r = got[i];
        EXPECT_EQ(r.group, rows[i].group) << i;
        EXPECT_EQ(r.serial, rows[i].serial) << i;
        EXPECT_EQ(r.name, rows[i].name) << i;
        EXPECT_EQ(r.status, rows[i].status) << i;
        // A planned hole not drilled has its planned values and no drilled position.
        EXPECT_EQ(r.placed, r.status != kNotDrilled) << i;
        EXPECT_EQ(r.planned_offset.has_value(), r.status != kNotPlanned) << i;
        EXPECT_EQ(r.distance.has_value(), r.status.empty() || r.status == kBeyondTolerance) << i;
    }
    EXPECT_EQ(c.planned, 5);
    EXPECT_EQ(c.drilled, 6);
    EXPECT_EQ(c.beyond, 1);
    EXPECT_EQ(c.not_drilled, 2);
    EXPECT_EQ(c.not_planned, 3);
    ASSERT_EQ(c.notices.size(), 1u);  // B3 twice
    EXPECT_NE(c.notices[0].find("孔号B3实测了两次"), std::string::npos) << c.notices[0];
    EXPECT_EQ(comparison_summary(c, 1.0),
              "计划 5 孔，实测 6 孔：超限 1 孔（限差 1.000 米），未钻 2 孔，计划外 3 孔");
}

}  // namespace
}  // namespace qelt
