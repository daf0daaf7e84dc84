// Points per second of LocatedLine::locate on a long main line: 999 curves alternately right
// and left, each a 700 m straight, a 120 m transition into R = 600, the arc completing a 30°
// turn and the 120 m transition back (3996 pieces), located at random mileages.

#include <benchmark/benchmark.h>

#include <numbers>
#include <random>
#include <vector>

#include "geometry/geometry.h"

namespace {

qelt::LocatedLine curves_line() {
    qelt::LocatedLine line;
    line.reset(10000, {3.5e6, 5e5}, std::numbers::pi / 12);
    const double transition = 120, k = 1 / 600.0;
    // The arc turns what the two transitions (each L/(2R)) leave of 30°.
    const double arc = (std::numbers::pi / 6 - transition * k) / k;
    for (int i = 0; i < 999; ++i) {
        const double ki = i % 2 == 0 ? -k : k;
        line.append(0, 0, 700);
        line.append(0, ki, transition);
        line.append(ki, ki, arc);
        line.append(ki, 0, transition);
    }
    return line;
}

void BM_GeometryLocate(benchmark::State& state) {
    static const qelt::LocatedLine line = curves_line();
    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> mileage(line.start_mileage(), line.end_mileage());
    std::vector<double> mileages(4096);
    for (double& p : mileages) p = mileage(rng);

    std::size_t next = 0;
    for (auto _ : state) {
        qelt::Point point;
        double azimuth = 0;
        line.locate(mileages[next], point, azimuth);
        benchmark::DoNotOptimize(point);
        benchmark::DoNotOptimize(azimuth);
        next = (next + 1) % mileages.size();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_GeometryLocate);

// The piece evaluation alone, on the same transition into R = 600.
void BM_GeometryPieceLocal(benchmark::State& state) {
    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> along(0, 120);
    std::vector<double> s(4096);
    for (double& v : s) v = along(rng);

    std::size_t next = 0;
    for (auto _ : state) {
        double x = 0, y = 0, deflection = 0;
        qelt::piece_local(0, 1 / 600.0, 120, s[next], x, y, deflection);
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(y);
        benchmark::DoNotOptimize(deflection);
        next = (next + 1) % s.size();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_GeometryPieceLocal);

}  // namespace
