#pragma once

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <vector>

namespace benchsupport {

// The median of the samples (the upper one of an even count).
inline double Median(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  return samples.empty() ? 0.0 : samples[samples.size() / 2];
}

inline double Lowest(const std::vector<double>& samples) {
  return samples.empty() ? 0.0 : *std::min_element(samples.begin(), samples.end());
}

inline double Highest(const std::vector<double>& samples) {
  return samples.empty() ? 0.0 : *std::max_element(samples.begin(), samples.end());
}

// The processor time of this thread, in user and kernel mode: unlike the time on the clock it
// does not count the moments other programs held the processor, so a shared machine gives
// ratios that repeat.
inline double ThreadSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Runs an untimed preparation, then the measured work and the baseline in alternating order (A B,
// B A, A B, ...: each sees the machine in the state the other left as often as not), and reports
// the medians of both on the clock (manual time: the work's), the median of the ratios of each
// pair by the clock and by processor time, and the lowest and highest processor-time ratio (the
// spread).
template <typename Setup, typename Work, typename Baseline>
void MeasureWithSetup(benchmark::State& state, Setup setup, Work work, Baseline baseline) {
  using Clock = std::chrono::steady_clock;
  struct Time {
    double wall, cpu;
  };
  std::vector<double> ratios, cpuRatios, workMs, baseMs;
  auto timed = [](auto&& run) {
    const double cpu = ThreadSeconds();
    const auto start = Clock::now();
    run();
    return Time{std::chrono::duration<double>(Clock::now() - start).count(), ThreadSeconds() - cpu};
  };
  // One round untimed: the first run of each pays for caches and pages the others find ready.
  setup();
  work();
  baseline();
  for (auto _ : state) {
    setup();
    Time base, measured;
    if (workMs.size() % 2 == 0) {
      measured = timed(work);
      base = timed(baseline);
    } else {
      base = timed(baseline);
      measured = timed(work);
    }
    state.SetIterationTime(measured.wall);
    ratios.push_back(measured.wall / base.wall);
    cpuRatios.push_back(measured.cpu / base.cpu);
    workMs.push_back(measured.wall * 1e3);
    baseMs.push_back(base.wall * 1e3);
  }
  state.counters["median_ms"] = Median(workMs);
  state.counters["baseline_ms"] = Median(baseMs);
  state.counters["ratio"] = Median(ratios);
  state.counters["cpu_ratio"] = Median(cpuRatios);
  state.counters["cpu_lo"] = Lowest(cpuRatios);
  state.counters["cpu_hi"] = Highest(cpuRatios);
}

// The same without a preparation.
template <typename Work, typename Baseline>
void MeasureAgainstBaseline(benchmark::State& state, Work work, Baseline baseline) {
  MeasureWithSetup(
      state, [] {}, work, baseline);
}

// Keeps freed memory in the heap instead of handing it back to the system: a large block the work
// or the baseline frees is reused by the next one, so neither pays for fresh pages the other got
// for free (on this virtual machine a page fault costs more than the copy into the page).
inline void ReuseHeapMemory() {
  mallopt(M_MMAP_THRESHOLD, 512 * 1024 * 1024);
  mallopt(M_TRIM_THRESHOLD, 1024 * 1024 * 1024);
}

}  // namespace benchsupport

// The main of a benchmark program that compares work with a baseline.
#define QUILLMERE_BENCH_MAIN()           \
  int main(int argc, char** argv) {      \
    benchsupport::ReuseHeapMemory();     \
    benchmark::Initialize(&argc, argv);  \
    benchmark::RunSpecifiedBenchmarks(); \
    benchmark::Shutdown();               \
    return 0;                            \
  }
