// Pieces against an independent long-double integration, above all transitions between close
// radii; LocatedLine's ownership of boundaries, gaps, extensions and azimuth range.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>
#include <tuple>

#include "geometry/geometry.h"

namespace qelt {
namespace {

constexpr double kPi = std::numbers::pi;

// ∫0^s (cos θ, sin θ) du, θ = k0·u + c·u²: 3-point Gauss–Legendre in long double on panels
// turning at most 0.01 rad, where its error is below 1e-18 of the panel length.
void reference(double k0, double k1, double length, double s, long double out[2]) {
    const long double c = (static_cast<long double>(k1) - k0) / (2.0L * length);
    const long double node[] = {-std::sqrt(0.6L), 0, std::sqrt(0.6L)}, weight[] = {5, 8, 5};
    const long double turn = std::fmax(std::fabs(k0), std::fabs(k0 + 2 * c * s)) * std::fabs(s);
    const int panels = 16 + static_cast<int>(turn / 0.01L);
    const long double h = static_cast<long double>(s) / panels;
    out[0] = out[1] = 0;
    for (int i = 0; i < panels * 3; ++i) {
        const long double u = h * (i / 3 + (1 + node[i % 3]) / 2), theta = u * (k0 + c * u);
        out[0] += weight[i % 3] / 18 * std::cos(theta) * h;
        out[1] += weight[i % 3] / 18 * std::sin(theta) * h;
    }
}

TEST(GeometryPiece, WithinANanometreOfTheIntegral) {
    std::mt19937_64 rng(20240611);
    const auto u = [&](double lo, double hi) {
        return std::uniform_real_distribution(lo, hi)(rng);
    };
    // Random rows: k0 = a0·k + b0·k2, k1 = a1·k + b1·k2, k of radius 30..10000 m either way,
    // k2 = k/(0.5..0.999); lengths up to `most` m, cut so that none turns more than 2.5 rad.
    const struct {
        const char* name;
        double a0, b0, a1, b1, most, k0 = 0, k1 = 0, length = 0;  // fixed: k0, k1, length
    } kRows[] = {
        // clang-format off
        {"straight", 0, 0, 0, 0, 300},         {"arc", 1, 0, 1, 0, 1000},
        {"entry transition", 0, 0, 1, 0, 300}, {"exit transition", 1, 0, 0, 0, 300},
        {"R to tighter R", 1, 0, 0, 1, 300},   {"R to wider R", 0, 1, 1, 0, 300},
        {"reverse, through 0", 1, 0, 0, -1, 300},
        {"R 1010 -> 1000", 0, 0, 0, 0, 0, 1 / 1010.0, 1 / 1000.0, 100},
        {"R 60 -> 57", 0, 0, 0, 0, 0, -1 / 60.0, -1 / 57.0, 100},
        {"R 10000 -> 9990", 0, 0, 0, 0, 0, 1e-4, 1 / 9990.0, 30},
        {"loop arc, 2 pi", 0, 0, 0, 0, 0, 1 / 30.0, 1 / 30.0, 60 * kPi},
        {"clothoid, 5 rad", 0, 0, 0, 0, 0, 0, -1 / 30.0, 300},
        {"arc R 30, 20 rad", 0, 0, 0, 0, 0, 1 / 30.0, 1 / 30.0, 600},
        // clang-format on
    };
    for (const auto& row : kRows) {
        double worst = 0;
        for (int draw = 0; draw < (row.most ? 150 : 1); ++draw) {
            const double k = (rng() % 2 ? 1 : -1) / (30 * std::pow(1e4 / 30, u(0, 1)));
            const double k2 = k / u(0.5, 0.999);
            double k0 = row.a0 * k + row.b0 * k2, k1 = row.a1 * k + row.b1 * k2;
            double len =
                u(30, std::fmax(30, std::fmin(row.most, 5 / (std::abs(k0) + std::abs(k1)))));
            if (!row.most) k0 = row.k0, k1 = row.k1, len = row.length;
            // Both ends, inside, and beyond either end on the same curvature law.
            for (double s : {0.0, len, len * u(0, 1), len * u(0, 1), -len / 4, len * 1.25}) {
                double along = 0, right = 0, deflection = 0;
                long double exact[2];
                piece_local(k0, k1, len, s, along, right, deflection);
                reference(k0, k1, len, s, exact);
                const double error = std::hypot(double(along - exact[0]), double(right - exact[1]));
                worst = std::fmax(worst, error);
                ASSERT_LT(error, 1e-9) << row.name << " " << k0 << " " << k1 << " " << len;
                EXPECT_TRUE(k0 || k1 || (along == s && right == 0)) << "straights are exact";
            }
        }
        std::printf("%-20s worst %.1e m\n", row.name, worst);
    }
}

// Three JD-like curves right, left, right; the last eases from R 1010 to R 1000.
LocatedLine curves() {
    LocatedLine line;
    line.reset(1000, {3.5e6, 5e5}, -0.2);  // the first two curves cross north
    for (double k : {1 / 600.0, -1 / 250.0, 1 / 1010.0}) {
        const double k_out = k == 1 / 1010.0 ? 1e-3 : k;
        line.append(0, 0, 200);
        line.append(0, k, 120);
        line.append(k, k, 150);
        line.append(k, k_out, k == k_out ? 0 : 100);  // length 0 adds nothing
        line.append(k_out, 0, 120);
    }
    return line;
}

TEST(GeometryLine, LocateFollowsThePiecesAndTheirTangents) {
    const LocatedLine line = curves();
    const auto& p = line.pieces();
    ASSERT_EQ(p.size(), 13u);
    for (std::size_t i = 0; i < p.size(); ++i) {
        Point at, expected, back, ahead;
        double azimuth = 0, expected_azimuth = 0, unused = 0;
        for (double m : {p[i].start_mileage, p[i].start_mileage + 0.37 * p[i].length}) {
            line.locate(m, at, azimuth);
            piece_point(p[i], m - p[i].start_mileage, expected, expected_azimuth);
            EXPECT_NEAR(std::hypot(at.x - expected.x, at.y - expected.y), 0, 1e-9);
            EXPECT_NEAR(azimuth, reduced_azimuth(expected_azimuth), 1e-12);
            EXPECT_TRUE(azimuth >= 0 && azimuth < 2 * kPi) << azimuth;
            line.locate(m - 1e-3, back, unused);  // the azimuth is the direction of travel
            line.locate(m + 1e-3, ahead, unused);
            const double moved = std::atan2(ahead.y - back.y, ahead.x - back.x);
            EXPECT_NEAR(std::remainder(moved - azimuth, 2 * kPi), 0, 1e-6) << i;
        }
        // append(k0, k1, length) continues from the end of the piece before, to the bit.
        piece_point(p[i], p[i].length, expected, expected_azimuth);
        const Piece next = i + 1 < p.size()
                               ? p[i + 1]
                               : Piece{line.end_mileage(), line.end_point(), line.end_azimuth()};
        EXPECT_EQ(next.start_mileage, p[i].start_mileage + p[i].length);
        EXPECT_TRUE(next.start.x == expected.x && next.start.y == expected.y) << i;
        EXPECT_EQ(next.start_azimuth, reduced_azimuth(expected_azimuth));
    }
}

TEST(GeometryLine, BoundariesGapsExtensionsAndZeroLengths) {
    LocatedLine line;
    line.reset(0, {0, 0}, kPi / 2);  // heading east
    Point at;
    double azimuth = 0;
    line.locate(7, at, azimuth);  // an empty line is the straight through its start
    EXPECT_TRUE(std::abs(at.x) < 1e-15 && at.y == 7 && azimuth == kPi / 2);
    line.append(0, 0.01, 100);
    const Point end = line.end_point();
    const double end_azimuth = line.end_azimuth();
    // Starts 50 m on and 1 m off the end tangent, so the boundary's owner shows.
    const Piece own{150, {end.x + 1, end.y + 50}, 1.0, 0, 0, 10};
    line.append(own);
    line.append({165, {7, 7}, 2.0, 0, 0, 0});  // length 0: moves the end only
    EXPECT_EQ(line.pieces().size(), 2u);
    const std::tuple<double, Point, double> kRows[] = {
        {-5, {0, -5}, kPi / 2},                              // before the start
        {125, place(end, end_azimuth, 25, 0), end_azimuth},  // a gap: the straight on
        {150, own.start, 1.0},                               // a boundary: the next piece's
        {162, place(own.start, 1.0, 12, 0), 1.0},            // a gap before a moved end
        {165, {7, 7}, 2.0},                                  // the moved end itself
        {170, place({7, 7}, 2.0, 5, 0), 2.0},                // after the end
    };
    for (const auto& [mileage, point, expected_azimuth] : kRows) {
        line.locate(mileage, at, azimuth);
        EXPECT_NEAR(std::hypot(at.x - point.x, at.y - point.y), 0, 1e-12) << mileage;
        EXPECT_NEAR(azimuth, expected_azimuth, 1e-15) << mileage;
    }
}

TEST(GeometryLine, CurvatureAtAMileage) {
    // Straight, entry transition to R 200, arc, a transition through zero curvature to R −300,
    // then a gap and a piece placed on its own (a left-hand arc).
    LocatedLine line;
    line.reset(0, {0, 0}, 0);
    line.append(0, 0, 100);
    line.append(0, 1.0 / 200, 80);
    line.append(1.0 / 200, 1.0 / 200, 50);
    line.append(1.0 / 200, -1.0 / 300, 60);
    line.append({300, {500, 500}, 1.0, -1.0 / 400, -1.0 / 400, 40});
    const double kRows[][2] = {
        {-5, 0},  // before the start: the start tangent
        {50, 0},
        {100, 0},
        {140, 1.0 / 400},  // half-way up the transition
        {180, 1.0 / 200},
        {205, 1.0 / 200},
        {230, 1.0 / 200},
        {260, (1.0 / 200 - 1.0 / 300) / 2},
        {290 - 1e-9, -1.0 / 300},
        {290, 0},  // a boundary belongs to the span after it: the gap, straight
        {295, 0},
        {300, -1.0 / 400},
        {339.9, -1.0 / 400},
        {340, 0},
        {1e6, 0},  // at and beyond the end
    };
    for (const auto& [mileage, k] : kRows)
        EXPECT_NEAR(line.curvature(mileage), k, 1e-12) << mileage;

    // The rate at which locate's azimuth turns, wherever the pieces are.
    const LocatedLine curved = curves();
    for (const Piece& p : curved.pieces()) {
        const double m = p.start_mileage + 0.61 * p.length, h = 1e-3;
        Point unused;
        double back = 0, ahead = 0;
        curved.locate(m - h, unused, back);
        curved.locate(m + h, unused, ahead);
        EXPECT_NEAR(std::remainder(ahead - back, 2 * kPi) / (2 * h), curved.curvature(m), 1e-7)
            << m;
    }
    EXPECT_TRUE(std::isnan(line.curvature(NAN)));
    line.append(0, 0, -1);  // spoils the line
    EXPECT_TRUE(std::isnan(line.curvature(10)));
}

// The deflection between two legs is the shorter way round, whichever side of north they lie;
// a half turn is left as it was given, and a turn of many laps comes back to its direction.
TEST(GeometryAngle, TurnsReducedToAHalfTurnEitherWay) {
    struct Case {
        double turn, reduced;
    };
    const Case kCases[] = {
        {0.3, 0.3},
        {-0.3, -0.3},
        {kPi, kPi},
        {-kPi, -kPi},
        {0.1 - (2 * kPi - 0.2), 0.3},   // legs on either side of north, right turn
        {(2 * kPi - 0.2) - 0.1, -0.3},  // the same legs the other way: left
        {kPi + 0.25, -kPi + 0.25},
        {-kPi - 0.25, kPi - 0.25},
        {6 * kPi + 0.5, 0.5},
        {-40 * kPi - 0.5, -0.5},
    };
    for (const Case& c : kCases) EXPECT_NEAR(reduced_turn(c.turn), c.reduced, 1e-12) << c.turn;
    // A turn between reduced azimuths comes back as exactly the turn the legs make.
    for (double a : {0.0, 0.1, 3.0, 6.2}) {
        for (double b : {0.05, 3.1, 3.2, 6.28}) {
            const double t = reduced_turn(b - a);
            EXPECT_LE(std::abs(t), kPi) << a << " " << b;
            EXPECT_NEAR(std::remainder(a + t - b, 2 * kPi), 0, 1e-14) << a << " " << b;
        }
    }
    // The drawing's angles are degrees, reduced by the same rule.
    const double kDegrees[][2] = {{-90, 270}, {725, 5}, {360, 0}, {-1e-20, 0}, {359.5, 359.5}};
    for (const auto& d : kDegrees) EXPECT_EQ(reduced_angle(d[0], 360), d[1]) << d[0];
    EXPECT_TRUE(std::isnan(reduced_turn(NAN)));
    EXPECT_FALSE(std::isfinite(reduced_turn(INFINITY)));
}

TEST(GeometryLine, AzimuthReducedAndBadDataGiveNaN) {
    const double kAzimuths[][2] = {
        {-1e-20, 0}, {2 * kPi, 0}, {-kPi / 2, 1.5 * kPi}, {1e4 * kPi + 1, 1}};
    for (const auto& a : kAzimuths) EXPECT_NEAR(reduced_azimuth(a[0]), a[1], 1e-11) << a[0];
    const double kRows[][3] = {{NAN, 0, 1}, {0, INFINITY, 1}, {0, 0, NAN}, {0, 0, -1}, {1, 1, 1e6}};
    for (const auto& row : kRows) {
        LocatedLine line = curves();
        line.append(row[0], row[1], row[2]);
        line.append(0, 0, 100);
        Point at;
        double azimuth = 0;
        line.locate(1100, at, azimuth);
        EXPECT_TRUE(std::isnan(at.x) && std::isnan(azimuth) && std::isnan(line.end_mileage()));
        line.reset(0, {1, 2}, 0);
        line.locate(3, at, azimuth);
        EXPECT_TRUE(at.x == 4 && at.y == 2 && azimuth == 0) << "a reset starts afresh";
        line.append({-1, {0, 0}, 0, 0, 0, 10});  // starts below the end
        line.locate(3, at, azimuth);
        EXPECT_TRUE(std::isnan(at.y) && std::isnan(line.end_point().x)) << row[2];
    }
}

}  // namespace
}  // namespace qelt
