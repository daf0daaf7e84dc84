// The placement both ways on whole alignments as the builders make them (so here, above the
// builders, rather than beside the placement): surveyed points within 100 m of random main lines
// with chain breaks and of random element chains go back to station and offset (place_surveyed),
// and forward again (place_borehole) through the station's full-precision value, and to the
// millimetre through its printed text read with the borehole-file rules, to the same point.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>
#include <optional>
#include <random>
#include <string>

#include "alignment/placement.h"
#include "base/data_error.h"
#include "base/text.h"
#include "htbas/htbas.h"
#include "station/station.h"
#include "zxbas/zxbas.h"

namespace qelt {
namespace {

constexpr double kPi = std::numbers::pi;

double uniform(std::mt19937_64& rng, double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(rng);
}

// A random main line far from the origin: 3..7 JDs, deflections of 10°..110° either way, radii
// 150..1500 m, transitions or none. Null when the draw does not build (curves overlapping).
std::optional<Alignment> random_main_line(std::mt19937_64& rng, MainLine& m) {
    const int n = 3 + static_cast<int>(rng() % 5);
    m.jd_count = n;
    m.jd_start_station = uniform(rng, 0, 30000);
    double heading = uniform(rng, 0, 2 * kPi);
    double x = 3.5e6 + uniform(rng, -1e4, 1e4), y = 5e5 + uniform(rng, -1e4, 1e4);
    for (int i = 1; i <= n; ++i) {
        m.jd_x[i] = x;
        m.jd_y[i] = y;
        m.jd_r[i] = m.jd_ls1[i] = m.jd_ls2[i] = m.jd_r1[i] = m.jd_r2[i] = 0;
        if (i > 1 && i < n) {
            m.jd_r[i] = uniform(rng, 150, 1500);
            const double turn = uniform(rng, 10, 110) * kPi / 180;
            m.jd_ls1[i] = rng() % 3 ? std::fmin(uniform(rng, 30, 200), m.jd_r[i] * turn / 3) : 0;
            m.jd_ls2[i] = rng() % 3 ? std::fmin(uniform(rng, 30, 200), m.jd_r[i] * turn / 3) : 0;
            heading += rng() % 2 ? turn : -turn;
        }
        const double leg = uniform(rng, 900, 2000);
        x += leg * std::cos(heading);
        y += leg * std::sin(heading);
    }
    try {
        zx_build(m);
    } catch (const DataError&) {
        return std::nullopt;
    }
    return zx_alignment(m);
}

// 1..3 chain breaks at least 400 m apart, long (the overlap occurring twice) or short, completed
// as the run completes the table.
ChainBreaks random_breaks(std::mt19937_64& rng, double start, double end) {
    ChainBreaks breaks;
    const int n = 1 + static_cast<int>(rng() % 3);
    const double stretch = (end - start) / n;
    double shift = 0;
    for (int i = 1; i <= n; ++i) {
        const double at = start + stretch * (i - 1) + uniform(rng, 150, stretch - 250);
        const double jump = rng() % 3 ? uniform(rng, 5, 100) : -uniform(rng, 5, 100);
        breaks.dl_before[i] = at - shift;
        breaks.dl_after[i] = breaks.dl_before[i] - jump;
        shift += jump;
    }
    breaks.dl_count = static_cast<std::int16_t>(n);
    // The last interval ends at the line's end, in that interval's numbering.
    breaks.dl_before[n + 1] = breaks.dl_after[n + 1] = end - shift;
    return breaks;
}

// The point `offset` metres to the left of the line at `mileage`, as the table run places a
// borehole.
void beside(const Alignment& a, double mileage, double offset, double& x, double& y) {
    double azimuth = 0;
    Point p;
    a.line.locate(mileage, p, azimuth);
    x = p.x;
    y = p.y;
    x += offset * std::sin(azimuth);
    y -= offset * std::cos(azimuth);
}

struct Tally {
    double worst = 0;
    int points = 0, lettered = 0;
};

// Points within 100 m of the line (also beside its extended ends) back to station and offset
// and forward again.
void round_trips(Alignment a, const ChainBreaks& breaks, std::mt19937_64& rng, Tally& tally,
                 const char* what) {
    a.breaks = breaks;
    const double start = a.start_mileage(), end = a.end_mileage();
    for (int j = 0; j < 40; ++j) {
        // Half of them near the chain breaks, where the overlaps and gaps are.
        double m0 = uniform(rng, start - 30, end + 30);
        if (breaks.dl_count > 0 && j % 2 == 0) {
            const int i = 1 + static_cast<int>(rng() % breaks.dl_count);
            double at = breaks.dl_before[i];
            for (int k = 1; k < i; ++k) at += breaks.dl_before[k] - breaks.dl_after[k];
            m0 = at + uniform(rng, -120, 120);
        }
        const double d0 = uniform(rng, -100, 100);
        double px = 0, py = 0;
        beside(a, m0, d0, px, py);
        const PlacedBorehole back = place_surveyed(a, "P", {px, py});
        ASSERT_EQ(back.outcome, PlacementOutcome::placed) << what << " m0 " << m0;
        ASSERT_LE(std::abs(back.offset), std::abs(d0) + 1e-9) << what << " m0 " << m0;
        const StationOfMileage s = zh_station_of(a.breaks, back.mileage);
        ASSERT_EQ(back.station, s.text);

        // The full-precision value in its interval, lettered, back to a mileage and a point
        // (beyond the ends of the line too, where a lettered station is refused as input).
        double m1 = 0;
        zh_mileage(a.breaks, std::string(1, s.letter) + shortest_number(back.station_value), m1);
        double x = 0, y = 0;
        beside(a, m1, back.offset, x, y);
        const double error = std::hypot(x - px, y - py);
        tally.worst = std::fmax(tally.worst, error);
        ++tally.points;
        EXPECT_LT(error, 1e-6) << what << " m0 " << m0 << " d0 " << d0 << " " << s.text;

        // The printed station read as a borehole file's: the same place, to the millimetre.
        const PlacedBorehole printed = place_borehole(a, {back.station, 0, "0"});
        ASSERT_EQ(printed.outcome, PlacementOutcome::placed) << s.text << ": " << printed.message;
        EXPECT_NEAR(printed.mileage, back.mileage, 0.0005 + 1e-9) << what << " " << s.text;

        // In a long chain's overlap the text carries its interval's letter.
        bool overlap = false;
        for (int i = 1; i <= breaks.dl_count; ++i)
            overlap = overlap || (breaks.dl_before[i] > breaks.dl_after[i] &&
                                  s.number > breaks.dl_after[i] + 0.001 &&
                                  s.number < breaks.dl_before[i] - 0.001);
        if (overlap) {
            EXPECT_EQ(s.text.front(), s.letter) << s.text << " " << s.number;
            ++tally.lettered;
        }
    }
}

TEST(Inverse, MainLinesWithChainBreaksRoundTrip) {
    std::mt19937_64 rng(20240703);
    Tally tally;
    int lines = 0;
    for (int attempt = 0; attempt < 80 && lines < 25; ++attempt) {
        auto m = std::make_unique<MainLine>();
        auto a = random_main_line(rng, *m);
        if (!a) continue;
        ++lines;
        const ChainBreaks breaks = random_breaks(rng, a->start_mileage(), a->end_mileage());
        round_trips(*a, breaks, rng, tally, "main line");
    }
    ASSERT_GE(lines, 15);
    EXPECT_GT(tally.lettered, 20) << "too few points in overlaps to tell";
    std::printf("%d main lines, %d points (%d lettered): worst round trip %.1e m\n", lines,
                tally.points, tally.lettered, tally.worst);
}

// Element chains: straights, arcs of 40..1500 m either way (loops up to 4 rad), transitions
// between them and S-shaped inflections, each element starting at the curvature the last ended.
TEST(Inverse, ElementChainsRoundTrip) {
    std::mt19937_64 rng(20240704);
    Tally tally;
    int chains = 0;
    for (int attempt = 0; attempt < 60 && chains < 25; ++attempt) {
        auto c = std::make_unique<ElementChain>();
        c->ht_start_station = uniform(rng, 0, 5000);
        c->ht_start_x = 3.5e6 + uniform(rng, -1e4, 1e4);
        c->ht_start_y = 5e5 + uniform(rng, -1e4, 1e4);
        c->ht_start_azimuth =
            static_cast<double>(rng() % 360) + (rng() % 60) / 100.0 + (rng() % 60) / 10000.0;
        const int n = 3 + static_cast<int>(rng() % 8);
        double radius = kStraightRadius;
        for (int i = 1; i <= n; ++i) {
            const double next =
                rng() % 3 == 0 ? kStraightRadius : (rng() % 2 ? 1 : -1) * uniform(rng, 40, 1500);
            double length = uniform(rng, 20, 300);
            if (next == radius && next != kStraightRadius)
                length = std::fmin(length, 4 * std::abs(next));
            c->ht_in_r1[i] = radius;
            c->ht_in_r2[i] = next;
            c->ht_in_len[i] = length;
            radius = next;
        }
        c->ht_in_count = static_cast<std::int16_t>(n);
        std::optional<Alignment> a;
        try {
            ht_split_inflections(*c);
            ht_build_chain(*c);
            a = ht_alignment(*c, "ht.txt");
        } catch (const DataError&) {
            continue;
        }
        ++chains;
        round_trips(*a, ChainBreaks{}, rng, tally, "element chain");
    }
    ASSERT_GE(chains, 15);
    std::printf("%d element chains, %d points: worst round trip %.1e m\n", chains, tally.points,
                tally.worst);
}

}  // namespace
}  // namespace qelt
