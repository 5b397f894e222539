// The time query's two costs that the user can notice: one exchange with a near server
// (chronyd on loopback; target under 5 ms), and a silent server, which must give up at the
// query's bound while the clock face keeps being drawn (longest gap between two renders).
#include "nettime/Clock_Time.h"
#include "nettime/NetTimeSync.h"
#include "platform/headless/HeadlessPlatform.h"
#include "tests/nettime/NtpPeers.h"

#include <algorithm>
#include <benchmark/benchmark.h>

using namespace std::chrono;

static void BM_QueryLocalChrony(benchmark::State& state)
{
    static hx::test::ChronyServer chrony;
    static const bool started = chrony.Start();
    if (!started) {
        state.SkipWithError("chronyd did not start");
        return;
    }
    double worstMs = 0;
    int failures = 0;
    for (auto _ : state) {
        const auto start = steady_clock::now();
        const auto result = hx::QueryNetInstant(chrony.Address());
        worstMs = std::max(worstMs, duration<double, std::milli>(steady_clock::now() - start).count());
        failures += !result;
        benchmark::DoNotOptimize(result);
    }
    state.counters["worst_ms"] = worstMs;
    state.counters["failures"] = failures;
}
BENCHMARK(BM_QueryLocalChrony)->Unit(benchmark::kMillisecond)->Iterations(200);

// The face is a UI-thread loop that renders every 100 ms and runs posted work in between,
// as the desktop's main loop does, while the correction waits for a server that never answers.
static void BM_SilentServerKeepsFaceTicking(benchmark::State& state)
{
    hx::test::UdpResponder silent(nullptr);
    double longestGapMs = 0, queryMs = 0;
    for (auto _ : state) {
        hx::headless::HeadlessPlatform platform;
        hx::NetTimeSync sync;
        const auto start = steady_clock::now();
        sync.Start(platform, silent.Address());
        auto lastRender = steady_clock::now();
        auto nextRender = lastRender + milliseconds(100);
        while (sync.Running() || steady_clock::now() < start + milliseconds(200)) {
            const auto now = steady_clock::now();
            if (now >= nextRender) {
                longestGapMs = std::max(longestGapMs, duration<double, std::milli>(now - lastRender).count());
                lastRender = now;
                nextRender = now + milliseconds(100);
            }
            platform.WaitAndRunPending(
                duration_cast<milliseconds>(std::max(nextRender - steady_clock::now(), nanoseconds(0))));
        }
        queryMs = duration<double, std::milli>(steady_clock::now() - start).count();
        sync.Stop();
    }
    state.counters["longest_render_gap_ms"] = longestGapMs;
    state.counters["query_gave_up_after_ms"] = queryMs;
}
BENCHMARK(BM_SilentServerKeepsFaceTicking)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
