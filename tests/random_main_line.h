#pragma once
// Random main lines for the tests that check a built line against an independent model (the
// locate tests, the line-table tests).

#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

#include "zxbas/zxbas.h"

namespace qelt::test {

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
        const double d = uniform(rng, 10, 120) * std::numbers::pi / 180 * (rng() % 2 ? 1 : -1);
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
    start_heading = uniform(rng, 0, 2 * std::numbers::pi);
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

}  // namespace qelt::test
