// The foot of the perpendicular (LocatedLine::nearest): round trips through locate on random
// lines, checked against a brute-force scan of the whole line; the loop ramp that passes a point
// twice; loops, hairpins and spirals winding in held against a dense scan near where they turn
// most; the extended tangents; bad input.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>
#include <string>
#include <vector>

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

// The nearest foot found the slow way, to hold the search against: the line sampled every
// 10 cm from before its start to beyond its end (the extended tangents included, as far as a
// foot on them can lie), each fall of g = (P − C)·T through zero between two samples bisected
// down to the last bit, and the nearest of those feet kept. The nearest other foot's distance tells a
// tie (two parts of the line equally near, where either foot is right) from a wrong foot.
struct ScannedFoot {
    double mileage = NAN, offset = NAN, distance = INFINITY;
    double runner_up = INFINITY;  // distance of the nearest other foot, metres
};

ScannedFoot scan_for_foot(const LocatedLine& line, Point p) {
    constexpr double kStep = 0.1;
    const auto probe = [&](double m, double& distance, double& offset) {
        Point c;
        double a = 0;
        line.locate(m, c, a);
        const double dx = p.x - c.x, dy = p.y - c.y;
        distance = std::hypot(dx, dy);
        offset = dx * std::sin(a) - dy * std::cos(a);
        return dx * std::cos(a) + dy * std::sin(a);  // g
    };
    double distance = 0, offset = 0;
    probe(line.start_mileage(), distance, offset);
    const double from = line.start_mileage() - distance - 1;
    probe(line.end_mileage(), distance, offset);
    const double to = line.end_mileage() + distance + 1;
    std::vector<ScannedFoot> feet;
    const int steps = static_cast<int>(std::ceil((to - from) / kStep));
    double lo = from, g_lo = probe(lo, distance, offset);
    for (int i = 1; i <= steps; ++i) {
        const double hi = from + (to - from) * i / steps;
        const double g_hi = probe(hi, distance, offset);
        if (g_lo > 0 && g_hi <= 0) {
            double a = lo, b = hi;
            for (;;) {
                const double mid = a + (b - a) / 2;
                if (mid == a || mid == b) break;
                (probe(mid, distance, offset) > 0 ? a : b) = mid;
            }
            ScannedFoot foot;
            foot.mileage = a;
            probe(a, foot.distance, foot.offset);
            feet.push_back(foot);
        }
        lo = hi;
        g_lo = g_hi;
    }
    ScannedFoot best;
    for (const ScannedFoot& f : feet)
        if (f.distance < best.distance) best = f;
    for (const ScannedFoot& f : feet)
        if (f.mileage != best.mileage) best.runner_up = std::fmin(best.runner_up, f.distance);
    return best;
}

// Where the line turns a lot in a short way (loops, hairpins, spirals winding in) the line
// comes back near a point within one piece, and a search that looks at too few points of a
// piece takes the wrong pass or a foot that is no nearest. Each line is held against the dense
// scan at a grid of points over it and its surroundings and at points chosen for it: nearly
// equidistant from two passes, or close to the centre of a tight arc. Lines start at
// (3 500 000, 500 000) at mileage 10 000; the points are given by mileage on from the start and
// offset (+ left) as locate places them.
TEST(GeometryNearest, TightTurnsAgainstADenseScan) {
    struct Shape {
        double k0, k1, length;
    };
    struct Beside {
        double mileage, offset;
    };
    const double r30 = 30, loop = 11 * kPi / 6;  // a 330° loop
    const struct Case {
        const char* name;
        double azimuth;
        std::vector<Shape> shapes;
        std::vector<Beside> points;
    } cases[] = {
        {"330° arc of R 30, right",
         0.3,
         {{0, 0, 60}, {1 / r30, 1 / r30, r30 * loop}, {0, 0, 60}},
         {// Near the centre of the arc, on its concave (right) side.
          {60 + r30 * 1.0, -(r30 - 0.05)},
          {60 + r30 * 2.5, -(r30 - 0.5)},
          {60 + r30 * 4.0, -(r30 - 2)},
          {60 + r30 * 5.5, -(r30 - 0.2)},
          // A few centimetres past the centre: the far side of the loop is nearer than the
          // near one, by twice that. (Nearer the centre every foot round it is at the same
          // distance to within the roundings of the coordinates, and its mileage no check.)
          {60 + r30 * 0.8, -(r30 + 0.02)},
          {60 + r30 * 3.3, -(r30 + 0.03)},
          // Near where the exit straight passes the entry straight.
          {55, 2},
          {58, -1}}},
        {"330° arc of R 30, left",
         4.0,
         {{0, 0, 60}, {-1 / r30, -1 / r30, r30 * loop}, {0, 0, 60}},
         {{60 + r30 * 1.7, r30 - 0.1}, {60 + r30 * 4.9, r30 - 1}, {60 + r30 * 2.2, r30 + 0.02}}},
        {"loop ramp R 40 with transitions",
         1.2,
         {{0, 0, 100},
          {0, 1 / 40.0, 50},
          {1 / 40.0, 1 / 40.0, 40 * (3 * kPi / 2 - 1.25)},
          {1 / 40.0, 0, 50},
          {0, 0, 150}},
         {{100 + 50 + 40 * 1.0, -(40 - 0.3)}, {100 + 50 + 40 * 2.0, -(40 - 5)}, {80, -3}}},
        {"hairpin R 15",
         2.0,
         {{0, 0, 80}, {-1 / 15.0, -1 / 15.0, 15 * kPi}, {0, 0, 80}},
         {// Between the legs, a tenth of a millimetre nearer one than the other.
          {40, 15 - 1e-4},
          {40, 15 + 1e-4},
          {70, 15.00001},
          {80 + 15 * kPi / 2, 15 - 0.05},
          {80 + 15 * 0.3, 14}}},
        // A mountain road's hairpin, a little more than half a turn.
        {"hairpin R 20 turning 190°, right",
         0.9,
         {{0, 0, 40}, {1 / 20.0, 1 / 20.0, 20 * 3.32}, {0, 0, 40}},
         {{40 + 20 * 1.66, -(20 - 0.05)},
          {40 + 20 * 1.66, -(20 - 3)},
          {40 + 20 * 1.66, -10},
          {40 + 20 * 1.66, 3},
          {40 + 20 * 1.62, 10},
          {40 + 20 * 1.70, -(20 + 2)}}},
        // Three quarters of a turn and a little more. On an arc the distance falls where the
        // point's direction from the centre meets it and rises half a turn on, and turns
        // between, a quarter turn either side: a look along the arc that took this one piece
        // in one step (its turn beyond 3π/2) could find g falling at both ends with two turns
        // inside, and miss the foot at 1.59 rad.
        {"loop R 25 turning 272°, left",
         5.0,
         {{0, 0, 40}, {-1 / 25.0, -1 / 25.0, 25 * 4.75}, {0, 0, 40}},
         {{40 + 25 * 1.59, 25 - 0.1},
          {40 + 25 * 1.59, 20},
          {40 + 25 * 1.59, 12},
          {40 + 25 * 1.59, -4},
          {40 + 25 * 1.60, -15},
          {40 + 25 * (1.59 + kPi), 25 + 0.5}}},
        {"hairpin of two transitions, no arc",
         5.5,
         {{0, 0, 50}, {0, 1 / 20.0, 60}, {1 / 20.0, 0, 60}, {0, 0, 50}},
         {{50 + 60, -(20 - 0.2)}, {50 + 55, -18}, {30, -9}}},
        {"spiral winding in to R 15, six radians",
         0.7,
         {{0, 0, 30}, {0, 1 / 15.0, 180}},
         {{30 + 180, -(15 - 0.1)}, {30 + 170, -14}, {30 + 150, -12}, {30 + 120, -20}}},
        {"spiral winding out from R 12",
         3.3,
         {{1 / 12.0, 1 / 12.0, 20}, {1 / 12.0, 1 / 200.0, 200}, {0, 0, 40}},
         {{10, -(12 - 0.05)}, {20 + 10, -11}, {20 + 60, -16}}},
        {"snake of R 20 arcs, reverse curves",
         0.0,
         {{1 / 20.0, 1 / 20.0, 20 * 2.8},
          {-1 / 20.0, -1 / 20.0, 20 * 2.8},
          {1 / 20.0, 1 / 20.0, 20 * 2.8}},
         {{20 * 1.4, -(20 - 0.1)}, {20 * 4.2, 20 - 0.1}, {20 * 2.8, 0.5}}},
    };
    constexpr int kGrid = 10;
    for (const Case& c : cases) {
        LocatedLine line;
        line.reset(10000, {3.5e6, 5e5}, c.azimuth);
        for (const Shape& s : c.shapes) line.append(s.k0, s.k1, s.length);
        std::vector<Point> points;
        for (const Beside& b : c.points)
            points.push_back(beside(line, 10000 + b.mileage, b.offset));
        // A grid over the line and 20 m around it.
        Point low{INFINITY, INFINITY}, high{-INFINITY, -INFINITY};
        for (double m = line.start_mileage(); m <= line.end_mileage(); m += 1) {
            const Point q = beside(line, m, 0);
            low = {std::fmin(low.x, q.x), std::fmin(low.y, q.y)};
            high = {std::fmax(high.x, q.x), std::fmax(high.y, q.y)};
        }
        for (int i = 0; i <= kGrid; ++i)
            for (int j = 0; j <= kGrid; ++j)
                points.push_back({low.x - 20 + (high.x - low.x + 40) * i / kGrid,
                                  low.y - 20 + (high.y - low.y + 40) * j / kGrid});
        int wrong = 0;
        for (const Point& p : points) {
            const ScannedFoot scanned = scan_for_foot(line, p);
            double mileage = 0, offset = 0;
            line.nearest(p, mileage, offset);
            const auto where = [&] {
                char text[160];
                std::snprintf(text, sizeof text, "%s: point (%.4f, %.4f), scan %.9f / %.9f", c.name,
                              p.x, p.y, scanned.mileage - 10000, scanned.offset);
                return std::string(text);
            };
            bool right = false;
            if (scanned.runner_up - scanned.distance > 1e-6) {
                right = std::abs(mileage - scanned.mileage) <= 1e-6 &&
                        std::abs(offset - scanned.offset) <= 1e-6;
                EXPECT_TRUE(right) << where() << ": found " << mileage - 10000 << " / " << offset;
            } else {  // two feet as near: either
                right = std::abs(std::abs(offset) - scanned.distance) <= 1e-6;
                EXPECT_TRUE(right)
                    << where() << ": found " << mileage - 10000 << " / " << offset << " (a tie)";
            }
            EXPECT_LT(gap(beside(line, mileage, offset), p), 1e-6) << where();
            if (!right && ++wrong >= 5) break;  // enough to see what is wrong
        }
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
