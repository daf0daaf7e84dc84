// The line tables against an independent computation of the same lines: the curves' tangent
// lengths, lengths, external distances, corrections and key stations, and the stakes, from the
// JD polygon and the curve data alone, the curvature integrated numerically (Gauss–Legendre)
// and the stationing reckoned from the chain breaks as drawn.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <sstream>
#include <vector>

#include "base/data_error.h"
#include "base/text.h"
#include "curvature_profile.h"
#include "random_main_line.h"
#include "report/tables/line_tables.h"
#include "station/station.h"
#include "zxbas/zxbas.h"

namespace qelt {
namespace {

const double kPi = std::numbers::pi;

using test::Located;
using test::Profile;
using test::random_line;
using test::uniform;

// What the curve at one JD must be, from the legs and its data alone.
struct Expected {
    double t1, t2, length, external, zh, jd;  // zh, jd: continuous mileages
    double ls1, ls2, k_start, k_arc, k_end;
};

// Each curve from its JD's legs and data: the curve traced by integration from ZH along the
// incoming leg, and T1, T2 from where it ends, HZ − ZH = T1·u_in + T2·u_out.
std::vector<Expected> expected_curves(const MainLine& m) {
    const int n = m.jd_count;
    std::vector<Expected> e(n + 1);
    const auto leg_azimuth = [&](int i) {
        return std::atan2(m.jd_y[i + 1] - m.jd_y[i], m.jd_x[i + 1] - m.jd_x[i]);
    };
    for (int i = 2; i <= n - 1; ++i) {
        const double a_in = leg_azimuth(i - 1), a_out = leg_azimuth(i);
        const double alpha = std::remainder(a_out - a_in, 2 * kPi);
        const double s = alpha > 0 ? 1 : -1, r = m.jd_r[i];
        Expected& c = e[i];
        c.ls1 = m.jd_ls1[i];
        c.ls2 = m.jd_ls2[i];
        c.k_arc = s / r;
        c.k_start = m.jd_r1[i] ? s / m.jd_r1[i] : 0;
        c.k_end = m.jd_r2[i] ? s / m.jd_r2[i] : 0;
        // The arc turns what the transitions leave of the JD's deflection.
        const double arc = (std::abs(alpha) - c.ls1 * std::abs(c.k_start + c.k_arc) / 2 -
                            c.ls2 * std::abs(c.k_arc + c.k_end) / 2) *
                           r;
        c.length = c.ls1 + arc + c.ls2;
        const Profile curve(0, {0, 0}, a_in,
                            {{0, c.ls1, c.k_start, c.k_arc},
                             {c.ls1, arc, c.k_arc, c.k_arc},
                             {c.ls1 + arc, c.ls2, c.k_arc, c.k_end}});
        const Located end = curve.at(c.length);
        const double det = std::sin(a_out - a_in);
        c.t1 = (end.x * std::sin(a_out) - end.y * std::cos(a_out)) / det;
        c.t2 = (end.y * std::cos(a_in) - end.x * std::sin(a_in)) / det;
        const Located mid = curve.at(c.length / 2);
        c.external = std::hypot(c.t1 * std::cos(a_in) - mid.x, c.t1 * std::sin(a_in) - mid.y);
    }
    // Stations along the line: a curve's length takes the place of its two tangents.
    e[1].jd = m.jd_start_station;
    for (int i = 2; i <= n; ++i) {
        const double leg = std::hypot(m.jd_x[i] - m.jd_x[i - 1], m.jd_y[i] - m.jd_y[i - 1]);
        e[i].jd = e[i - 1].jd + leg + e[i - 1].length - e[i - 1].t1 - e[i - 1].t2;
        e[i].zh = e[i].jd - e[i].t1;
    }
    e[1].zh = e[1].jd;
    return e;
}

// Chain breaks at random places between the curves' key points, long and short ones.
struct DrawnBreak {
    double mileage, before, after;
};

std::vector<DrawnBreak> draw_breaks(std::mt19937_64& rng, double start, double end,
                                    ChainBreaks& breaks) {
    std::vector<DrawnBreak> drawn;
    const int count = static_cast<int>(rng() % 4);
    double shift = 0;
    for (int i = 1; i <= count; ++i) {
        const double at = start + (end - start) * i / (count + 1) + uniform(rng, -30, 30);
        const double before = std::round((at - shift) * 1000) / 1000;
        const double mileage = before + shift;
        const double jump = uniform(rng, 5, 80) * (rng() % 2 ? 1 : -1);
        const double after = std::round((before + jump) * 1000) / 1000;
        drawn.push_back({mileage, before, after});
        breaks.dl_before[i] = before;
        breaks.dl_after[i] = after;
        shift += before - after;
    }
    breaks.dl_count = static_cast<std::int16_t>(count);
    dl_complete(breaks, start, end);
    return drawn;
}

// The station number and interval of a mileage, from the breaks as drawn.
double number_at(const std::vector<DrawnBreak>& drawn, double mileage, char& letter) {
    double shift = 0;
    letter = 'A';
    for (const DrawnBreak& b : drawn) {
        if (!(b.mileage < mileage)) break;
        shift += b.before - b.after;
        ++letter;
    }
    return mileage - shift;
}

TEST(LineTables, CurvesAndStakesAgreeWithIntegratedLines) {
    std::mt19937_64 rng(20261209);
    double worst_curve = 0, worst_stake = 0;
    int lines = 0, long_chains = 0, short_chains = 0, incomplete = 0, left = 0, right = 0;
    for (int attempt = 0; attempt < 80; ++attempt) {
        double heading = 0;
        const std::unique_ptr<MainLine> m = random_line(rng, heading, true);
        if (!m) continue;
        ++lines;
        const int n = m->jd_count;
        const std::vector<Expected> e = expected_curves(*m);
        Alignment alignment = zx_alignment(*m);
        const std::vector<DrawnBreak> drawn =
            draw_breaks(rng, alignment.start_mileage(), alignment.end_mileage(), alignment.breaks);
        const std::string what = "line " + std::to_string(attempt);
        const auto near = [&](double got, double want, const std::string& name, double& worst) {
            worst = std::max(worst, std::abs(got - want));
            EXPECT_NEAR(got, want, 1e-6) << what << ' ' << name;
        };
        const auto station = [&](const StationOfMileage& got, double mileage,
                                 const std::string& name) {
            char letter = 0;
            near(got.number, number_at(drawn, mileage, letter), name, worst_curve);
            EXPECT_EQ(got.letter, letter) << what << ' ' << name;
        };

        // The curve table: the JD rows in order, the chain breaks between them.
        const std::vector<CurveTableRow> rows = curve_table_rows(alignment);
        int jd = 0, break_rows = 0;
        for (const CurveTableRow& row : rows) {
            if (row.chain_break) {
                const DrawnBreak& b = drawn[static_cast<std::size_t>(break_rows++)];
                EXPECT_EQ(row.long_chain, b.before > b.after) << what;
                near(row.chain_length, std::abs(b.before - b.after), "chain", worst_curve);
                (b.before > b.after ? long_chains : short_chains)++;
                continue;
            }
            const int i = ++jd;
            const Expected& c = e[static_cast<std::size_t>(i)];
            const std::string name = "JD " + std::to_string(i);
            station(row.jd_station, c.jd, name + " station");
            EXPECT_EQ(row.curve, i >= 2 && i <= n - 1) << what << ' ' << name;
            if (!row.curve) continue;
            (row.deflection > 0 ? right : left)++;
            if (m->jd_r1[i] != 0 || m->jd_r2[i] != 0) ++incomplete;
            near(row.t1, c.t1, name + " T1", worst_curve);
            near(row.t2, c.t2, name + " T2", worst_curve);
            near(row.length, c.length, name + " L", worst_curve);
            near(row.external, c.external, name + " E", worst_curve);
            near(row.correction, c.t1 + c.t2 - c.length, name + " J", worst_curve);
            station(row.zh, c.zh, name + " ZH");
            station(row.hy, c.zh + c.ls1, name + " HY");
            station(row.qz, c.zh + c.length / 2, name + " QZ");
            station(row.yh, c.zh + c.length - c.ls2, name + " YH");
            station(row.hz, c.zh + c.length, name + " HZ");
        }
        EXPECT_EQ(jd, n) << what;
        EXPECT_EQ(break_rows, static_cast<int>(drawn.size())) << what;

        // The whole line integrated from JD 1 with the stations found above.
        std::vector<test::Piece> stretches;
        double at = e[1].jd;
        for (int i = 2; i <= n - 1; ++i) {
            const Expected& c = e[static_cast<std::size_t>(i)];
            stretches.push_back({at, c.zh - at, 0, 0});
            stretches.push_back({c.zh, c.ls1, c.k_start, c.k_arc});
            stretches.push_back({c.zh + c.ls1, c.length - c.ls1 - c.ls2, c.k_arc, c.k_arc});
            stretches.push_back({c.zh + c.length - c.ls2, c.ls2, c.k_arc, c.k_end});
            at = c.zh + c.length;
        }
        stretches.push_back({at, e[static_cast<std::size_t>(n)].jd - at, 0, 0});
        const Profile line(e[1].jd, {m->jd_x[1], m->jd_y[1]},
                           std::atan2(m->jd_y[2] - m->jd_y[1], m->jd_x[2] - m->jd_x[1]), stretches);

        // The stakes: where the integrated line is, numbered as the breaks number it; plain
        // stakes on whole multiples of the interval, every multiple there is, once.
        const double every = attempt % 3 == 0 ? 20 : uniform(rng, 7, 60);
        const std::vector<StakeRow> stakes = stake_table_rows(alignment, every);
        long multiples = 0;
        double previous = -HUGE_VAL;
        for (const StakeRow& s : stakes) {
            const Located p = line.at(s.mileage);
            const std::string name = "stake " + s.station.text;
            near(s.point.x, p.x, name + " X", worst_stake);
            near(s.point.y, p.y, name + " Y", worst_stake);
            EXPECT_LT(std::abs(std::remainder(s.azimuth - p.azimuth, 2 * kPi)), 1e-9)
                << what << name;
            EXPECT_GT(s.mileage, previous) << what << name;
            previous = s.mileage;
            char letter = 0;
            EXPECT_NEAR(s.station.number, number_at(drawn, s.mileage, letter), 1e-6)
                << what << name;
            const double q = s.station.number / every;
            if (std::abs(q - std::round(q)) < 1e-9) ++multiples;
            if (s.name.empty()) {
                EXPECT_LT(std::abs(q - std::round(q)), 1e-9) << what << name;
            }
        }
        // The multiples each interval's numbering holds, ends included; at a break both ends
        // of the break may be multiples and share its row.
        char end_letter = 0;
        long want = 0;
        double first = alignment.start_mileage();
        for (std::size_t k = 0; k <= drawn.size(); ++k) {
            const double last = k < drawn.size()
                                    ? drawn[k].before
                                    : number_at(drawn, alignment.end_mileage(), end_letter);
            want += static_cast<long>(std::floor(last / every + 1e-9) -
                                      std::ceil(first / every - 1e-9) + 1);
            if (k < drawn.size()) {
                const double q0 = drawn[k].before / every, q1 = drawn[k].after / every;
                if (std::abs(q0 - std::round(q0)) < 1e-9 && std::abs(q1 - std::round(q1)) < 1e-9)
                    --want;
                first = drawn[k].after;
            }
        }
        EXPECT_EQ(multiples, want) << what;
        for (const KeyPoint& key : alignment.key_points) {
            bool found = false;
            for (const StakeRow& s : stakes)
                found = found || (std::abs(s.mileage - key.mileage) < 1e-6 &&
                                  s.name.find(key.name) != std::string::npos);
            EXPECT_TRUE(found) << what << ' ' << key.jd << ' ' << key.name;
        }
        if (HasFailure()) return;
    }
    EXPECT_GT(lines, 50);
    EXPECT_GT(long_chains, 10);
    EXPECT_GT(short_chains, 10);
    EXPECT_GT(incomplete, 20);
    EXPECT_GT(left, 20);
    EXPECT_GT(right, 20);
    std::cout << "worst deviation: curve table " << worst_curve << " m, stakes " << worst_stake
              << " m\n";
}

// A straight of 300 m from K0+000, one chain break at mileage 105, stakes every 20 m: the rows
// as an engineer counts them, each interval numbered on its own.
TEST(LineTables, StakesRestartAfterEachChainBreak) {
    struct Case {
        double before, after;
        std::vector<std::string> stations;  // "name@station"
    };
    const Case cases[] = {
        {105,
         95,  // long chain: B95..B290
         {"起点@K0+000", "@K0+020", "@K0+040", "@K0+060", "@K0+080", "@AK0+100", "断链@AK0+105",
          "@BK0+100", "@K0+120", "@K0+140", "@K0+160", "@K0+180", "@K0+200", "@K0+220", "@K0+240",
          "@K0+260", "@K0+280", "终点@K0+290"}},
        {105,
         130,  // short chain: B130..B325
         {"起点@K0+000", "@K0+020", "@K0+040", "@K0+060", "@K0+080", "@K0+100", "断链@K0+105",
          "@K0+140", "@K0+160", "@K0+180", "@K0+200", "@K0+220", "@K0+240", "@K0+260", "@K0+280",
          "@K0+300", "@K0+320", "终点@K0+325"}},
        {100,
         80,  // both ends of the break on multiples: one row; the end on one too
         {"起点@K0+000", "@K0+020", "@K0+040", "@K0+060", "@AK0+080", "断链@AK0+100", "@BK0+100",
          "@K0+120", "@K0+140", "@K0+160", "@K0+180", "@K0+200", "@K0+220", "@K0+240", "@K0+260",
          "终点@K0+280"}},
    };
    for (const Case& c : cases) {
        Alignment a;
        a.line.reset(0, {1000, 2000}, kPi / 2);
        a.line.append(0, 0, 300);
        a.key_points = element_key_points(a.line);
        a.breaks.dl_count = 1;
        a.breaks.dl_before[1] = c.before;
        a.breaks.dl_after[1] = c.after;
        dl_complete(a.breaks, 0, 300);
        std::vector<std::string> got;
        for (const StakeRow& s : stake_table_rows(a, 20))
            got.push_back(s.name + "@" + s.station.text);
        EXPECT_EQ(got, c.stations) << "break " << c.before << " = " << c.after;
        std::ostringstream csv;
        write_line_table_csv(csv, LineTableKind::stakes, a, 20);
        EXPECT_EQ(csv.str().substr(0, 3), "\xEF\xBB\xBF");
        // The break's row: the station back, its number, where it stands, its name.
        std::string back;
        for (const std::string& row : c.stations)
            if (row.starts_with("断链@")) back = row.substr(row.find('@') + 1);
        const std::string line = "\n" + back + "," + shortest_number(c.before) + ",";
        const std::size_t at = csv.str().find(line);
        ASSERT_NE(at, std::string::npos) << csv.str();
        EXPECT_NE(csv.str().find(",断链\n", at), std::string::npos) << csv.str();
    }
}

// Three straights of 100 m from K0+000 and one chain break: the element table shows the break
// on a row of its own after the element it stands in (between two where it stands at their
// joint), so that an element whose stations span less or more than its length is explained.
TEST(LineTables, ElementTableShowsTheChainBreaks) {
    struct Case {
        double before, after;
        std::vector<std::string> rows;  // "index start~end length", "断链 back=ahead"
    };
    const Case cases[] = {
        {150,
         140,  // a long chain inside the second element: 90 m of stations, 100 m long
         {"1 K0+000~K0+100 100", "2 K0+100~K0+190 100", "断链 AK0+150=BK0+140",
          "3 K0+190~K0+290 100"}},
        {150,
         170,  // a short chain there: 120 m of stations
         {"1 K0+000~K0+100 100", "2 K0+100~K0+220 100", "断链 K0+150=K0+170",
          "3 K0+220~K0+320 100"}},
        {100,
         120,  // at the joint of the first two
         {"1 K0+000~K0+100 100", "断链 K0+100=K0+120", "2 K0+120~K0+220 100",
          "3 K0+220~K0+320 100"}},
    };
    for (const Case& c : cases) {
        Alignment a;
        a.line.reset(0, {1000, 2000}, kPi / 2);
        for (int i = 0; i < 3; ++i) a.line.append(0, 0, 100);
        a.breaks.dl_count = 1;
        a.breaks.dl_before[1] = c.before;
        a.breaks.dl_after[1] = c.after;
        dl_complete(a.breaks, 0, 300);
        std::vector<std::string> got;
        for (const ElementTableRow& r : element_table_rows(a))
            got.push_back(r.chain_break ? "断链 " + r.back.text + "=" + r.ahead.text
                                        : std::to_string(r.index) + " " + r.start.text + "~" +
                                              r.end.text + " " + shortest_number(r.length));
        EXPECT_EQ(got, c.rows) << "break " << c.before << " = " << c.after;
    }
}

TEST(LineTables, RefusalsAndPrintedAngles) {
    Alignment ramp;
    ramp.line.reset(0, {0, 0}, 0);
    ramp.line.append(0, 1.0 / 300, 60);
    ramp.key_points = element_key_points(ramp.line);
    dl_complete(ramp.breaks, 0, 60);
    EXPECT_THROW(curve_table_rows(ramp), DataError);
    EXPECT_THROW(stake_table_rows(ramp, 0), DataError);
    EXPECT_THROW(stake_table_rows(ramp, -5), DataError);
    EXPECT_THROW(stake_table_rows(ramp, NAN), DataError);
    EXPECT_THROW(stake_table_rows(ramp, 1e-5), DataError);  // more rows than a printed table
    // A main line of one JD has no direction, and no stakes.
    auto point = std::make_unique<MainLine>();
    point->jd_count = 1;
    zx_build(*point);
    Alignment lone = zx_alignment(*point);
    EXPECT_THROW(stake_table_rows(lone, 20), DataError);
    // Multiples of a decimal interval are the decimal numbers (3 × 0.1 is 0.30000000000000004).
    const std::vector<StakeRow> tenths = stake_table_rows(ramp, 0.1);
    ASSERT_GT(tenths.size(), 3u);
    EXPECT_EQ(shortest_number(tenths[3].station.number), "0.3");
    const std::vector<ElementTableRow> elements = element_table_rows(ramp);
    ASSERT_EQ(elements.size(), 1u);
    EXPECT_NEAR(elements[0].a, std::sqrt(60.0 * 300), 1e-9);  // A² = R·Ls
    EXPECT_EQ(elements[0].r_start, 0);
    EXPECT_NEAR(elements[0].r_end, 300, 1e-9);

    struct Angle {
        double degrees;
        const char* text;
    };
    const Angle angles[] = {
        {23 + 37 / 60.0 + 45.6 / 3600, "23°37′45.6″"},
        {59 + 59 / 60.0 + 59.96 / 3600, "60°00′00.0″"},  // the rounding carries
        {0.5 / 3600, "0°00′00.5″"},
        {359.99999999, "360°00′00.0″"},
        {-(1 / 3600.0), "-0°00′01.0″"},
    };
    for (const Angle& a : angles) EXPECT_EQ(dms_text(a.degrees, 1), a.text) << a.degrees;
}

}  // namespace
}  // namespace qelt
