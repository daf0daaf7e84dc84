// Locate throughput on a long ramp: 999 elements (the most a chain can hold) cycling through
// straights, transitions, arcs and radius-to-radius pieces, at random stations along it.

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "htbas/htbas.h"

namespace {

void BM_ht_locate(benchmark::State& state) {
    struct Element {
        double r1, r2, len;
    };
    const Element pattern[] = {{9999, 9999, 80}, {9999, 600, 70},   {600, 600, 120},
                               {600, 250, 50},   {250, 250, 90},    {250, 9999, 60},
                               {9999, -400, 60}, {-400, -400, 100}, {-400, 9999, 60}};
    auto chain = std::make_unique<qelt::ElementChain>();
    chain->ht_start_station = 0;
    chain->ht_start_x = 3.5e6;
    chain->ht_start_y = 5e5;
    chain->ht_start_azimuth = 30;  // ddd.mmss as the file gives it: 30°
    for (int i = 1; i <= qelt::kMaxChainElements; ++i) {
        const Element& e = pattern[(i - 1) % std::size(pattern)];
        chain->ht_in_r1[i] = e.r1;
        chain->ht_in_r2[i] = e.r2;
        chain->ht_in_len[i] = e.len;
    }
    chain->ht_in_count = qelt::kMaxChainElements;
    qelt::ht_split_inflections(*chain);
    qelt::ht_build_chain(*chain);

    const double end = chain->ht_station[chain->ht_count + 1];
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> station(0, end);
    std::vector<double> stations(4096);
    for (double& p : stations) p = station(rng);

    std::size_t k = 0;
    for (auto _ : state) {
        double x = 0, y = 0, a = 0;
        qelt::ht_locate(*chain, stations[k++ % stations.size()], x, y, a);
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(y);
        benchmark::DoNotOptimize(a);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

}  // namespace

BENCHMARK(BM_ht_locate);
