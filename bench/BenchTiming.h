#pragma once

#include <benchmark/benchmark.h>

#include <chrono>

namespace corvanta::bench {

// Mean seconds per call of `work` over a fixed number of warm runs: the yardstick of a "ratio"
// counter.
template <typename Work> double secondsPerCall(Work work)
{
    constexpr int kRuns = 20;
    work();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRuns; ++i)
        work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / kRuns;
}

// Runs `work` in the benchmark loop and sets the "ratio" counter to its wall time per call over
// `bareSeconds` (no counter when `bareSeconds` is 0).
template <typename Work> void measureAgainst(benchmark::State& state, double bareSeconds, Work work)
{
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
        work();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (bareSeconds > 0)
        state.counters["ratio"] = seconds / double(state.iterations()) / bareSeconds;
}

} // namespace corvanta::bench
