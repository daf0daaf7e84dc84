// The point and tangent at a mileage: worked points of the reference curve, the boundaries
// between cases, and an independent check against the line's curvature profile integrated
// numerically for random alignments.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

#include "clothoid_series.h"
#include "curvature_profile.h"
#include "zxbas/zxbas.h"

namespace qelt {
namespace {

const double kPi = std::numbers::pi;

double azimuth_gap(double a, double b) {
    return std::abs(std::remainder(a - b, 2 * kPi));
}

using test::Located;
using test::Profile;

Located locate(const MainLine& m, double p) {
    Located l{};
    zx_locate(m, p, l.x, l.y, l.azimuth);
    return l;
}

// Builds a line through the given JDs with the same curve (R, Ls1, Ls2) at every interior JD.
std::unique_ptr<MainLine> line(std::vector<Point> jds, double r, double ls1, double ls2) {
    auto m = std::make_unique<MainLine>();
    m->jd_count = static_cast<int>(jds.size());
    for (std::size_t i = 0; i < jds.size(); ++i) {
        m->jd_x[i + 1] = jds[i].x;
        m->jd_y[i + 1] = jds[i].y;
        m->jd_r[i + 1] = r;
        m->jd_ls1[i + 1] = ls1;
        m->jd_ls2[i + 1] = ls2;
    }
    zx_build(*m);
    return m;
}

std::unique_ptr<MainLine> reference() {
    return line({{0, 0}, {1000, 0}, {1866.025404, 500}}, 500, 100, 100);
}

// The profile of a built line, from its JD 1, the heading the line starts with and, per curve,
// the side of the turn, |R|, |Ls1|, |Ls2|, the end radii and the key stations.
Profile profile(const MainLine& m, double start_heading) {
    std::vector<test::Piece> pieces;
    const int n = static_cast<int>(m.jd_count);
    double at = m.jd_station[1];
    for (int k = 2; k <= n - 1; ++k) {
        const double s = m.zx_defl[k] > 0 ? 1 : -1;
        const double kr = s / std::abs(m.jd_r[k]);
        const double k1 = m.jd_r1[k] != 0 ? s / std::abs(m.jd_r1[k]) : 0;
        const double k2 = m.jd_r2[k] != 0 ? s / std::abs(m.jd_r2[k]) : 0;
        const double ls1 = std::abs(m.jd_ls1[k]), ls2 = std::abs(m.jd_ls2[k]);
        const double zh = m.zx_zh[k], hz = m.zx_hz[k];
        pieces.push_back({at, zh - at, 0, 0});
        pieces.push_back({zh, ls1, k1, kr});
        pieces.push_back({zh + ls1, hz - zh - ls1 - ls2, kr, kr});
        pieces.push_back({hz - ls2, ls2, kr, k2});
        at = hz;
    }
    pieces.push_back({at, m.jd_station[n] - at, 0, 0});
    return Profile(m.jd_station[1], {m.jd_x[1], m.jd_y[1]}, start_heading, pieces);
}

// Every key point, a spread of stations along the line and both extensions agree with the
// integrated profile; the profile itself must end on the last JD and pass the key points the
// build placed.
void expect_matches_profile(const MainLine& m, double start_heading, std::mt19937_64& rng,
                            const char* what, double tolerance = 1e-9) {
    const Profile model = profile(m, start_heading);
    const int n = static_cast<int>(m.jd_count);
    std::vector<double> stations = {m.jd_station[1], m.jd_station[1] - 25, m.jd_station[n],
                                    m.jd_station[n] + 40};
    for (int k = 2; k <= n - 1; ++k) {
        for (double p : {m.zx_zh[k], m.zx_hy[k], m.zx_yh[k], m.zx_hz[k]}) stations.push_back(p);
        const Located zh = model.at(m.zx_zh[k]), hy = model.at(m.zx_hy[k]);
        const Located hz = model.at(m.zx_hz[k]);
        EXPECT_NEAR(zh.x, m.zx_zh_x[k], tolerance) << what << " ZH " << k;
        EXPECT_NEAR(zh.y, m.zx_zh_y[k], tolerance) << what << " ZH " << k;
        EXPECT_NEAR(hy.x, m.zx_hy_x[k], tolerance) << what << " HY " << k;
        EXPECT_NEAR(hy.y, m.zx_hy_y[k], tolerance) << what << " HY " << k;
        EXPECT_NEAR(hz.x, m.zx_hz_x[k], tolerance) << what << " HZ " << k;
        EXPECT_NEAR(hz.y, m.zx_hz_y[k], tolerance) << what << " HZ " << k;
    }
    std::uniform_real_distribution<double> along(m.jd_station[1], m.jd_station[n]);
    for (int j = 0; j < 40; ++j) stations.push_back(along(rng));

    const Located end = model.at(m.jd_station[n]);
    EXPECT_NEAR(end.x, m.jd_x[n], tolerance) << what << ": the profile misses the last JD";
    EXPECT_NEAR(end.y, m.jd_y[n], tolerance) << what << ": the profile misses the last JD";
    for (double p : stations) {
        const Located want = model.at(p), got = locate(m, p);
        EXPECT_NEAR(got.x, want.x, tolerance) << what << ", p = " << p;
        EXPECT_NEAR(got.y, want.y, tolerance) << what << ", p = " << p;
        EXPECT_LT(azimuth_gap(got.azimuth, want.azimuth), 1e-9) << what << ", p = " << p;
        EXPECT_TRUE(got.azimuth >= 0 && got.azimuth < 2 * kPi) << what << ", p = " << p;
    }
}

double uniform(std::mt19937_64& rng, double a, double b) {
    return std::uniform_real_distribution<double>(a, b)(rng);
}

// A random sound alignment far from the origin: deflections of 10°–120° to either side,
// complete and incomplete transitions (from or to a flatter curve than the arc), and legs
// long enough that no two curves overlap. Returns null when the draw happens to overlap.
std::unique_ptr<MainLine> random_line(std::mt19937_64& rng, double& start_heading, bool far) {
    auto m = std::make_unique<MainLine>();
    const int n = 3 + static_cast<int>(rng() % 6);
    m->jd_count = n;
    m->jd_start_station = uniform(rng, 0, 50000);
    std::vector<double> defl(n + 1, 0.0), reach(n + 1, 0.0);
    for (int k = 2; k <= n - 1; ++k) {
        const double d = uniform(rng, 10, 120) * kPi / 180 * (rng() % 2 ? 1 : -1);
        const double r = uniform(rng, 150, 1500);
        auto end_radius = [&] {
            const auto kind = rng() % 4;
            // Complete, or from a flatter or a sharper curve with radius ratios 0.5 .. 0.999:
            // the closer the radii, the farther the transition's zero-curvature point lies.
            if (kind < 2) return 0.0;
            const double ratio = uniform(rng, 0.5, 0.999);
            return kind == 2 ? r / ratio : r * ratio;
        };
        double ls1 = rng() % 5 == 0 ? 0 : uniform(rng, 30, 250);
        double ls2 = rng() % 5 == 0 ? 0 : uniform(rng, 30, 250);
        const double r1 = ls1 > 0 ? end_radius() : 0, r2 = ls2 > 0 ? end_radius() : 0;
        // The transitions alone must not turn further than the JD does.
        const double turn =
            ls1 * (1 / r + (r1 ? 1 / r1 : 0)) / 2 + ls2 * (1 / r + (r2 ? 1 / r2 : 0)) / 2;
        if (turn > 0.8 * std::abs(d)) {
            ls1 *= 0.8 * std::abs(d) / turn;
            ls2 *= 0.8 * std::abs(d) / turn;
        }
        m->jd_r[k] = r;
        m->jd_ls1[k] = ls1;
        m->jd_ls2[k] = ls2;
        m->jd_r1[k] = r1;
        m->jd_r2[k] = r2;
        defl[k] = d;
        reach[k] = (r + ls1 + ls2) * std::tan(std::abs(d) / 2) + ls1 + ls2;
    }
    start_heading = uniform(rng, 0, 2 * kPi);
    double heading = start_heading;
    m->jd_x[1] = (far ? 3.5e6 : 0) + uniform(rng, 0, 1e4);
    m->jd_y[1] = (far ? 5e5 : 0) + uniform(rng, 0, 1e4);
    for (int k = 1; k <= n - 1; ++k) {
        const double leg = reach[k] + reach[k + 1] + uniform(rng, 10, 400);
        m->jd_x[k + 1] = m->jd_x[k] + leg * std::cos(heading);
        m->jd_y[k + 1] = m->jd_y[k] + leg * std::sin(heading);
        heading += defl[k + 1];
    }
    zx_build(*m);
    bool sound = m->zx_zh[2] >= m->jd_station[1] && m->zx_hz[n - 1] <= m->jd_station[n];
    for (int k = 2; k <= n - 1; ++k) {
        sound = sound && m->zx_zh[k] <= m->zx_hy[k] && m->zx_hy[k] <= m->zx_yh[k] &&
                m->zx_yh[k] <= m->zx_hz[k] && (k == n - 1 || m->zx_hz[k] <= m->zx_zh[k + 1]);
    }
    return sound ? std::move(m) : nullptr;
}

TEST(ZxLocate, AgreesWithIntegratedCurvature) {
    std::mt19937_64 rng(20240611);
    int checked = 0;
    for (int attempt = 0; attempt < 150; ++attempt) {
        double heading = 0;
        // Far from the origin, as a survey grid puts a road, coordinates keep about 1e-9 m of
        // their own; near it the line must agree with the integral to 1e-9 m.
        const bool far = attempt % 2 == 1;
        auto m = random_line(rng, heading, far);
        if (!m) continue;
        ++checked;
        const std::string what = "line " + std::to_string(attempt);
        expect_matches_profile(*m, heading, rng, what.c_str(), far ? 1e-6 : 1e-9);
        if (HasFailure()) return;
    }
    EXPECT_GT(checked, 120);
}

// Incomplete transitions whose radii are close, or that ease from a sharper curve into the arc
// (an egg-shaped compound curve): once refused or misplaced, now ordinary geometry.
TEST(ZxLocate, TransitionsBetweenAnyRadiiCompute) {
    struct Variant {
        const char* name;
        double r, r1, r2, ls1, ls2;
    };
    const Variant kVariants[] = {
        {"R1 1010 into R 1000", 1000, 1010, 0, 100, 100},
        {"R 1000 out to R2 1010", 1000, 0, 1010, 100, 100},
        {"R1 a rounding away from R", 500, std::nextafter(500.0, 1e3), 0, 100, 100},
        {"from a sharper curve", 500, 300, 0, 100, 100},
        {"to a sharper curve", 500, 0, 400, 120, 80},
        {"both ends close", 800, 801, 799, 150, 150},
    };
    std::mt19937_64 rng(11);
    for (const Variant& v : kVariants) {
        auto m =
            line({{0, 0}, {1000, 0}, {1866.025404, 500}, {1866.025404, 1500}}, v.r, v.ls1, v.ls2);
        m->jd_r1[2] = m->jd_r1[3] = v.r1;
        m->jd_r2[2] = m->jd_r2[3] = v.r2;
        ASSERT_NO_THROW(zx_build(*m)) << v.name;
        expect_matches_profile(*m, 0, rng, v.name);
    }
}

// The 200° hairpin and its variants: incomplete and unequal transitions (where the sign of
// the distance matters), a left-hand hairpin and an incoming leg that keeps its direction.
TEST(ZxLocate, HairpinAgreesWithIntegratedCurvature) {
    struct Variant {
        const char* name;
        double jd1_x, jd3_y, r1, r2, ls1, ls2, keep_in;
    };
    const Variant kVariants[] = {
        {"plain", 0, 34.202014, 0, 0, 40, 40, 0},
        {"incomplete", 0, 34.202014, 120, 150, 40, 25, 0},
        {"left hand", 0, -34.202014, 0, 90, 30, 40, 0},
        {"incoming leg kept", -400, 34.202014, 0, 0, 40, 40, 1},
    };
    std::mt19937_64 rng(7);
    for (const Variant& v : kVariants) {
        auto m = std::make_unique<MainLine>();
        m->jd_count = 3;
        m->jd_x[1] = v.jd1_x;
        m->jd_x[2] = -200;
        m->jd_x[3] = -106.030738;
        m->jd_y[3] = v.jd3_y;
        m->jd_r[2] = 60;
        m->jd_r1[2] = v.r1;
        m->jd_r2[2] = v.r2;
        m->jd_ls1[2] = v.ls1;
        m->jd_ls2[2] = v.ls2;
        m->jd_hairpin[2] = 1;
        m->jd_keep_in[2] = v.keep_in;
        zx_build(*m);
        expect_matches_profile(*m, 0, rng, v.name);
    }
}

// ---------------------------------------------------------------------------------------------
// Worked points of the reference curve (R = 500, complete 100 m transitions, 30° right) at
// and between the boundaries of the locate's cases.

TEST(ZxLocate, ReferenceCurve) {
    struct At {
        JdTable MainLine::*station;
        int i;
        double offset, x, y, azimuth;
    };
    using M = MainLine;
    const At kPoints[] = {
        {&M::jd_station, 1, 0, 0, 0, 0},
        {&M::jd_station, 1, -10, -10, 0, 0},  // before the start: back along the first leg
        {&M::zx_zh, 2, 0, 815.818855, 0, 0},
        {&M::zx_zh, 2, 50, 865.815730, 0.416648, 0.025},
        {&M::zx_hy, 2, 0, 915.718901, 3.330953, 0.1},
        {&M::zx_zh, 2, 180.899694, 995.211715, 17.870123, 0.261799},  // mid-arc, on the bisector
        {&M::zx_yh, 2, 0, 1071.324096, 45.025240, 0.423599},
        {&M::zx_hz, 2, -50, 1115.998663, 67.452963, 0.498599},
        {&M::zx_hz, 2, 0, 1159.505551, 92.090573, kPi / 6},
        {&M::jd_station, 3, 0, 1866.025404, 500, kPi / 6},
        {&M::jd_station, 3, 100, 1952.627944, 550, kPi / 6},  // beyond the end
    };
    const auto m = reference();
    for (const At& a : kPoints) {
        const double p = ((*m).*a.station)[a.i] + a.offset;
        const Located l = locate(*m, p);
        EXPECT_NEAR(l.x, a.x, 1e-6) << "p = " << p;
        EXPECT_NEAR(l.y, a.y, 1e-6) << "p = " << p;
        EXPECT_NEAR(l.azimuth, a.azimuth, 1e-6) << "p = " << p;
    }
}

// On the second and later curves the entry case owns ZH and returns the stored point itself;
// where curves touch, HZ of one up to the millimetre the build allows beyond ZH of the next, a
// mileage from ZH of the next curve on belongs to that curve.
TEST(ZxLocate, LaterCurvesOwnTheirZh) {
    const auto four =
        line({{0, 0}, {1000, 0}, {1866.025404, 500}, {2866.025404, 500}}, 500, 100, 100);
    const auto apart = line({{0, 0}, {1000, 0}, {1500, 500}, {1500, 1200}}, 400, 120, 120);
    const double d = (apart->zx_t2[2] + apart->zx_t1[3] - 0.0005) / std::sqrt(2.0);
    const auto overlap =
        line({{0, 0}, {1000, 0}, {1000 + d, d}, {1000 + d, d + 700}}, 400, 120, 120);
    ASSERT_GT(overlap->zx_hz[2], overlap->zx_zh[3]);
    for (const MainLine* m : {four.get(), overlap.get()}) {
        const Located zh = locate(*m, m->zx_zh[3]);
        EXPECT_EQ(zh.x, m->zx_zh_x[3]);
        EXPECT_EQ(zh.y, m->zx_zh_y[3]);
        EXPECT_EQ(zh.azimuth, m->zx_azimuth[2]);
    }
    const Located on3 = locate(*overlap, overlap->zx_zh[3] + 5);
    const double a = overlap->zx_azimuth[2], c = 400 * 120;
    double x = 0, y = 0;
    test::clothoid_series(5, c, x, y);
    EXPECT_NEAR(on3.x, overlap->zx_zh_x[3] + x * std::cos(a) - y * std::sin(a), 1e-9);
    EXPECT_NEAR(on3.y, overlap->zx_zh_y[3] + x * std::sin(a) + y * std::cos(a), 1e-9);
}

// Azimuths come back in [0, 2π), reduced once either way from what the curve formulas give.
TEST(ZxLocate, AzimuthReduction) {
    struct Case {
        double leg, defl, along_arc, azimuth;
    };
    const Case kCases[] = {
        {2 * kPi - 0.1001, kPi / 6, 0, 2 * kPi - 0.0001},  // stays below 2π
        {2 * kPi - 0.1001, kPi / 6, 0.1, 0.0001},          // 2π + 0.0001
        {0.0999, -kPi / 6, 0, 2 * kPi - 0.0001},           // −0.0001
    };
    for (const Case& c : kCases) {
        const Point jd2{1000 * std::cos(c.leg), 1000 * std::sin(c.leg)};
        const double out = c.leg + c.defl;
        const auto m =
            line({{0, 0}, jd2, {jd2.x + 1000 * std::cos(out), jd2.y + 1000 * std::sin(out)}}, 500,
                 100, 100);
        EXPECT_NEAR(locate(*m, m->zx_hy[2] + c.along_arc).azimuth, c.azimuth, 1e-9) << c.leg;
    }
}

// A line of two JDs is one straight measured from JD 1's station; a single JD has no direction.
TEST(ZxLocate, ShortLines) {
    auto m = std::make_unique<MainLine>();
    m->jd_count = 2;
    m->jd_start_station = 100;
    m->jd_x[2] = 300;
    m->jd_y[2] = 400;
    zx_build(*m);
    struct Case {
        double p, x, y;
    };
    for (const Case& c :
         {Case{100, 0, 0}, Case{600, 300, 400}, Case{90, -6, -8}, Case{700, 360, 480}}) {
        const Located l = locate(*m, c.p);
        EXPECT_NEAR(l.x, c.x, 1e-9) << c.p;
        EXPECT_NEAR(l.y, c.y, 1e-9) << c.p;
        EXPECT_NEAR(l.azimuth, std::atan2(400.0, 300.0), 1e-12) << c.p;
    }
    m->jd_count = 1;
    zx_build(*m);
    EXPECT_TRUE(std::isnan(locate(*m, 100).x));
}

}  // namespace
}  // namespace qelt
