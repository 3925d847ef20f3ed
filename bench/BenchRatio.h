#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace benchsupport {

// Runs the measured work and its baseline alternately in each iteration, so both see the same
// machine state, and reports the measured time (manual time), the baseline's median and the
// median ratio between the two.
template <typename Work, typename Baseline>
void MeasureAgainstBaseline(benchmark::State& state, Work work, Baseline baseline) {
  using Clock = std::chrono::steady_clock;
  std::vector<double> ratios, workMs, baseMs;
  for (auto _ : state) {
    const auto b0 = Clock::now();
    baseline();
    const auto b1 = Clock::now();
    work();
    const auto w1 = Clock::now();
    const double base = std::chrono::duration<double>(b1 - b0).count();
    const double measured = std::chrono::duration<double>(w1 - b1).count();
    state.SetIterationTime(measured);
    ratios.push_back(measured / base);
    workMs.push_back(measured * 1e3);
    baseMs.push_back(base * 1e3);
  }
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
  };
  state.counters["median_ms"] = median(workMs);
  state.counters["baseline_ms"] = median(baseMs);
  state.counters["ratio"] = median(ratios);
}

}  // namespace benchsupport
