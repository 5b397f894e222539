// One AlmanacOutPut call (target: under 20 µs), over days spread across the whole range so
// that month walks, leap years and term look-ups are all exercised. The heap_growth counter
// shows that repeated calls do not grow the heap (the per-thread text keeps its capacity).
#include "almanac/Almanac.h"

#include <benchmark/benchmark.h>
#include <malloc.h>

namespace {

void AlmanacOutPutCall(benchmark::State& state)
{
    int i = 0;
    AlmanacOutPut("horalux.example", 2026, 12, 10); // the per-thread text reaches its size once
    const auto before = mallinfo2().uordblks;
    for (auto _ : state) {
        const int year = 1901 + i % 199, month = 1 + i % 12, day = 1 + i % 28;
        benchmark::DoNotOptimize(AlmanacOutPut("horalux.example", year, month, day));
        i += 37;
    }
    state.counters["heap_growth"] = static_cast<double>(mallinfo2().uordblks - before);
}
BENCHMARK(AlmanacOutPutCall);

void AlmanacOutPutOutOfRange(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(AlmanacOutPut("horalux.example", 2026, 2, 30));
}
BENCHMARK(AlmanacOutPutOutOfRange);

} // namespace

BENCHMARK_MAIN();
