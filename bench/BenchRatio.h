#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace benchsupport {

// The median of the samples (the upper one of an even count).
inline double Median(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  return samples.empty() ? 0.0 : samples[samples.size() / 2];
}

// Runs an untimed preparation, then the baseline and the measured work, in each iteration, so
// both see the same machine state, and reports the measured time (manual time), the baseline's
// median and the median ratio between the two.
template <typename Setup, typename Work, typename Baseline>
void MeasureWithSetup(benchmark::State& state, Setup setup, Work work, Baseline baseline) {
  using Clock = std::chrono::steady_clock;
  std::vector<double> ratios, workMs, baseMs;
  for (auto _ : state) {
    setup();
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
  state.counters["median_ms"] = Median(workMs);
  state.counters["baseline_ms"] = Median(baseMs);
  state.counters["ratio"] = Median(ratios);
}

// The same without a preparation.
template <typename Work, typename Baseline>
void MeasureAgainstBaseline(benchmark::State& state, Work work, Baseline baseline) {
  MeasureWithSetup(
      state, [] {}, work, baseline);
}

}  // namespace benchsupport
