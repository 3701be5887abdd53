// SPDX-License-Identifier: Zlib
// Benchmarks of the game's tick on the real engine library's geometry: the
// tick as the engine's timer runs it (UpdateWorld, then the per-tick input
// cleared), one living object's cast, and the same tick on worlds 10 and 100
// times as full, whose cost must grow with rays x solids and nothing worse.
// Every benchmark also counts the heap allocations its ticks make.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "alloc_counter.h"
#include "bench_report.h"
#include "bench_world.h"
#include "objects/uEnemy.h"
#include "objects/uHero.h"
#include "shell/uShell.h"
#include "world/uWorld.h"

namespace {

constexpr uint64_t kSeed = 20240607;
using Clock = std::chrono::steady_clock;

// Per-call times, kept so that the median is that of single ticks, not of
// batch means. Sized once, before any timed call.
class Samples {
 public:
  Samples() { ns_.resize(1 << 20); }
  void Clear() { count_ = 0; }
  void Add(Clock::duration d) {
    if (count_ < ns_.size()) ns_[count_++] = double(std::chrono::nanoseconds(d).count());
  }
  double Mean() const {
    double sum = 0;
    for (size_t i = 0; i < count_; ++i) sum += ns_[i];
    return count_ ? sum / double(count_) : 0;
  }
  double Percentile(double p) {
    if (count_ == 0) return 0;
    const size_t k = std::min(count_ - 1, size_t(p * double(count_)));
    std::nth_element(ns_.begin(), ns_.begin() + long(k), ns_.begin() + long(count_));
    return ns_[k];
  }

 private:
  std::vector<double> ns_;
  size_t count_ = 0;
};

Samples& TheSamples() {
  static Samples samples;
  return samples;
}

template <typename F>
void TimeEach(benchmark::State& state, F&& body) {
  Samples& samples = TheSamples();
  samples.Clear();
  alloc_counter::Arm();
  for (auto _ : state) {
    const auto t0 = Clock::now();
    body();
    samples.Add(Clock::now() - t0);
  }
  const auto allocs = alloc_counter::Disarm();
  state.counters["median_us"] = samples.Percentile(0.5) / 1000.0;
  state.counters["p99_us"] = samples.Percentile(0.99) / 1000.0;
  const double calls = double(std::max<benchmark::IterationCount>(state.iterations(), 1));
  state.counters["allocs_per_call"] = double(allocs.Total()) / calls;
  state.counters["own_allocs_per_call"] = double(allocs.Own()) / calls;
}

void BM_Tick(benchmark::State& state) {
  benchworld::BuildStandard(kSeed);
  TimeEach(state, [] { OnTimer(); });
  state.counters["solids"] = Solids.Count();
  state.counters["casters"] = 1 + Enemies.Count();
}
BENCHMARK(BM_Tick)->Name("tick/UpdateWorld/standard");

void BM_CastView(benchmark::State& state) {
  benchworld::BuildStandard(kSeed);
  // A few ticks first, so that the guard's cone meets the world as in play.
  for (int i = 0; i < 50; ++i) OnTimer();
  TEnemy* guard = Enemies[0];
  TimeEach(state, [guard] { guard->CastView(); });
}
BENCHMARK(BM_CastView)->Name("tick/CastView/one-guard");

// The standard tick (factor 1) and its 10- and 100-fold worlds.
void BM_TickScaled(benchmark::State& state) {
  const int factor = int(state.range(0));
  benchworld::BuildScaled(factor, kSeed);
  const int64_t tests = benchworld::RaySolidTestsPerTick();
  TimeEach(state, [] { OnTimer(); });
  state.SetComplexityN(tests);
  state.counters["ray_solid_tests"] = double(tests);
  state.counters["solids"] = Solids.Count();
  state.counters["casters"] = 1 + Enemies.Count();
  state.counters["ns_per_ray_solid"] = TheSamples().Mean() / double(tests);
}
BENCHMARK(BM_TickScaled)
    ->Name("tick/UpdateWorld/scaled")
    ->Arg(1)
    ->Arg(10)
    ->Arg(100)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
