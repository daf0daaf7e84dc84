// The grade line: worked parabolas (the textbook's symmetric curve, asymmetric ones worked by
// hand) in both turns, the circular curve against a circle constructed from the grades in the
// test, the ends of the line, and every refusal and notice of the build.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "base/data_error.h"
#include "geometry/profile.h"

namespace qelt {
namespace {

using Kind = VerticalCurveKind;

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
    // the common tangent under the point −0.03 + 2e/60 = 0.02 − 2e/100 = 0.00125.
    const std::vector<Row> asymmetric = {
        {940, 101.8, -0.03},       {970, 101.134375, -0.014375},
        {1000, 100.9375, 0.00125}, {1050, 101.234375, 0.010625},
        {1100, 102, 0.02},
    };
    std::vector<Row> asymmetric_crest;
    for (const Row& r : asymmetric)
        asymmetric_crest.push_back({r.mileage, 200 - r.elevation, -r.grade});

    const struct {
        const char* name;
        std::vector<GradePoint> points;
        const std::vector<Row>& rows;
    } kCases[] = {
        {"crest by R",
         {{.mileage = 4800, .elevation = 416.18},
          {.mileage = 5030, .elevation = 427.68, .curve = Kind::parabola, .radius = 2000},
          {.mileage = 5400, .elevation = 412.88}},
         textbook},
        {"crest by L",
         {{.mileage = 4800, .elevation = 416.18},
          {.mileage = 5030, .elevation = 427.68, .curve = Kind::parabola, .length = 180},
          {.mileage = 5400, .elevation = 412.88}},
         textbook},
        {"sag by R",
         {{.mileage = 4800, .elevation = 439.18},
          {.mileage = 5030, .elevation = 427.68, .curve = Kind::parabola, .radius = 2000},
          {.mileage = 5400, .elevation = 442.48}},
         mirrored},
        {"asymmetric sag",
         {{.mileage = 800, .elevation = 106},
          {.mileage = 1000,
           .elevation = 100,
           .curve = Kind::asymmetric,
           .length_in = 60,
           .length_out = 100},
          {.mileage = 1300, .elevation = 106}},
         asymmetric},
        {"asymmetric crest",
         {{.mileage = 800, .elevation = 94},
          {.mileage = 1000,
           .elevation = 100,
           .curve = Kind::asymmetric,
           .length_in = 60,
           .length_out = 100},
          {.mileage = 1300, .elevation = 94}},
         asymmetric_crest},
    };
    for (const auto& c : kCases) {
        const Profile profile = build_profile(c.points);
        for (const Row& r : c.rows) {
            EXPECT_NEAR(*profile.elevation(r.mileage), r.elevation, 1e-9)
                << c.name << " at " << r.mileage;
            EXPECT_NEAR(*profile.grade(r.mileage), r.grade, 1e-12) << c.name << " at " << r.mileage;
        }
    }
}

TEST(GradeLine, CurveElements) {
    const struct {
        const char* name;
        GradePoint point;
        double i1, i2;  // the grades either side, made by the points 500 m before and after
        bool crest;
        double radius_in, radius_out, tangent_in, tangent_out, external, length, start, end;
    } kCases[] = {
        // clang-format off
        {"textbook crest",
         {.mileage = 5030, .elevation = 427.68, .curve = Kind::parabola, .radius = 2000},
         0.05, -0.04, true, 2000, 2000, 90, 90, 2.025, 180, 4940, 5120},
        {"by length, sag",
         {.mileage = 5030, .elevation = 427.68, .curve = Kind::parabola, .length = 180},
         -0.05, 0.04, false, 2000, 2000, 90, 90, 2.025, 180, 4940, 5120},
        // e = 0.9375; each parabola's vertex radius L²/(2e): 3600/1.875, 10000/1.875.
        {"asymmetric sag",
         {.mileage = 1000, .elevation = 100, .curve = Kind::asymmetric, .length_in = 60,
          .length_out = 100},
         -0.03, 0.02, false, 1920, 10000 / 1.875, 60, 100, 0.9375, 160, 940, 1100},
        // clang-format on
    };
    for (const auto& c : kCases) {
        const GradePoint& p = c.point;
        const Profile profile =
            build_profile({{.mileage = p.mileage - 500, .elevation = p.elevation - 500 * c.i1},
                           p,
                           {.mileage = p.mileage + 500, .elevation = p.elevation + 500 * c.i2}});
        const VerticalCurve& v = profile.curves()[1];
        EXPECT_EQ(v.kind, p.curve) << c.name;
        EXPECT_EQ(v.crest(), c.crest) << c.name;
        EXPECT_EQ(v.sag(), !c.crest) << c.name;
        EXPECT_NEAR(v.radius_in, c.radius_in, 1e-9) << c.name;
        EXPECT_NEAR(v.radius_out, c.radius_out, 1e-9) << c.name;
        EXPECT_NEAR(v.tangent_in, c.tangent_in, 1e-9) << c.name;
        EXPECT_NEAR(v.tangent_out, c.tangent_out, 1e-9) << c.name;
        EXPECT_NEAR(v.external, c.external, 1e-9) << c.name;
        EXPECT_NEAR(v.length, c.length, 1e-9) << c.name;
        EXPECT_NEAR(v.start_mileage, c.start, 1e-9) << c.name;
        EXPECT_NEAR(v.end_mileage, c.end, 1e-9) << c.name;
        // The end points carry none, and where the grades do not change there is nothing to
        // round.
        EXPECT_EQ(profile.curves()[0].kind, Kind::none);
        EXPECT_EQ(profile.curves()[2].kind, Kind::none);
        const Profile straight =
            build_profile({{.mileage = p.mileage - 500, .elevation = p.elevation - 500 * c.i1},
                           p,
                           {.mileage = p.mileage + 500, .elevation = p.elevation + 500 * c.i1}});
        EXPECT_EQ(straight.curves()[1].kind, Kind::none) << c.name;
        EXPECT_EQ(straight.curves()[1].start_mileage, p.mileage) << c.name;
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
    const std::vector<GradePoint> points = {
        {.mileage = 0, .elevation = 100},
        {.mileage = 400, .elevation = 112, .curve = Kind::circle, .radius = 5000},
        {.mileage = 900, .elevation = 102, .curve = Kind::circle, .radius = 4000},
        {.mileage = 1300, .elevation = 112, .curve = Kind::circle, .radius = 100000},
        {.mileage = 2500, .elevation = 140.2},
    };
    const Profile profile = build_profile(points);
    std::vector<long double> grades;
    for (std::size_t k = 0; k + 1 < points.size(); ++k)
        grades.push_back((static_cast<long double>(points[k + 1].elevation) - points[k].elevation) /
                         (points[k + 1].mileage - points[k].mileage));
    std::vector<Circle> circles;
    for (std::size_t k = 1; k + 1 < points.size(); ++k) {
        const Circle c = circle_between(points[k].mileage, points[k].elevation, grades[k - 1],
                                        grades[k], points[k].radius);
        circles.push_back(c);
        const VerticalCurve& v = profile.curves()[k];
        EXPECT_EQ(v.crest(), c.side < 0) << k;
        EXPECT_NEAR(v.start_mileage, c.foot_in_m, 1e-9) << k;
        EXPECT_NEAR(v.end_mileage, c.foot_out_m, 1e-9) << k;
        EXPECT_NEAR(v.tangent_in,
                    std::hypot(points[k].mileage - c.foot_in_m, points[k].elevation - c.foot_in_z),
                    1e-9)
            << k;
        EXPECT_NEAR(
            v.tangent_out,
            std::hypot(c.foot_out_m - points[k].mileage, c.foot_out_z - points[k].elevation), 1e-9)
            << k;
        EXPECT_NEAR(
            v.external,
            std::hypot(c.centre_m - points[k].mileage, c.centre_z - points[k].elevation) - c.radius,
            1e-9)
            << k;
        EXPECT_NEAR(v.length, c.foot_out_m - c.foot_in_m, 1e-9) << k;
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
    const Profile profile = build_profile({
        {.mileage = 100, .elevation = 50},
        {.mileage = 300, .elevation = 54},
        {.mileage = 500, .elevation = 50, .curve = Kind::parabola, .radius = 1000},
        {.mileage = 700, .elevation = 54},
    });
    EXPECT_EQ(profile.start_mileage(), 100);
    EXPECT_EQ(profile.end_mileage(), 700);
    EXPECT_EQ(profile.grade_length(1), 200);
    EXPECT_DOUBLE_EQ(profile.grade_after(1), -0.02);
    // Outside the grade line there is no elevation, nor for no mileage at all.
    for (double m : {99.999, 700.001, -1e300, std::nan(""), HUGE_VAL}) {
        EXPECT_FALSE(profile.elevation(m)) << m;
        EXPECT_FALSE(profile.grade(m)) << m;
    }
    // Both ends belong to it; a grade point without a curve takes the grade after it, the last
    // one the grade before it.
    const Row rows[] = {
        {100, 50, 0.02},
        {300, 54, -0.02},
        {699.5, 53.99, 0.02},
        {700, 54, 0.02},
    };
    for (const Row& r : rows) {
        EXPECT_NEAR(*profile.elevation(r.mileage), r.elevation, 1e-12) << r.mileage;
        EXPECT_NEAR(*profile.grade(r.mileage), r.grade, 1e-15) << r.mileage;
    }
}

TEST(GradeLine, Refusals) {
    // Grade points are named by station and line; `file` travels in the error.
    const auto at = [](double m, double z, const char* station, long line) {
        return GradePoint{.mileage = m, .elevation = z, .station = station, .line = line};
    };
    const auto curve = [](GradePoint p, Kind kind, double r, double l1 = 0, double l2 = 0) {
        p.curve = kind;
        p.radius = r;
        p.length_in = l1;
        p.length_out = l2;
        return p;
    };
    const GradePoint a = at(0, 100, "K0+000", 2), b = at(200, 104, "K0+200", 3),
                     c = at(400, 100, "K0+400", 4), d = at(600, 104, "K0+600", 5);
    // At b and c the grade turns by 4 %: R 5000 gives T = 100, so that the two curves touch at
    // K0+300 exactly.
    const struct {
        const char* name;
        std::vector<GradePoint> points;
        long line;                       // 0: accepted
        std::vector<std::string> texts;  // in the message
    } kCases[] = {
        {"one point", {a}, 2, {"至少需要起点和终点两个变坡点，实有 1 个"}},
        {"no elevation",
         {a, at(200, std::nan(""), "K0+200", 3)},
         3,
         {"K0+200", "高程不是有限的数"}},
        {"no mileage", {a, at(HUGE_VAL, 1, "K9+999", 3)}, 3, {"K9+999", "里程不是有限的数"}},
        {"same place",
         {a, b, at(200, 101, "BK0+200", 4)},
         4,
         {"变坡点 BK0+200（第 4 行）不在变坡点 K0+200（第 3 行）之后"}},
        {"backwards", {a, b, at(150, 101, "K0+150", 4)}, 4, {"K0+150", "K0+200", "先后顺序"}},
        {"curve at the start", {curve(a, Kind::parabola, 3000), b, c}, 2, {"起点，不能设竖曲线"}},
        {"curve at the end", {a, b, curve(c, Kind::circle, 3000)}, 4, {"终点，不能设竖曲线"}},
        {"radius 0", {a, curve(b, Kind::parabola, 0), c}, 3, {"竖曲线长度 L 0 不大于 0"}},
        {"negative radius",
         {a, curve(b, Kind::parabola, -2000), c},
         3,
         {"K0+200", "竖曲线半径 R -2000 不大于 0", "凸、凹由前后纵坡而定"}},
        {"length in 0", {a, curve(b, Kind::asymmetric, 0, 0, 50), c}, 3, {"L1 0 不大于 0"}},
        {"length out NaN",
         {a, curve(b, Kind::asymmetric, 0, 50, std::nan("")), c},
         3,
         {"L2不是有限的数"}},
        {"circle radius 0", {a, curve(b, Kind::circle, 0), c}, 3, {"圆形竖曲线半径 R 0"}},
        {"touching", {a, curve(b, Kind::parabola, 5000), curve(c, Kind::parabola, 5000), d}, 0, {}},
        // T = 100.0005: half a millimetre of rounding.
        {"touching, rounded",
         {a, curve(b, Kind::parabola, 5000), curve(c, Kind::parabola, 5000.025), d},
         0,
         {}},
        // T = 100.002: two millimetres.
        {"overlapping",
         {a, curve(b, Kind::parabola, 5000), curve(c, Kind::parabola, 5000.1), d},
         4,
         {"变坡点 K0+200（第 3 行）与变坡点 K0+400（第 4 行）的竖曲线重叠 0.002 米",
          "其后 100.000 米", "其前 100.002 米", "相距 200.000 米"}},
        {"past the point before",
         {a, curve(at(50, 101, "K0+050", 3), Kind::parabola, 5000), at(400, 94, "K0+400", 4)},
         3,
         {"变坡点 K0+050（第 3 行）的竖曲线起于其前 100.000 米，越过了变坡点 K0+000（第 2 行）"}},
        {"past the point after",
         {a, curve(at(300, 106, "K0+300", 3), Kind::parabola, 5000), at(350, 105, "K0+350", 4),
          at(500, 108, "K0+500", 5)},
         3,
         {"变坡点 K0+300（第 3 行）的竖曲线止于其后 100.000 米，越过了变坡点 K0+350（第 4 行）"}},
        {"past the point after, asymmetric",
         {a, curve(b, Kind::asymmetric, 0, 100, 200.01), c},
         3,
         {"K0+200", "K0+400", "越过"}},
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

TEST(GradeLine, SteepGradeNoticed) {
    const struct {
        double rise;  // metres over the 100 m between the two points
        const char* notice;
    } kCases[] = {
        {15, nullptr},
        {-15, nullptr},
        {15.001, "变坡点 K1+000（第 2 行）至变坡点 K1+100（第 3 行）的纵坡为 +15.001%，陡于 15%"},
        {-42.68, "的纵坡为 -42.680%，陡于 15%"},
    };
    for (const auto& c : kCases) {
        const Profile profile = build_profile(
            {{.mileage = 1000, .elevation = 100, .station = "K1+000", .line = 2},
             {.mileage = 1100, .elevation = 100 + c.rise, .station = "K1+100", .line = 3}});
        if (!c.notice) {
            EXPECT_TRUE(profile.notices.empty()) << c.rise;
            continue;
        }
        ASSERT_EQ(profile.notices.size(), 1u) << c.rise;
        EXPECT_NE(profile.notices[0].find(c.notice), std::string::npos) << profile.notices[0];
        // Built as given all the same.
        EXPECT_NEAR(*profile.elevation(1100), 100 + c.rise, 1e-12);
    }
}

}  // namespace
}  // namespace qelt
