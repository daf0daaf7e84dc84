// The grade line: worked parabolas (the textbook's symmetric curve, asymmetric ones worked by
// hand) in both turns, the circular curve against a circle constructed from the grades in the
// test, the ends of the line, and every refusal of the build.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "base/data_error.h"
#include "geometry/profile.h"

namespace qelt {
namespace {

using Kind = VerticalCurveKind;

// A grade point at mileage m, elevation z, with its curve: a parabola of radius a (or, a 0, of
// length b), an asymmetric parabola of lengths a in and b out, a circle of radius a.
GradePoint at(double m, double z, Kind kind = Kind::none, double a = 0, double b = 0) {
    GradePoint p{.mileage = m, .elevation = z, .curve = kind};
    if (kind == Kind::asymmetric) {
        p.length_in = a;
        p.length_out = b;
    } else {
        p.radius = a;
        p.length = b;
    }
    return p;
}

struct Row {
    double mileage, elevation, grade;
};

TEST(GradeLine, WorkedParabolas) {
    // The textbook case: grade point K5+030 at 427.68 m between +5 % and −4 %, R = 2000:
    // L = 180, T = 90, E = 2.025, the curve from K4+940 to K5+120; at K5+010 the tangent's
    // 426.68 less 70²/4000 = 1.225, at K5+080 the tangent's 425.68 less 40²/4000 = 0.4.
    const std::vector<Row> textbook = {
        {4900, 421.18, 0.05},   {4940, 423.18, 0.05},  {5010, 425.455, 0.015},
        {5030, 425.655, 0.005}, {5080, 425.28, -0.02}, {5120, 424.08, -0.04},
        {5200, 420.88, -0.04},
    };
    // The sag its mirror image: K5+010 = 427.68 + 1 + 1.225.
    const std::vector<Row> mirrored = {
        {4940, 432.18, -0.05},
        {5010, 429.905, -0.015},
        {5030, 429.705, -0.005},
        {5080, 430.08, 0.02},
    };
    // Asymmetric, L1 = 60, L2 = 100 between −3 % and +2 %: e = 60·100·0.05/(2·160) = 0.9375;
    // at 970 the tangent's 100.9 plus e·(30/60)², at 1050 the tangent's 101 plus e·(50/100)²;
    // the common tangent under the point −0.03 + 2e/60 = 0.02 − 2e/100 = 0.00125. Each
    // parabola's vertex radius L²/(2e): 3600/1.875 = 1920, 10000/1.875.
    const std::vector<Row> asymmetric = {
        {940, 101.8, -0.03},       {970, 101.134375, -0.014375},
        {1000, 100.9375, 0.00125}, {1050, 101.234375, 0.010625},
        {1100, 102, 0.02},
    };
    std::vector<Row> asymmetric_crest;
    for (const Row& r : asymmetric)
        asymmetric_crest.push_back({r.mileage, 200 - r.elevation, -r.grade});

    struct Elements {
        bool crest;
        double radius_in, radius_out, tangent_in, tangent_out, external, length, start, end;
    };
    const Elements textbook_curve = {true, 2000, 2000, 90, 90, 2.025, 180, 4940, 5120};
    const Elements asymmetric_curve = {false, 1920, 10000 / 1.875, 60, 100, 0.9375, 160, 940, 1100};
    const struct {
        const char* name;
        std::vector<GradePoint> points;
        const std::vector<Row>& rows;
        Elements curve;  // at the middle point
    } kCases[] = {
        // clang-format off
        {"crest by R", {at(4800, 416.18), at(5030, 427.68, Kind::parabola, 2000), at(5400, 412.88)},
         textbook, textbook_curve},
        {"crest by L", {at(4800, 416.18), at(5030, 427.68, Kind::parabola, 0, 180), at(5400, 412.88)},
         textbook, textbook_curve},
        {"sag by R", {at(4800, 439.18), at(5030, 427.68, Kind::parabola, 2000), at(5400, 442.48)},
         mirrored, {false, 2000, 2000, 90, 90, 2.025, 180, 4940, 5120}},
        {"asymmetric sag", {at(800, 106), at(1000, 100, Kind::asymmetric, 60, 100), at(1300, 106)},
         asymmetric, asymmetric_curve},
        {"asymmetric crest", {at(800, 94), at(1000, 100, Kind::asymmetric, 60, 100), at(1300, 94)},
         asymmetric_crest, {true, 1920, 10000 / 1.875, 60, 100, 0.9375, 160, 940, 1100}},
        // clang-format on
    };
    for (const auto& c : kCases) {
        const Profile profile = build_profile(c.points);
        for (const Row& r : c.rows) {
            EXPECT_NEAR(*profile.elevation(r.mileage), r.elevation, 1e-9)
                << c.name << " at " << r.mileage;
            EXPECT_NEAR(*profile.grade(r.mileage), r.grade, 1e-12) << c.name << " at " << r.mileage;
        }
        const VerticalCurve& v = profile.curves()[1];
        const Elements& e = c.curve;
        EXPECT_EQ(v.kind, c.points[1].curve) << c.name;
        EXPECT_EQ(v.crest(), e.crest) << c.name;
        EXPECT_EQ(v.sag(), !e.crest) << c.name;
        const double got[] = {v.radius_in, v.radius_out, v.tangent_in,    v.tangent_out,
                              v.external,  v.length,     v.start_mileage, v.end_mileage};
        const double want[] = {e.radius_in, e.radius_out, e.tangent_in, e.tangent_out,
                               e.external,  e.length,     e.start,      e.end};
        for (int i = 0; i < 8; ++i) EXPECT_NEAR(got[i], want[i], 1e-9) << c.name << " #" << i;
    }
}

// The circle of radius R tangent to both grades through a grade point, constructed as the
// point R from both grade lines on the side the grades turn to: the grade lines' unit normals
// n = (−i, 1)/√(1 + i²) (pointing up) give n1·(C − P) = n2·(C − P) = ±R, two linear equations
// for the centre C. The curve runs between the feet of C on the two grades.
struct Circle {
    long double centre_m, centre_z, radius, side;  // side +1: centre above (sag)
    long double foot_in_m, foot_in_z, foot_out_m, foot_out_z;
};

Circle circle_between(long double m, long double z, long double i1, long double i2, long double r) {
    const long double side = i2 > i1 ? 1 : -1;
    const long double s1 = std::sqrt(1 + i1 * i1), s2 = std::sqrt(1 + i2 * i2);
    const long double a1 = -i1 / s1, b1 = 1 / s1, a2 = -i2 / s2, b2 = 1 / s2;
    const long double det = a1 * b2 - a2 * b1, rhs = side * r;
    const long double dm = (rhs * b2 - rhs * b1) / det, dz = (a1 * rhs - a2 * rhs) / det;
    Circle c{m + dm, z + dz, r, side, 0, 0, 0, 0};
    c.foot_in_m = c.centre_m - rhs * a1;
    c.foot_in_z = c.centre_z - rhs * b1;
    c.foot_out_m = c.centre_m - rhs * a2;
    c.foot_out_z = c.centre_z - rhs * b2;
    return c;
}

TEST(GradeLine, CircleAgainstItsCentre) {
    // +3 % to −2 % (crest, R 5000), −2 % to +2.5 % (sag, R 4000), and +2.5 % to +2.35 % on a
    // radius of 10^5 m, where a careless formula loses its digits.
    const std::vector<GradePoint> points = {at(0, 100), at(400, 112, Kind::circle, 5000),
                                            at(900, 102, Kind::circle, 4000),
                                            at(1300, 112, Kind::circle, 100000), at(2500, 140.2)};
    const Profile profile = build_profile(points);
    std::vector<long double> grades;
    for (std::size_t k = 0; k + 1 < points.size(); ++k)
        grades.push_back((static_cast<long double>(points[k + 1].elevation) - points[k].elevation) /
                         (points[k + 1].mileage - points[k].mileage));
    std::vector<Circle> circles;
    for (std::size_t k = 1; k + 1 < points.size(); ++k) {
        const GradePoint& p = points[k];
        const Circle c = circle_between(p.mileage, p.elevation, grades[k - 1], grades[k], p.radius);
        circles.push_back(c);
        const VerticalCurve& v = profile.curves()[k];
        EXPECT_EQ(v.crest(), c.side < 0) << k;
        const double got[] = {v.start_mileage, v.end_mileage, v.tangent_in,
                              v.tangent_out,   v.external,    v.length};
        const long double want[] = {
            c.foot_in_m,
            c.foot_out_m,
            std::hypot(p.mileage - c.foot_in_m, p.elevation - c.foot_in_z),
            std::hypot(c.foot_out_m - p.mileage, c.foot_out_z - p.elevation),
            std::hypot(c.centre_m - p.mileage, c.centre_z - p.elevation) - c.radius,
            c.foot_out_m - c.foot_in_m};
        for (int i = 0; i < 6; ++i)
            EXPECT_NEAR(got[i], static_cast<double>(want[i]), 1e-9) << k << " #" << i;
    }
    double worst = 0;
    for (double m = 0; m <= 2500; m += 0.5) {
        std::size_t k = 0;  // the grade the mileage lies on, where no circle takes over
        while (k + 2 < points.size() && m >= points[k + 1].mileage) ++k;
        long double z = points[k].elevation + grades[k] * (m - points[k].mileage), g = grades[k];
        for (const Circle& c : circles)
            if (m > c.foot_in_m && m < c.foot_out_m) {
                const long double d = m - c.centre_m;
                const long double h = std::sqrt(c.radius * c.radius - d * d);
                z = c.centre_z - c.side * h;
                g = c.side * d / h;
            }
        worst = std::max(worst, static_cast<double>(std::fabs(*profile.elevation(m) - z)));
        EXPECT_NEAR(*profile.grade(m), static_cast<double>(g), 1e-12) << m;
    }
    EXPECT_LT(worst, 1e-9);
}

TEST(GradeLine, EndsAndGradePoints) {
    const Profile profile =
        build_profile({at(100, 50), at(300, 54), at(500, 50, Kind::parabola, 1000), at(700, 54)});
    EXPECT_EQ(profile.start_mileage(), 100);
    EXPECT_EQ(profile.end_mileage(), 700);
    EXPECT_EQ(profile.grade_length(1), 200);
    EXPECT_DOUBLE_EQ(profile.grade_after(1), -0.02);
    EXPECT_EQ(profile.curves()[0].kind, Kind::none);
    EXPECT_EQ(profile.curves()[3].kind, Kind::none);
    // Outside the grade line there is no elevation, nor for no mileage at all.
    for (double m : {99.999, 700.001, -1e300, std::nan(""), HUGE_VAL}) {
        EXPECT_FALSE(profile.elevation(m)) << m;
        EXPECT_FALSE(profile.grade(m)) << m;
    }
    // Both ends belong to it; a grade point without a curve takes the grade after it, the last
    // one the grade before it.
    const Row rows[] = {{100, 50, 0.02}, {300, 54, -0.02}, {699.5, 53.99, 0.02}, {700, 54, 0.02}};
    for (const Row& r : rows) {
        EXPECT_NEAR(*profile.elevation(r.mileage), r.elevation, 1e-12) << r.mileage;
        EXPECT_NEAR(*profile.grade(r.mileage), r.grade, 1e-15) << r.mileage;
    }
    // Where the grade does not change there is nothing to round, whatever curve is given.
    for (Kind kind : {Kind::parabola, Kind::circle}) {
        const Profile straight = build_profile({at(0, 0), at(100, 1, kind, 2000), at(200, 2)});
        EXPECT_EQ(straight.curves()[1].kind, Kind::none);
        EXPECT_EQ(straight.curves()[1].start_mileage, 100);
    }
}

TEST(GradeLine, Refusals) {
    // Grade points named by station and line; `file` travels in the error.
    const auto named = [](GradePoint p, std::string station, long line) {
        p.station = std::move(station);
        p.line = line;
        return p;
    };
    const GradePoint a = named(at(0, 100), "K0+000", 2), b = named(at(200, 104), "K0+200", 3),
                     c = named(at(400, 100), "K0+400", 4), d = named(at(600, 104), "K0+600", 5);
    const auto with = [&](const GradePoint& p, Kind kind, double x, double y = 0) {
        return named(at(p.mileage, p.elevation, kind, x, y), p.station, p.line);
    };
    const auto parabola = [&](const GradePoint& p, double r) { return with(p, Kind::parabola, r); };
    // At b and c the grade turns by 4 %: R 5000 gives T = 100, so that the two curves touch at
    // K0+300 exactly.
    const struct {
        const char* name;
        std::vector<GradePoint> points;
        long line;                       // 0: accepted
        std::vector<std::string> texts;  // in the message
    } kCases[] = {
        // clang-format off
        {"one point", {a}, 2, {"至少需要起点和终点两个变坡点，实有 1 个"}},
        {"no elevation", {a, named(at(200, std::nan("")), "K0+200", 3)}, 3, {"K0+200", "高程不是有限的数"}},
        {"no mileage", {a, named(at(HUGE_VAL, 1), "K9+999", 3)}, 3, {"K9+999", "里程不是有限的数"}},
        {"same place", {a, b, named(at(200, 101), "BK0+200", 4)}, 4,
         {"变坡点 BK0+200（第 4 行）不在变坡点 K0+200（第 3 行）之后"}},
        {"backwards", {a, b, named(at(150, 101), "K0+150", 4)}, 4, {"K0+150", "K0+200", "先后顺序"}},
        {"curve at the start", {parabola(a, 3000), b, c}, 2, {"起点，不能设竖曲线"}},
        {"curve at the end", {a, b, with(c, Kind::circle, 3000)}, 4, {"终点，不能设竖曲线"}},
        {"nothing given", {a, parabola(b, 0), c}, 3, {"竖曲线长度 L 0 不大于 0"}},
        {"negative radius", {a, parabola(b, -2000), c}, 3,
         {"K0+200", "竖曲线半径 R -2000 不大于 0", "凸、凹由前后纵坡而定"}},
        {"length in 0", {a, with(b, Kind::asymmetric, 0, 50), c}, 3, {"L1 0 不大于 0"}},
        {"length out NaN", {a, with(b, Kind::asymmetric, 50, std::nan("")), c}, 3, {"L2不是有限的数"}},
        {"circle radius 0", {a, with(b, Kind::circle, 0), c}, 3, {"圆形竖曲线半径 R 0"}},
        {"touching", {a, parabola(b, 5000), parabola(c, 5000), d}, 0, {}},
        // T = 100.0005: half a millimetre of rounding.
        {"touching, rounded", {a, parabola(b, 5000), parabola(c, 5000.025), d}, 0, {}},
        // T = 100.002: two millimetres.
        {"overlapping", {a, parabola(b, 5000), parabola(c, 5000.1), d}, 4,
         {"变坡点 K0+200（第 3 行）与变坡点 K0+400（第 4 行）的竖曲线重叠 0.002 米",
          "其后 100.000 米", "其前 100.002 米", "相距 200.000 米"}},
        {"past the point before", {a, parabola(named(at(50, 101), "K0+050", 3), 5000),
                                   named(at(400, 94), "K0+400", 4)}, 3,
         {"变坡点 K0+050（第 3 行）的竖曲线起于其前 100.000 米，越过了变坡点 K0+000（第 2 行）"}},
        {"past the point after", {a, parabola(named(at(300, 106), "K0+300", 3), 5000),
                                  named(at(350, 105), "K0+350", 4), named(at(500, 108), "K0+500", 5)}, 3,
         {"变坡点 K0+300（第 3 行）的竖曲线止于其后 100.000 米，越过了变坡点 K0+350（第 4 行）"}},
        {"past the point after, asymmetric", {a, with(b, Kind::asymmetric, 100, 200.01), c}, 3,
         {"K0+200", "K0+400", "越过"}},
        // clang-format on
    };
    for (const auto& k : kCases) {
        try {
            const Profile profile = build_profile(k.points, "zdm.txt");
            EXPECT_EQ(k.line, 0) << k.name << ": accepted";
            EXPECT_TRUE(profile.elevation(300)) << k.name;
        } catch (const DataError& e) {
            EXPECT_EQ(e.line(), k.line) << k.name << ": " << e.what();
            EXPECT_EQ(e.file(), "zdm.txt") << k.name;
            for (const std::string& text : k.texts)
                EXPECT_NE(std::string(e.what()).find(text), std::string::npos)
                    << k.name << ": " << e.what();
        }
    }
}

}  // namespace
}  // namespace qelt
