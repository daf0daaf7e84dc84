// Points per second of zx_locate on a long main line: 999 JDs zigzagging 30° either side of
// north, every curve R = 600 with 120 m transitions, located at random mileages.

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>
#include <memory>
#include <random>
#include <vector>

#include "zxbas/zxbas.h"

namespace {

std::unique_ptr<qelt::MainLine> zigzag_line() {
    auto m = std::make_unique<qelt::MainLine>();
    const int n = 999;
    const double pi = std::numbers::pi;
    m->jd_count = n;
    m->jd_start_station = 10000;
    m->jd_x[1] = 3.5e6;
    m->jd_y[1] = 5e5;
    for (int i = 2; i <= n; ++i) {
        // Legs of 1 km alternately 15° east and 15° west of north: a 30° turn at every JD.
        const double heading = i % 2 == 0 ? pi / 12 : -pi / 12;
        m->jd_x[i] = m->jd_x[i - 1] + 1000 * std::cos(heading);
        m->jd_y[i] = m->jd_y[i - 1] + 1000 * std::sin(heading);
        m->jd_r[i] = 600;
        m->jd_ls1[i] = m->jd_ls2[i] = 120;
    }
    qelt::zx_build(*m);
    return m;
}

void BM_ZxLocate(benchmark::State& state) {
    static const auto line = zigzag_line();
    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> mileage(line->jd_station[1],
                                                   line->jd_station[line->jd_count]);
    std::vector<double> mileages(4096);
    for (double& p : mileages) p = mileage(rng);

    std::size_t next = 0;
    for (auto _ : state) {
        double x = 0, y = 0, azimuth = 0;
        qelt::zx_locate(*line, mileages[next], x, y, azimuth);
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(y);
        benchmark::DoNotOptimize(azimuth);
        next = (next + 1) % mileages.size();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_ZxLocate);

}  // namespace
