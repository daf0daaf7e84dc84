// The main line built from its JDs: worked alignments, the hairpin rules, short lines,
// curves that must fit their legs, and every input the build must refuse.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "base/data_error.h"
#include "zxbas/zxbas.h"

namespace qelt {
namespace {

// Start 0 at (0, 0); JD 2 at (1000, 0) with R = 500 and two complete 100 m transitions;
// JD 3 a right turn of 30° further on.
std::unique_ptr<MainLine> reference() {
    auto m = std::make_unique<MainLine>();
    m->jd_count = 3;
    m->jd_x[2] = 1000;
    m->jd_x[3] = 1866.025404;
    m->jd_y[3] = 500;
    m->jd_r[2] = 500;
    m->jd_ls1[2] = m->jd_ls2[2] = 100;
    return m;
}

// A 200° hairpin: the JD lies behind both legs as seen from the curve.
std::unique_ptr<MainLine> hairpin() {
    auto m = std::make_unique<MainLine>();
    m->jd_count = 3;
    m->jd_x[2] = -200;
    m->jd_x[3] = -106.030738;
    m->jd_y[3] = 34.202014;
    m->jd_r[2] = 60;
    m->jd_ls1[2] = m->jd_ls2[2] = 40;
    m->jd_hairpin[2] = true;
    return m;
}

struct Cell {
    JdTable MainLine::*table;
    int i;
    double value;
};

struct Case {
    const char* name;
    std::unique_ptr<MainLine> (*make)();
    void (*edit)(MainLine&);
    std::vector<Cell> cells;
};

using M = MainLine;

std::unique_ptr<MainLine> bare() {
    return std::make_unique<MainLine>();
}

// clang-format off
const std::vector<Case>& cases() {
    static const std::vector<Case> kCases = {
        {"reference", reference, [](M&) {},
         {{&M::zx_azimuth, 1, 0}, {&M::zx_azimuth, 2, 0.523599}, {&M::zx_defl, 2, 0.523599},
          {&M::zx_t1, 2, 184.181145}, {&M::zx_t2, 2, 184.181145}, {&M::zx_len, 2, 361.799388},
          {&M::jd_station, 1, 0}, {&M::jd_station, 2, 1000}, {&M::jd_station, 3, 1993.437097},
          {&M::zx_zh, 2, 815.818855}, {&M::zx_hy, 2, 915.818855}, {&M::zx_yh, 2, 1077.618242},
          {&M::zx_hz, 2, 1177.618242}, {&M::zx_zh_x, 2, 815.818855}, {&M::zx_zh_y, 2, 0},
          {&M::zx_hy_x, 2, 915.718901}, {&M::zx_hy_y, 2, 3.330953}, {&M::zx_hz_x, 2, 1159.505551},
          {&M::zx_hz_y, 2, 92.090573}, {&M::zx_hy_azimuth, 2, 0.1}, {&M::zx_zh_x, 3, 1866.025404},
          {&M::zx_hz_y, 3, 500}}},
        {"left turn", reference, [](M& m) { m.jd_y[3] = -500; },
         {{&M::zx_azimuth, 2, 5.759587}, {&M::zx_defl, 2, -0.523599}, {&M::zx_t1, 2, 184.181145},
          {&M::zx_len, 2, 361.799388}, {&M::jd_station, 3, 1993.437097},
          {&M::zx_hz, 2, 1177.618242}, {&M::zx_hy_x, 2, 915.718901}, {&M::zx_hy_y, 2, -3.330953},
          {&M::zx_hz_x, 2, 1159.505551}, {&M::zx_hz_y, 2, -92.090573},
          {&M::zx_hy_azimuth, 2, -0.1}}},
        {"start station 1000", reference, [](M& m) { m.jd_start_station = 1000; },
         {{&M::jd_station, 1, 1000}, {&M::jd_station, 3, 2993.437097},
          {&M::zx_zh, 2, 1815.818855}, {&M::zx_yh, 2, 2077.618242}, {&M::zx_hy_x, 2, 915.718901},
          {&M::zx_hz_y, 2, 92.090573}}},
        {"unequal transitions", reference, [](M& m) { m.jd_ls1[2] = 150, m.jd_ls2[2] = 80; },
         {{&M::zx_t1, 2, 206.739817}, {&M::zx_t2, 2, 176.789503}, {&M::zx_len, 2, 376.799388},
          {&M::zx_zh, 2, 793.260183}, {&M::zx_hy, 2, 943.260183}, {&M::zx_yh, 2, 1090.059570},
          {&M::zx_hz, 2, 1170.059570}, {&M::jd_station, 3, 1993.270067},
          {&M::zx_hy_x, 2, 942.923034}, {&M::zx_hy_y, 2, 7.487955}, {&M::zx_hy_azimuth, 2, 0.15}}},
        {"no transitions", reference, [](M& m) { m.jd_ls1[2] = m.jd_ls2[2] = 0; },
         {{&M::zx_t1, 2, 133.974596}, {&M::zx_t2, 2, 133.974596}, {&M::zx_len, 2, 261.799388},
          {&M::zx_hy_x, 2, 866.025404}, {&M::zx_hy_y, 2, 0}, {&M::zx_zh_x, 2, 866.025404},
          {&M::zx_yh, 2, 1127.824792}, {&M::zx_hz, 2, 1127.824792}, {&M::zx_hy_azimuth, 2, 0}}},
        {"incomplete entry R1 = 1000", reference, [](M& m) { m.jd_r1[2] = 1000; },
         {{&M::zx_t1, 2, 158.802788},
          {&M::zx_t2, 2, 184.596407}, {&M::zx_len, 2, 336.799388}, {&M::zx_zh_x, 2, 841.197212},
          {&M::zx_zh_y, 2, 0}, {&M::zx_zh, 2, 841.197212}, {&M::zx_hy_x, 2, 940.880886},
          {&M::zx_hy_y, 2, 6.655127}, {&M::zx_hy_azimuth, 2, 0.15},
          {&M::jd_station, 3, 1993.400193}}},
        {"hairpin", hairpin, [](M&) {},
         {{&M::zx_azimuth, 1, 0}, {&M::zx_azimuth, 2, 3.490659}, {&M::zx_defl, 2, 3.490659},
          {&M::zx_t1, 2, -326.627235}, {&M::zx_t2, 2, -326.627235}, {&M::zx_len, 2, 249.439510},
          {&M::jd_station, 2, -200}, {&M::zx_zh, 2, 126.627235}, {&M::zx_zh_x, 2, 126.627235},
          {&M::zx_zh_y, 2, 0}, {&M::zx_hz, 2, 376.066745}, {&M::zx_hz_x, 2, 106.929203},
          {&M::zx_hz_y, 2, 111.713093}, {&M::jd_station, 3, 602.693981}, {&M::jd_r, 2, 60},
          {&M::jd_ls1, 2, 40}, {&M::jd_ls2, 2, 40}}},
        {"single JD", bare,
         [](M& m) { m.jd_count = 1, m.jd_start_station = 250, m.jd_x[1] = 10, m.jd_y[1] = 20; },
         {{&M::jd_station, 1, 250}, {&M::zx_zh_x, 1, 10}, {&M::zx_hy_y, 1, 20},
          {&M::zx_hz_x, 1, 10}, {&M::zx_t1, 1, 0}}},
        {"two JDs", bare,
         [](M& m) { m.jd_count = 2, m.jd_start_station = 100, m.jd_x[2] = 300, m.jd_y[2] = 400; },
         {{&M::jd_station, 2, 600}, {&M::zx_hz_x, 2, 300}, {&M::zx_zh_y, 2, 400}}},
    };
    return kCases;
}
// clang-format on

TEST(ZxBuild, WorkedAlignments) {
    for (const Case& c : cases()) {
        auto m = c.make();
        c.edit(*m);
        zx_build(*m);
        for (const Cell& cell : c.cells) {
            EXPECT_NEAR(((*m).*cell.table)[cell.i], cell.value, 1e-6)
                << c.name << ", row " << cell.i;
        }
    }
}

// A hairpin whose legs are kept runs them in the ordinary direction and counts them positive.
// The build leaves its input as read, so building again gives the same line (the hairpin's
// negated curve data once flipped back on every second build).
TEST(ZxBuild, HairpinKeptLegs) {
    auto m = hairpin();
    m->jd_keep_in[2] = true;
    m->jd_keep_out[2] = true;
    zx_build(*m);
    EXPECT_NEAR(m->zx_azimuth[1], std::atan2(0.0, -1.0), 1e-12);
    EXPECT_NEAR(m->jd_station[2], 200, 1e-9);
    EXPECT_EQ(m->jd_r[2], 60);
    const double hz = m->zx_hz[2];
    zx_build(*m);
    EXPECT_EQ(m->zx_hz[2], hz);
}

// QD, JD1, JD2, ZD with a right and a left turn of 90°, no transitions: each tangent is the
// JD's radius, so the legs alone decide whether the curves fit.
std::unique_ptr<MainLine> stairs(double first, double middle, double last, double r3 = 100) {
    auto m = std::make_unique<MainLine>();
    m->jd_count = 4;
    const double xs[] = {0, 0, first, first, first + last}, ys[] = {0, 0, 0, middle, middle};
    const char* names[] = {"", "QD", "JD1", "JD2", "ZD"};
    for (int i = 1; i <= 4; ++i) m->jd_x[i] = xs[i], m->jd_y[i] = ys[i], m->jd_name[i] = names[i];
    m->jd_r[2] = 100;
    m->jd_r[3] = r3;
    return m;
}

// Curves must fit their legs, a millimetre allowed. A refusal names the JDs as the file does
// (by index only where the name is empty) and gives the line of the JD whose ZH falls behind,
// for the last leg the last curve's.
TEST(ZxBuild, CurvesFitTheirLegs) {
    struct Fit {
        const char* name;
        std::unique_ptr<MainLine> m;
        long line;  // 0: built
        const char* says;
    };
    Fit fits[] = {
        {"inner leg 0.9 mm short", stairs(1000, 199.9991, 1000), 0, ""},
        {"inner leg 1.1 mm short", stairs(1000, 199.9989, 1000), 4,
         "JD1 的切线长 T2 = 100.000 米与 JD2 的切线长 T1 = 100.000 米之和超过两交点间距 199.999 "
         "米（曲线重叠 0.001 米）"},
        {"first leg 0.9 mm short", stairs(99.9991, 1000, 1000), 0, ""},
        {"first leg 1.1 mm short", stairs(99.9989, 1000, 1000), 3,
         "JD1 的切线长 T1 = 100.000 米超过 QD 至 JD1 的距离 99.999 米"},
        {"last leg 0.9 mm short", stairs(1000, 1000, 99.9991), 0, ""},
        {"last leg 1.1 mm short", stairs(1000, 1000, 99.9989), 4,
         "JD2 的切线长 T2 = 100.000 米超过 JD2 至 ZD 的距离 99.999 米"},
        {"R = 800", stairs(1000, 1000, 1000, 800), 0, ""},
        {"R = 8000 typed for 800", stairs(1000, 1000, 1000, 8000), 4,
         "与 JD2 的切线长 T1 = 8000.000 米之和超过两交点间距 1000.000 米"},
        {"two 45° curves overlapping by 28 m",
         [] {
             auto m = stairs(1000, 300, 0, 400);
             m->jd_x[3] = m->jd_x[4] = 1300, m->jd_y[4] = 1000, m->jd_r[2] = 400;
             m->jd_ls1[2] = m->jd_ls2[2] = m->jd_ls1[3] = m->jd_ls2[3] = 120;
             return m;
         }(),
         4, "两交点间距 424.264 米（曲线重叠 28.258 米）"},
        {"JD typed twice", stairs(1000, 0, 1000), 4, "JD1 与 JD2 位于同一点"},
        {"R = 0", stairs(1000, 1000, 1000, 0), 4, "JD2 圆曲线半径为 0"},
        {"hairpin beginning behind the start point",
         [] {
             auto m = hairpin();
             m->jd_x[1] = 200;
             return m;
         }(),
         3, "JD2 的切线长 T1 = -326.627 米超过 JD1 至 JD2 的距离 -400.000 米"},
    };
    for (Fit& f : fits) {
        try {
            zx_build(*f.m);
            EXPECT_EQ(f.line, 0) << f.name << ": built";
        } catch (const DataError& e) {
            EXPECT_EQ(e.line(), f.line) << f.name << ": " << e.what();
            EXPECT_NE(std::string(e.what()).find(f.says), std::string::npos)
                << f.name << ": " << e.what();
        }
    }
}

// A JD is called the same in the drawing as in the messages about it: by its name in the file,
// and where the tables hold none, by its place in the line (JD 3 is "JD3", never "JD2").
TEST(ZxBuild, OneNameForAJdInMessagesAndDrawing) {
    struct Case {
        const char* name;
        std::unique_ptr<MainLine> m;
        std::vector<std::string> jds;
    };
    Case cases[] = {
        {"named in the file", stairs(1000, 1000, 1000), {"QD", "JD1", "JD2", "ZD"}},
        {"one name missing",
         [] {
             auto m = stairs(1000, 1000, 1000);
             m->jd_name[3].clear();
             return m;
         }(),
         {"QD", "JD1", "JD3", "ZD"}},
        {"no names", reference(), {"JD1", "JD2", "JD3"}},
    };
    for (const Case& c : cases) {
        zx_build(*c.m);
        const Alignment a = zx_alignment(*c.m);
        ASSERT_EQ(a.jds.size(), c.jds.size()) << c.name;
        for (std::size_t k = 0; k < c.jds.size(); ++k) {
            EXPECT_EQ(a.jds[k].name, c.jds[k]) << c.name;
            EXPECT_EQ(zx_jd_name(*c.m, static_cast<int>(k) + 1), c.jds[k]) << c.name;
        }
    }
    // The message about an unnamed JD uses the same name.
    auto unnamed = stairs(1000, 1000, 1000, 0);
    unnamed->jd_name[3].clear();
    try {
        zx_build(*unnamed);
        ADD_FAILURE() << "R = 0 built";
    } catch (const DataError& e) {
        EXPECT_NE(std::string(e.what()).find("JD3 圆曲线半径为 0"), std::string::npos) << e.what();
    }
}

TEST(ZxBuild, RefusedInputs) {
    struct Bad {
        const char* name;
        void (*edit)(MainLine&);
        long line;  // expected line of the alignment file; 0 = none
    };
    // clang-format off
    const Bad kBad[] = {
        {"no records", [](M& m) { m.jd_count = 0; }, 0},
        {"negative count", [](M& m) { m.jd_count = -3; }, 0},
        {"beyond capacity", [](M& m) { m.jd_count = 1001; }, 1002},
        {"R = 0", [](M& m) { m.jd_r[2] = 0; }, 3},
        {"collinear legs", [](M& m) { m.jd_y[3] = 0; }, 3},
        {"collinear legs with R1", [](M& m) { m.jd_y[3] = 0, m.jd_r1[2] = 900; }, 3},
        {"R1 = R", [](M& m) { m.jd_r1[2] = 500; }, 3},
        {"R2 = R", [](M& m) { m.jd_r2[2] = 500; }, 3},
        {"R1 = 1e-300", [](M& m) { m.jd_r1[2] = 1e-300; }, 3},
        {"transitions turning more than the JD", [](M& m) { m.jd_ls1[2] = m.jd_ls2[2] = 300; }, 3},
        {"not a number", [](M& m) { m.jd_y[3] = std::nan(""); }, 4},
        {"infinite radius", [](M& m) { m.jd_r[2] = INFINITY; }, 3},
        {"infinite start station", [](M& m) { m.jd_start_station = -INFINITY; }, 1},
        {"third JD of four",
         [](M& m) { m.jd_count = 4, m.jd_x[4] = 2000, m.jd_y[4] = 500, m.jd_r[3] = 0; }, 4},
    };
    // clang-format on
    for (const Bad& b : kBad) {
        auto m = reference();
        b.edit(*m);
        auto before = std::make_unique<MainLine>(*m);
        try {
            zx_build(*m);
            ADD_FAILURE() << b.name << ": built";
        } catch (const DataError& e) {
            EXPECT_EQ(e.line(), b.line) << b.name << ": " << e.what();
        }
        // A refused line leaves the tables as they were, with nothing half built.
        EXPECT_EQ(m->zx_azimuth[2], before->zx_azimuth[2]) << b.name;
        EXPECT_EQ(m->zx_t1[2], before->zx_t1[2]) << b.name;
    }
}

TEST(ZxBuild, RefusedHairpinKeepsItsData) {
    auto m = hairpin();
    m->jd_r1[2] = 60;  // R1 = R once both are negated
    EXPECT_THROW(zx_build(*m), DataError);
    EXPECT_EQ(m->jd_r[2], 60);
}

}  // namespace
}  // namespace qelt
