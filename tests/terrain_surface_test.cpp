// The ground surface: heights inside triangles, on their edges and corners, none outside the
// triangles, the outer boundary or in a void; and the triangulation of scattered points against
// brute-force checks of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <random>

#include "terrain/delaunay.h"
#include "terrain/terrain.h"

namespace qelt {
namespace {

// A 100 m square of two triangles over a ground that rises 1 m in 10 m northwards and is
// folded along the diagonal (corner (100, 100) 5 m higher than the plane), so that each
// triangle gives its own height; a void of 10 m square near the north-west corner.
Terrain folded_square(Ring outer = {}, std::vector<Ring> voids = {}) {
    std::vector<TerrainPoint> points = {{0, 0, 100}, {100, 0, 110}, {100, 100, 115}, {0, 100, 100}};
    return Terrain(points, {{0, 1, 2}, {0, 2, 3}}, "test", std::move(outer), std::move(voids));
}

TEST(TerrainElevation, FromThePlaneOfTheTriangleThatHoldsThePoint) {
    struct Case {
        const char* where;
        double x, y;
        std::optional<double> z;
    };
    const Case cases[] = {
        // South-east triangle (0,0)-(100,0)-(100,100): z = 100 + 0.1·x + 0.05·y.
        {"inside the south-east face", 80, 20, 100 + 8 + 1},
        // North-west triangle (0,0)-(100,100)-(0,100): z = 100 + 0.15·x.
        {"inside the north-west face", 20, 80, 103},
        {"on the shared diagonal", 50, 50, 107.5},
        {"on the outer edge", 100, 40, 112},
        {"at a corner", 100, 100, 115},
        {"at the first corner", 0, 0, 100},
        {"just outside an edge", 100.001, 40, std::nullopt},
        {"outside the extent", -5, 50, std::nullopt},
    };
    const Terrain ground = folded_square();
    for (const Case& c : cases) {
        const std::optional<double> z = ground.elevation({c.x, c.y});
        ASSERT_EQ(z.has_value(), c.z.has_value()) << c.where;
        if (z) {
            EXPECT_NEAR(*z, *c.z, 1e-12) << c.where;
        }
    }
}

TEST(TerrainElevation, BoundaryAndVoidsLeaveNoGround) {
    const Ring outer = {{0, 0}, {100, 0}, {100, 100}, {10, 100}, {0, 90}};  // corner cut off
    const Ring void_ring = {{20, 20}, {40, 20}, {40, 40}, {20, 40}};
    const Terrain ground = folded_square(outer, {void_ring});
    struct Case {
        const char* where;
        double x, y;
        bool has_ground;
    };
    const Case cases[] = {
        {"inside, away from both", 80, 60, true},
        {"in the void", 30, 30, false},
        {"on the void's edge (surveyed around it)", 20, 30, true},
        {"in the corner the boundary cuts off", 2, 99, false},
        {"on the boundary", 5, 95, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ground.elevation({c.x, c.y}).has_value(), c.has_ground) << c.where;
}

// Survey coordinates as large as a Gauss-Krüger grid's, on a plane whose height the
// triangulated surface must give back at every point inside the hull, whatever triangle holds it.
TEST(TerrainDelaunay, PlaneSampledAtRandomPointsIsGivenBackInsideTheHullAndNothingOutside) {
    std::mt19937_64 random(27);
    std::uniform_real_distribution<double> across(0, 500);
    const double x0 = 3512000, y0 = 38497000, a = 0.031, b = -0.047, c = 312.5;
    const auto plane = [&](double x, double y) { return a * (x - x0) + b * (y - y0) + c; };
    std::vector<TerrainPoint> points;
    for (int i = 0; i < 400; ++i) {
        const double x = x0 + across(random), y = y0 + across(random);
        points.push_back({x, y, plane(x, y)});
    }
    const std::vector<TerrainFace> faces = delaunay_faces(points);
    ASSERT_FALSE(faces.empty());

    // Delaunay: no point strictly inside any triangle's circumcircle (relative to the centre,
    // so that the large coordinates cancel).
    for (const TerrainFace& f : faces) {
        const TerrainPoint &p = points[f[0]], &q = points[f[1]], &r = points[f[2]];
        const double bx = q.x - p.x, by = q.y - p.y, cx = r.x - p.x, cy = r.y - p.y;
        const double d = 2 * (bx * cy - by * cx);
        const double ux = (cy * (bx * bx + by * by) - by * (cx * cx + cy * cy)) / d;
        const double uy = (bx * (cx * cx + cy * cy) - cx * (bx * bx + by * by)) / d;
        const double radius = std::hypot(ux, uy);
        for (const TerrainPoint& s : points)
            ASSERT_GE(std::hypot(s.x - p.x - ux, s.y - p.y - uy), radius * (1 - 1e-9));
    }

    const Terrain ground(points, faces, "points");
    for (int i = 0; i < 2000; ++i) {
        const Point at{x0 - 20 + across(random) * 1.08, y0 - 20 + across(random) * 1.08};
        // Brute force: any triangle holding the point, by the signs of its three sub-areas.
        bool held = false;
        for (const TerrainFace& f : faces) {
            const TerrainPoint &p = points[f[0]], &q = points[f[1]], &r = points[f[2]];
            const auto side = [&](const TerrainPoint& u, const TerrainPoint& v) {
                return (v.x - u.x) * (at.y - u.y) - (v.y - u.y) * (at.x - u.x);
            };
            const double s1 = side(p, q), s2 = side(q, r), s3 = side(r, p);
            if ((s1 >= 0 && s2 >= 0 && s3 >= 0) || (s1 <= 0 && s2 <= 0 && s3 <= 0)) held = true;
        }
        const std::optional<double> z = ground.elevation(at);
        ASSERT_EQ(z.has_value(), held) << at.x << " " << at.y;
        if (z) {
            EXPECT_NEAR(*z, plane(at.x, at.y), 1e-9);
        }
    }
}

// A design model's regular grid, where three points in a line and four on a circle are the rule:
// every cell split in two, none left out and none covered twice (the triangles' areas, all
// positive, add up to the grid's), whatever the order the points come in.
TEST(TerrainDelaunay, RegularGridSplitsEveryCellInTwo) {
    constexpr int kSide = 30;
    constexpr double kStep = 10, x0 = 3512345.678, y0 = 512345.678;
    std::vector<TerrainPoint> points;
    for (int i = 0; i < kSide; ++i)
        for (int j = 0; j < kSide; ++j) points.push_back({x0 + kStep * i, y0 + kStep * j, 0});
    std::shuffle(points.begin(), points.end(), std::mt19937_64(3));
    const std::vector<TerrainFace> faces = delaunay_faces(points);
    ASSERT_EQ(faces.size(), 2u * (kSide - 1) * (kSide - 1));
    double area = 0;
    for (const TerrainFace& f : faces) {
        const TerrainPoint &p = points[f[0]], &q = points[f[1]], &r = points[f[2]];
        const double twice = std::fabs((q.x - p.x) * (r.y - p.y) - (q.y - p.y) * (r.x - p.x));
        EXPECT_NEAR(twice, kStep * kStep, 1e-6);
        area += twice / 2;
    }
    EXPECT_NEAR(area, std::pow(kStep * (kSide - 1), 2), 1e-4);
}

TEST(TerrainDelaunay, PointsInALineOrTooFewGiveNoSurface) {
    EXPECT_TRUE(delaunay_faces({{0, 0, 1}, {1, 1, 2}, {2, 2, 3}, {5, 5, 4}}).empty());
    EXPECT_TRUE(delaunay_faces({{0, 0, 1}, {1, 0, 2}}).empty());
}

}  // namespace
}  // namespace qelt
