// The foot of the perpendicular (LocatedLine::nearest): round trips through locate on random
// lines, checked against a brute-force scan of the whole line; the loop ramp that passes a point
// twice; the extended tangents; bad input.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>

#include "geometry/geometry.h"

namespace qelt {
namespace {

constexpr double kPi = std::numbers::pi;

// The point `offset` metres to the left of the line at `mileage`.
Point beside(const LocatedLine& line, double mileage, double offset) {
    Point c;
    double a = 0;
    line.locate(mileage, c, a);
    return {c.x + offset * std::sin(a), c.y - offset * std::cos(a)};
}

double gap(Point a, Point b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

// A road-like random line far from the origin: straights, arcs of radius 30..3000 m turning up
// to 5 rad (loops included), transitions between any two curvatures, and now and then a piece
// placed with its own start some metres on along the end tangent (the main line's gaps).
LocatedLine random_line(std::mt19937_64& rng) {
    const auto u = [&](double lo, double hi) {
        return std::uniform_real_distribution(lo, hi)(rng);
    };
    const auto curvature = [&] { return (rng() % 2 ? 1 : -1) / (30 * std::pow(100.0, u(0, 1))); };
    LocatedLine line;
    line.reset(u(0, 20000), {3.5e6 + u(-1e4, 1e4), 5e5 + u(-1e4, 1e4)}, u(0, 2 * kPi));
    double k = 0;
    const int pieces = 3 + static_cast<int>(rng() % 10);
    for (int i = 0; i < pieces; ++i) {
        switch (rng() % 4) {
            case 0:
                line.append(0, 0, u(20, 400));
                k = 0;
                break;
            case 1: {
                const double to = rng() % 3 ? curvature() : 0;
                line.append(k, to, u(20, 200));
                k = to;
                break;
            }
            case 2: {
                const double arc = k != 0 ? k : curvature();
                line.append(arc, arc, std::fmin(u(0.1, 5) / std::abs(arc), u(20, 600)));
                k = arc;
                break;
            }
            default: {
                const double gap_length = u(0.5, 40);
                const Point start = place(line.end_point(), line.end_azimuth(), gap_length, 0);
                const double to = curvature();
                line.append({line.end_mileage() + gap_length, start, line.end_azimuth(), 0, to,
                             u(30, 150)});
                k = to;
            }
        }
    }
    return line;
}

TEST(GeometryNearest, RoundTripOnRandomLinesFindsTheNearestFoot) {
    std::mt19937_64 rng(20240702);
    const auto u = [&](double lo, double hi) {
        return std::uniform_real_distribution(lo, hi)(rng);
    };
    double worst_round_trip = 0;
    int points = 0;
    for (int l = 0; l < 40; ++l) {
        const LocatedLine line = random_line(rng);
        const double start = line.start_mileage(), end = line.end_mileage();
        for (int j = 0; j < 25; ++j) {
            // Within 100 m of the line, also beside its extended ends.
            const double m0 = u(start - 30, end + 30), d0 = u(-100, 100);
            const Point p = beside(line, m0, d0);
            double mileage = 0, offset = 0;
            line.nearest(p, mileage, offset);
            const double error = gap(beside(line, mileage, offset), p);
            worst_round_trip = std::fmax(worst_round_trip, error);
            ASSERT_LT(error, 1e-6) << "line " << l << ", mileage " << m0 << ", offset " << d0;
            // No point of the line, extensions included, is nearer than the foot found.
            EXPECT_LE(std::abs(offset), std::abs(d0) + 1e-9) << l << " " << m0 << " " << d0;
            double scanned = INFINITY;
            for (double m = start - 150; m <= end + 150; m += 1) {
                Point c;
                double a = 0;
                line.locate(m, c, a);
                scanned = std::fmin(scanned, gap(c, p));
            }
            EXPECT_LE(std::abs(offset), scanned + 1e-9) << l << " " << m0 << " " << d0;
            ++points;
        }
    }
    std::printf("%d points: worst round trip %.1e m\n", points, worst_round_trip);
}

// A loop ramp: north along a straight, a right-hand arc of radius 60 turning 300°, then a
// straight heading 300° that passes under the first one. Near the crossing and across the
// loop the line comes near a point twice; the nearer foot wins.
TEST(GeometryNearest, LoopRampPicksTheNearerPass) {
    const double r = 60, turn = 5 * kPi / 3, entry = 200, arc = r * turn;
    LocatedLine line;
    line.reset(1000, {0, 0}, 0);
    line.append(0, 0, entry);
    line.append(1 / r, 1 / r, arc);
    line.append(0, 0, 400);
    // The arc's end (148.04, 30) heading 300°: the exit straight crosses y = 0 at x = 165.36,
    // 34.64 m on.
    const Point arc_end{entry + r * std::sin(turn), r - r * std::cos(turn)};
    const double exit_start = 1000 + entry + arc;
    const double ex = std::cos(turn), ey = std::sin(turn);  // exit direction
    const auto on_exit = [&](Point p, double& mileage, double& offset) {
        const double dx = p.x - arc_end.x, dy = p.y - arc_end.y;
        mileage = exit_start + dx * ex + dy * ey;
        offset = dx * ey - dy * ex;
    };
    const struct Case {
        Point p;
        bool exit;  // the nearer pass is the exit straight (else the entry straight)
    } cases[] = {
        {{165.36 + 4, 1}, false},  // 1 m east of the entry, 4 m from the exit
        {{165.36 + 4, -3}, true},  // 3 m west of the entry, 2 m from the exit
        {{120, -0.5}, false},     {{190, -40}, true}, {{150, 0.4}, false},
    };
    for (const Case& c : cases) {
        double mileage = 0, offset = 0, exit_mileage = 0, exit_offset = 0;
        line.nearest(c.p, mileage, offset);
        on_exit(c.p, exit_mileage, exit_offset);
        const double entry_mileage = 1000 + c.p.x, entry_offset = -c.p.y;
        ASSERT_EQ(std::abs(exit_offset) < std::abs(entry_offset), c.exit)
            << "case " << c.p.x << ", " << c.p.y << " is not what it says";
        EXPECT_NEAR(mileage, c.exit ? exit_mileage : entry_mileage, 1e-9) << c.p.x << ", " << c.p.y;
        EXPECT_NEAR(offset, c.exit ? exit_offset : entry_offset, 1e-9) << c.p.x << ", " << c.p.y;
    }
    // Across the loop: inside it, 10 m from the arc and 110 m from its far side; outside it,
    // 10 or 15 m beyond the arc.
    const Point centre{entry, r};
    const struct {
        double angle;  // direction from the centre, radians from +X
        double distance;
    } across[] = {{0, 50}, {kPi / 2, 50}, {kPi / 2, 75}, {-kPi / 4 + 0.3, 70}};
    for (const auto& a : across) {
        const Point p{centre.x + a.distance * std::cos(a.angle),
                      centre.y + a.distance * std::sin(a.angle)};
        double mileage = 0, offset = 0;
        line.nearest(p, mileage, offset);
        EXPECT_NEAR(std::abs(offset), std::abs(a.distance - r), 1e-9) << a.angle;
        EXPECT_LT(gap(beside(line, mileage, offset), p), 1e-9) << a.angle;
        EXPECT_TRUE(mileage > 1000 + entry && mileage < exit_start) << a.angle;
    }
}

// On the concave side of a transition, close to its centre of curvature, the distance hardly
// changes along the curve and g falls through zero and rises again between two samples of the
// search: that foot must still be found, not one on the straight after the transition a few
// centimetres farther. Points at 90 % to 99 % of the radius of curvature near the end of
// transitions into radii of 60 m and 100 m, either hand.
TEST(GeometryNearest, NearTheCentreOfCurvatureOfATransition) {
    for (const double r : {60.0, -60.0, 100.0, -100.0}) {
        LocatedLine line;
        line.reset(5000, {3.5e6, 5e5}, 1.0);
        line.append(0, 0, 100);
        line.append(0, 1 / r, 100);
        line.append(0, 0, 100);
        for (double s = 80; s < 100; s += 2.5)
            for (double share = 0.9; share < 0.995; share += 0.01) {
                // The radius of curvature at s into the transition, on its concave side (left
                // for a left-hand curve, r < 0).
                const double d0 = -share * r * 100 / s;
                const Point p = beside(line, 5100 + s, d0);
                double mileage = 0, offset = 0;
                line.nearest(p, mileage, offset);
                EXPECT_LE(std::abs(offset), std::abs(d0) + 1e-9)
                    << "R " << r << ", s " << s << ", share " << share << ": foot at "
                    << mileage - 5100;
                EXPECT_LT(gap(beside(line, mileage, offset), p), 1e-9);
            }
    }
}

// Where two pieces meet only to within roundings (the main line's key points, each placed from
// its own JD), a foot lies on one of them or, where the distance turns in the step between
// them, where they meet; the end of the piece before, not itself a point of the line, is no
// foot. Found on a line of 4,000 pieces: a foot 6e-5 m into an arc lost to the end of the
// transition before it, whose distance came out smaller by its rounding.
TEST(GeometryNearest, WherePiecesMeetOnlyToWithinRoundings) {
    const struct {
        const char* name;
        Point next_start;  // the second piece's start; the first ends at (100, 0) heading north
        Point p;
        double mileage;     // of the foot found
        double round_trip;  // largest gap between the point and its foot and offset
    } cases[] = {
        // The arc starts a micrometre to the left: the first piece's end is nearer the point
        // than the foot 5e-5 m into the arc, but no point of the line.
        {"foot just past the step", {100, -1e-6}, {100 + 5e-5, 73}, 100 + 5e-5, 1e-9},
        // The second piece starts a millimetre on: the distance falls to the first piece's end
        // and rises from the second's start. The foot is where they meet, a millimetre off the
        // perpendicular, as the line itself is there.
        {"foot in the step", {100.001, 0}, {100.0005, 50}, 100, 1e-3},
    };
    for (const auto& c : cases) {
        LocatedLine line;
        line.reset(0, {0, 0}, 0);
        line.append(0, 0, 100);
        line.append({100, c.next_start, 0, 0, 1 / 500.0, 100});
        double mileage = 0, offset = 0;
        line.nearest(c.p, mileage, offset);
        EXPECT_NEAR(mileage, c.mileage, 1e-9) << c.name;
        EXPECT_LT(gap(beside(line, mileage, offset), c.p), c.round_trip) << c.name;
    }
}

TEST(GeometryNearest, ExtendedTangentsAndBadInput) {
    LocatedLine line;
    line.reset(100, {0, 0}, 0);  // heading north: left is west (−Y)
    line.append(0, 0, 100);
    line.append(0, 1 / 50.0, 50);
    const Point end = line.end_point();
    const double end_azimuth = line.end_azimuth();
    const Point beyond = place(end, end_azimuth, 30, -7);  // 7 m left, 30 m past the end
    const struct {
        Point p;
        double mileage, offset;
    } cases[] = {
        {{-10, 5}, 90, -5},  // behind the start, to the right
        {{0, -3}, 100, 3},   // level with the start
        {{60, 2.5}, 160, -2.5},
        {beyond, 280, 7},
    };
    for (const auto& c : cases) {
        double mileage = 0, offset = 0;
        line.nearest(c.p, mileage, offset);
        EXPECT_NEAR(mileage, c.mileage, 1e-9) << c.p.x << ", " << c.p.y;
        EXPECT_NEAR(offset, c.offset, 1e-9) << c.p.x << ", " << c.p.y;
    }
    // A line without pieces is the straight through its start, heading east here.
    LocatedLine straight;
    straight.reset(0, {1, 2}, kPi / 2);
    double mileage = 0, offset = 0;
    straight.nearest({0, 10}, mileage, offset);
    EXPECT_NEAR(mileage, 8, 1e-12);
    EXPECT_NEAR(offset, -1, 1e-12);
    line.nearest({NAN, 0}, mileage, offset);
    EXPECT_TRUE(std::isnan(mileage) && std::isnan(offset));
    line.append(0, 0, -1);  // spoils the line
    line.nearest({0, 0}, mileage, offset);
    EXPECT_TRUE(std::isnan(mileage) && std::isnan(offset));
}

}  // namespace
}  // namespace qelt
