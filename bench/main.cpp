// Throughput of the locate step, the inner loop of every borehole table.
#include <benchmark/benchmark.h>

BENCHMARK_MAIN();
