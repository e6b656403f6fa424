// How far the busy-wait overshoots the line waits of the jig (15, 80 and
// 480 us) on the real clock. Each run collects one sample per wait and
// reports the median and the 99th percentile of the overshoot in
// microseconds; a wait may run long, never short.
#include "link/clock.h"
#include "link/delay.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

double percentile(std::vector<double>& samples, double fraction) {
    if (samples.empty()) {
        return 0.0;
    }
    const auto rank = static_cast<std::size_t>(fraction * static_cast<double>(samples.size() - 1));
    std::nth_element(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(rank),
                     samples.end());
    return samples[rank];
}

void BM_DelayMicroseconds(benchmark::State& state) {
    const auto waitUs = static_cast<std::uint64_t>(state.range(0));
    ccp::link::SteadyClock clock;
    std::vector<double> overshootUs;
    overshootUs.reserve(static_cast<std::size_t>(state.max_iterations));
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        ccp::link::DelayMicroseconds(clock, waitUs);
        const auto end = std::chrono::steady_clock::now();
        const std::chrono::duration<double, std::micro> took = end - start;
        overshootUs.push_back(took.count() - static_cast<double>(waitUs));
    }
    double shortest = overshootUs.empty() ? 0.0 : overshootUs.front();
    for (const double s : overshootUs) {
        shortest = std::min(shortest, s);
    }
    state.counters["median_us"] = percentile(overshootUs, 0.50);
    state.counters["p99_us"] = percentile(overshootUs, 0.99);
    state.counters["min_us"] = shortest;
    state.counters["samples"] = static_cast<double>(overshootUs.size());
}

BENCHMARK(BM_DelayMicroseconds)
    ->Arg(15)
    ->Arg(80)
    ->Arg(480)
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(20000);

} // namespace

BENCHMARK_MAIN();
