// Inflection split, chain build and locate against worked chains; the data the build rejects.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "base/data_error.h"
#include "htbas/htbas.h"

namespace qelt {
namespace {

constexpr double kPi = std::numbers::pi;

struct Element {
    double r1, r2, len;
};

// The element file as read: start station, point, azimuth ddd.mmss and the elements.
std::unique_ptr<ElementChain> read_chain(double station, double x, double y, double dms,
                                         const std::vector<Element>& elements) {
    auto chain = std::make_unique<ElementChain>();
    chain->ht_start_station = station;
    chain->ht_start_x = x;
    chain->ht_start_y = y;
    chain->ht_start_azimuth = dms;
    for (const Element& e : elements) {
        ++chain->ht_in_count;
        chain->ht_in_r1[chain->ht_in_count] = e.r1;
        chain->ht_in_r2[chain->ht_in_count] = e.r2;
        chain->ht_in_len[chain->ht_in_count] = e.len;
    }
    return chain;
}

// Split and build: the run's order.
std::unique_ptr<ElementChain> build_chain(double station, double x, double y, double dms,
                                          const std::vector<Element>& elements) {
    auto chain = read_chain(station, x, y, dms, elements);
    ht_split_inflections(*chain);
    ht_build_chain(*chain);
    return chain;
}

const std::vector<Element> kFirstChain = {
    {9999, 9999, 100}, {9999, 500, 100}, {500, 500, 200}, {500, 9999, 100}, {9999, 9999, 100}};
const std::vector<Element> kRadiusToRadius = {{9999, 1000, 50}, {1000, 400, 60}, {400, 400, 40}};
const std::vector<Element> kLeftTurn = {{9999, -300, 60}, {-300, -300, 100}};

struct Start {
    double station, azimuth, x, y;
};
struct Located {
    double p, x, y, azimuth;
};
struct Origin {
    double station, x, y, dms;
};
struct Worked {
    const char* name;
    Origin origin;
    const std::vector<Element>& elements;
    std::vector<Start> starts;  // element starts 1..N+1; empty when not worked out
    std::vector<double> defl;
    std::vector<Located> located;
};

// clang-format off
const Worked kWorked[] = {
    {"straight-transition-arc-transition-straight", {1000, 3000000, 500000, 0}, kFirstChain,
     {{1000, 0, 3000000, 500000}, {1100, 0, 3000100, 500000},
      {1200, 0.1, 3000199.900046, 500003.330953}, {1400, 0.5, 3000389.696107, 500062.041755},
      {1500, 0.6, 3000474.027971, 500115.700410}, {1600, 0.6, 3000556.561533, 500172.164657}},
     {0, 0.1, 0.4, 0.1, 0},
     {{900, 2999900.000000, 500000.000000, 0}, {1050, 3000050.000000, 500000.000000, 0},
      {1150, 3000149.996875, 500000.416648, 0.025}, {1300, 3000297.743441, 500023.164791, 0.3},
      {1450, 3000432.528512, 500087.813925, 0.575}, {1600, 3000556.561533, 500172.164657, 0.6},
      {1700, 3000639.095094, 500228.628904, 0.6}}},
    {"radius-to-radius", {0, 0, 0, 0}, kRadiusToRadius,
     {{0, 0, 0, 0}, {50, 0.025, 49.996875, 0.416648}, {110, 0.13, 109.822113, 4.611185},
      {150, 0.23, 149.159466, 11.769385}},
     {0.025, 0.105, 0.1},
     {{80, 79.966033, 1.728634, 0.06625}}},
    {"left turn", {0, 0, 0, 90.0000}, kLeftTurn, {}, {-0.1, -1 / 3.0},
     {{30, 0.249989, 29.998125, 1.545796}, {100, 8.629503, 99.356544, 1.337463},
      {160, 28.228482, 155.959513, 1.137463}}},
};
// clang-format on

TEST(HtChain, WorkedChains) {
    for (const Worked& w : kWorked) {
        SCOPED_TRACE(w.name);
        const Origin& o = w.origin;
        const auto chain = build_chain(o.station, o.x, o.y, o.dms, w.elements);
        for (std::size_t k = 0; k < w.starts.size(); ++k) {
            const int i = static_cast<int>(k) + 1;
            EXPECT_NEAR(chain->ht_station[i], w.starts[k].station, 1e-6) << "start " << i;
            EXPECT_NEAR(chain->ht_azimuth[i], w.starts[k].azimuth, 1e-6) << "start " << i;
            EXPECT_NEAR(chain->ht_x[i], w.starts[k].x, 1e-6) << "start " << i;
            EXPECT_NEAR(chain->ht_y[i], w.starts[k].y, 1e-6) << "start " << i;
        }
        for (std::size_t k = 0; k < w.defl.size(); ++k) {
            EXPECT_NEAR(chain->ht_defl[k + 1], w.defl[k], 1e-12) << "element " << k + 1;
        }
        for (const Located& c : w.located) {
            double x = 0, y = 0, a = 0;
            ht_locate(*chain, c.p, x, y, a);
            EXPECT_NEAR(x, c.x, 1e-6) << "p = " << c.p;
            EXPECT_NEAR(y, c.y, 1e-6) << "p = " << c.p;
            EXPECT_NEAR(a, c.azimuth, 1e-6) << "p = " << c.p;
        }
    }
}

TEST(HtChain, BoundaryBelongsToTheElementStartingThere) {
    // The azimuth passes north (2π → 0) at the joint of the arc and the straight, so the arc
    // would answer ≈ 2π + 0.125 there, the straight its reduced start azimuth.
    const auto wrap = build_chain(0, 0, 0, 350.0000, {{100, 100, 30}, {9999, 9999, 50}});
    const auto first = build_chain(1000, 3000000, 500000, 0, kFirstChain);
    const auto piece = build_chain(0, 0, 0, 0, kRadiusToRadius);
    const struct {
        const ElementChain& chain;
        int i;  // element starting at the boundary (chain end when N + 1)
    } cases[] = {{*wrap, 2},  {*wrap, 3},  {*first, 2}, {*first, 3}, {*first, 5},
                 {*first, 6}, {*piece, 2}, {*piece, 3}, {*piece, 4}};
    for (const auto& c : cases) {
        double x = 0, y = 0, a = 0;
        ht_locate(c.chain, c.chain.ht_station[c.i], x, y, a);
        // At s = 0 every kind but the exit transition returns its start exactly.
        EXPECT_EQ(x, c.chain.ht_x[c.i]) << c.i;
        EXPECT_EQ(y, c.chain.ht_y[c.i]) << c.i;
        EXPECT_EQ(a, c.chain.ht_azimuth[c.i]) << c.i;
    }
    double x = 0, y = 0, a = 0;
    ht_locate(*wrap, 29.999, x, y, a);
    EXPECT_NEAR(a, 350 * kPi / 180 + 0.29999 - 2 * kPi, 1e-12);  // reduced to [0, 2π)
}

// The start azimuth as read (ddd.mmss) is the start tangent of the chain, reduced to [0, 2π);
// the value read stays as it was.
TEST(HtChain, StartAzimuthIsReducedAfterTheBuild) {
    struct Case {
        double dms, reduced;
    };
    const Case cases[] = {
        {360.0000, 0},
        {-90.0000, 3 * kPi / 2},
        {45.3020, 45.505555555555556 * kPi / 180},
        {-12.3, 347.5 * kPi / 180},
        {720.0001, kPi / 180 / 3600},
        {-1e-16, 0},  // comes back as 2π from the addition; it is north
    };
    for (const Case& c : cases) {
        const auto chain = build_chain(100, 10, 20, c.dms, {});
        // N = 0: only the start point, and every station on its tangent.
        EXPECT_EQ(chain->ht_count, 0);
        EXPECT_EQ(chain->ht_start_azimuth, c.dms);
        EXPECT_NEAR(chain->ht_azimuth[1], c.reduced, 1e-12) << c.dms;
        EXPECT_GE(chain->ht_azimuth[1], 0) << c.dms;
        EXPECT_LT(chain->ht_azimuth[1], 2 * kPi) << c.dms;
        EXPECT_EQ(chain->ht_station[1], 100);
        EXPECT_EQ(chain->ht_x[1], 10);
        EXPECT_EQ(chain->ht_y[1], 20);
        for (double p : {50.0, 100.0, 130.0}) {
            double x = 0, y = 0, a = 0;
            ht_locate(*chain, p, x, y, a);
            EXPECT_NEAR(x, 10 + (p - 100) * std::cos(c.reduced), 1e-12) << p;
            EXPECT_NEAR(y, 20 + (p - 100) * std::sin(c.reduced), 1e-12) << p;
            EXPECT_EQ(a, chain->ht_azimuth[1]) << p;
        }
    }
}

TEST(HtChain, NanStationGetsNanNotStaleValues) {
    const auto chain = build_chain(1000, 3000000, 500000, 0, kFirstChain);
    double x = 1, y = 2, a = 3;
    ht_locate(*chain, std::nan(""), x, y, a);
    EXPECT_TRUE(std::isnan(x) && std::isnan(y) && std::isnan(a));
}

TEST(HtSplit, InflectionsBecomeExitEntryPairs) {
    struct Case {
        const char* name;
        std::vector<Element> in, out;
    };
    // clang-format off
    const Case cases[] = {
        {"one", {{9999, 9999, 50}, {300, -600, 90}, {9999, 9999, 20}},
         {{9999, 9999, 50}, {300, 9999, 60}, {9999, -600, 30}, {9999, 9999, 20}}},
        {"positions 2 and 5",
         {{9999, 9999, 10}, {-200, 400, 60}, {400, 400, 30}, {400, 9999, 40}, {500, -500, 100},
          {9999, 9999, 5}},
         {{9999, 9999, 10}, {-200, 9999, 40}, {9999, 400, 20}, {400, 400, 30}, {400, 9999, 40},
          {500, 9999, 50}, {9999, -500, 50}, {9999, 9999, 5}}},
        // −9999 is a radius like any other; only 9999 itself means straight.
        {"-9999", {{-9999, 300, 10299}}, {{-9999, 9999, 300}, {9999, 300, 9999}}},
        {"none", {{9999, -300, 60}, {-300, -300, 100}, {-300, -700, 20}, {-300, 9999, 60}},
         {{9999, -300, 60}, {-300, -300, 100}, {-300, -700, 20}, {-300, 9999, 60}}},
        {"empty", {}, {}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto chain = read_chain(0, 0, 0, 0, c.in);
        ht_split_inflections(*chain);
        const int n = static_cast<int>(c.out.size());
        ASSERT_EQ(chain->ht_count, n);
        for (int i = 1; i <= n; ++i) {
            const Element& e = c.out[i - 1];
            EXPECT_EQ(chain->ht_r1[i], e.r1) << i;
            EXPECT_EQ(chain->ht_r2[i], e.r2) << i;
            EXPECT_NEAR(chain->ht_len[i], e.len, 1e-12) << i;
        }
        // The elements as read stay as the file gives them, the split element included.
        ASSERT_EQ(chain->ht_in_count, static_cast<int>(c.in.size()));
        for (std::size_t i = 1; i <= c.in.size(); ++i) {
            EXPECT_EQ(chain->ht_in_r1[i], c.in[i - 1].r1) << i;
            EXPECT_EQ(chain->ht_in_r2[i], c.in[i - 1].r2) << i;
            EXPECT_EQ(chain->ht_in_len[i], c.in[i - 1].len) << i;
        }
    }
}

TEST(HtSplit, CapacityIsCheckedBeforeAnythingMoves) {
    struct Case {
        int straights;
        bool inflection, fits;
    };
    // An inflection element becomes two: 997 + 1 read is the most that fits.
    const Case cases[] = {
        {997, true, true}, {998, true, false}, {999, false, true}, {1000, false, false}};
    for (const Case& c : cases) {
        std::vector<Element> in(c.straights, Element{9999, 9999, 1});
        if (c.inflection) in.insert(in.begin(), Element{300, -600, 90});
        const auto chain = read_chain(0, 0, 0, 0, in);
        if (!c.fits) {
            EXPECT_THROW(ht_split_inflections(*chain), DataError) << c.straights;
            EXPECT_EQ(chain->ht_in_count, static_cast<int>(in.size()));
            EXPECT_EQ(chain->ht_in_r2[1], in[0].r2);
            continue;
        }
        ht_split_inflections(*chain);
        ht_build_chain(*chain);  // fills entry N + 1 ≤ 1000 and no further
        const int n = chain->ht_count;
        EXPECT_NEAR(chain->ht_station[n + 1], c.straights + (c.inflection ? 90 : 0), 1e-9);
    }
}

TEST(HtBuild, RejectedData) {
    const double nan = std::nan("");
    struct Case {
        const char* detail;  // expected in the message
        std::vector<Element> elements;
        double x = 0;
    };
    const Case cases[] = {
        {"第 2 个线元 (9999, 9999, -10) 长度为负", {{9999, 9999, 5}, {9999, 9999, -10}}},
        {"第 1 个线元 (500, 500, -1) 长度为负", {{500, 500, -1}}},
        {"第 1 个线元 (0, 0, 10) 半径为 0", {{0, 0, 10}}},
        {"第 1 个线元 (9999, 0, 10) 半径为 0", {{9999, 0, 10}}},
        {"第 3 个线元 (0, 9999, 10) 半径为 0", {{9999, 9999, 1}, {9999, 9999, 1}, {0, 9999, 10}}},
        {"半径为 0", {{0, 500, 10}}},
        {"半径为 0", {{500, 0, 10}}},
        {"长度 0 的缓和曲线", {{9999, 500, 0}}},
        {"长度 0 的缓和曲线", {{500, 9999, 0}}},
        {"长度 0 的缓和曲线", {{1000, 400, 0}}},
        {"不是有限数", {{9999, 9999, nan}}},
        {"不是有限数", {{nan, 500, 10}}},
        {"X不是有限数", {{9999, 9999, 1e308}}, 1e308},
        {"方位角超过一万周", {{1, 1, 1e5}}},
    };
    for (const Case& c : cases) {
        try {
            build_chain(0, c.x, 0, 0, c.elements);
            ADD_FAILURE() << "accepted: " << c.detail;
        } catch (const DataError& e) {
            EXPECT_NE(std::string(e.what()).find(c.detail), std::string::npos) << e.what();
            EXPECT_EQ(e.line(), 0);
        }
    }
    // Zero-length straights and arcs divide by nothing: accepted, and they own no station.
    const auto chain = build_chain(0, 0, 0, 0, {{9999, 9999, 0}, {200, 200, 0}, {9999, 9999, 10}});
    double x = 0, y = 0, a = 0;
    ht_locate(*chain, 0, x, y, a);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(chain->ht_station[4], 10);
}

TEST(HtBuild, WorkingChainTheSplitDidNotSee) {
    struct Case {
        int count;
        Element element;
    };
    // A reverse curve left in the working chain, and counts the tables cannot hold.
    const Case cases[] = {{1, {300, -600, 90}}, {1000, {9999, 9999, 1}}, {-1, {9999, 9999, 1}}};
    for (const Case& c : cases) {
        auto chain = std::make_unique<ElementChain>();
        chain->ht_count = static_cast<std::int16_t>(c.count);
        chain->ht_r1.fill(c.element.r1);
        chain->ht_r2.fill(c.element.r2);
        chain->ht_len.fill(c.element.len);
        EXPECT_THROW(ht_build_chain(*chain), DataError) << c.count;
    }
}

TEST(HtAlignment, RadiiOfOppositeSignsAtAJointAreNoticed) {
    struct Case {
        const char* name;
        std::vector<Element> elements;
        std::vector<int> joints;  // the first element of each pair noticed, its place in the file
    };
    // clang-format off
    const Case cases[] = {
        {"arc reversed without a transition", {{9999, 300, 60}, {-300, -300, 120}}, {1}},
        {"one minus sign lost in a ramp",
         {{9999, 9999, 80}, {9999, 300, 60}, {-300, -300, 120}, {300, 150, 50}}, {2, 3}},
        {"transitions meeting at different signs", {{9999, 300, 60}, {-200, 9999, 60}}, {1}},
        // −9999 is a radius like any other; only 9999 itself is a straight.
        {"-9999", {{300, 300, 50}, {-9999, -9999, 50}}, {1}},
        {"S-curve through a straight", {{9999, 300, 60}, {300, 9999, 60}, {9999, -300, 60},
                                        {-300, -300, 60}}, {}},
        {"S-curve inside one element (the split's)", {{9999, 300, 60}, {300, -300, 100},
                                                     {-300, -300, 50}}, {}},
        {"compound curve", {{500, 500, 60}, {500, 200, 40}, {200, 200, 30}}, {}},
        {"straight after a left arc", {{-300, -300, 10}, {9999, 9999, 10}, {300, 300, 10}}, {}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto chain = read_chain(0, 0, 0, 0, c.elements);
        for (int i = 1; i <= chain->ht_in_count; ++i) chain->ht_in_line[i] = 10 * i + 1;
        ht_split_inflections(*chain);
        chain->ht_start_azimuth = ht_dms_to_degrees(chain->ht_start_azimuth);
        ht_build_chain(*chain);
        const Alignment a = ht_alignment(*chain, "ht.txt");
        ASSERT_EQ(a.notices.size(), c.joints.size());
        for (std::size_t j = 0; j < c.joints.size(); ++j) {
            const int i = c.joints[j];
            const std::string& text = a.notices[j];
            EXPECT_EQ(text.rfind("平面资料文件“ht.txt”第 " + std::to_string(10 * i + 11) +
                                     " 行：第 " + std::to_string(i + 1) + " 个线元（",
                                 0),
                      0u)
                << text;
            EXPECT_NE(text.find("与第 " + std::to_string(i) + " 个线元（"), std::string::npos);
            EXPECT_NE(text.find("，第 " + std::to_string(10 * i + 1) + " 行）的终点半径"),
                      std::string::npos);
        }
        // Computed as written: the chain ends where its elements take it.
        EXPECT_EQ(a.line.pieces().size(), static_cast<std::size_t>(chain->ht_count));
    }

    // The text in full, for the first case.
    auto chain = build_chain(0, 0, 0, 0, {{9999, 300, 60}, {-300, -300, 120}});
    chain->ht_in_line[1] = 2;
    chain->ht_in_line[2] = 3;
    EXPECT_EQ(
        ht_alignment(*chain, "ht.txt").notices,
        (std::vector<std::string>{
            "平面资料文件“ht.txt”第 3 行：第 2 个线元（-300, -300, 120）的起点半径 -300 "
            "与第 1 个线元（9999, 300, 60，第 2 行）的终点半径 300 "
            "异号：两条曲线在此反向直接相接，中间没有缓和曲线，多半是某个半径漏写或多写了负号；"
            "已按所写算出，请核对半径的正负号"}));
}

}  // namespace
}  // namespace qelt
