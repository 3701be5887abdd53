// SPDX-License-Identifier: Zlib
#include "bench_report.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace benchreport {

namespace {

const char* Verdict(bool ok) { return ok ? "met" : "MISSED"; }

// A run that ended in an error or was skipped: Google Benchmark 1.7 says so in
// `error_occurred`, 1.8 and later in `skipped`.
template <typename R>
bool Failed(const R& run) {
  if constexpr (requires { run.error_occurred; })
    return run.error_occurred;
  else
    return bool(run.skipped);
}

}  // namespace

Reporter::Reporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

void Reporter::ReportRuns(const std::vector<Run>& runs) {
  for (const Run& run : runs) {
    if (run.run_type != Run::RT_Iteration || Failed(run)) continue;
    Figures f;
    for (const auto& [name, counter] : run.counters) f.counters[name] = counter.value;
    f.realNs = run.GetAdjustedRealTime() * 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
    const std::string name = run.benchmark_name();
    if (!runs_.count(name)) order_.push_back(name);
    runs_[name] = f;
  }
  ConsoleReporter::ReportRuns(runs);
}

const Reporter::Figures* Reporter::Find(const std::string& name) const {
  auto it = runs_.find(name);
  return it == runs_.end() ? nullptr : &it->second;
}

bool Reporter::Summarise() {
  bool ok = true;
  auto counter = [](const Figures* f, const char* key) {
    auto it = f->counters.find(key);
    return it == f->counters.end() ? -1.0 : it->second;
  };
  std::printf("\n--- targets\n");
  if (const Figures* f = Find("tick/UpdateWorld/standard")) {
    const double median = counter(f, "median_us");
    ok &= median <= 20;
    std::printf("tick, standard world (%g solids, %g casters): median %.2f us, p99 %.2f us "
                "(target <= 20 us: %s)\n",
                counter(f, "solids"), counter(f, "casters"), median, counter(f, "p99_us"),
                Verdict(median <= 20));
  }
  if (const Figures* f = Find("tick/CastView/one-guard")) {
    const double median = counter(f, "median_us");
    ok &= median <= 3;
    std::printf("CastView of one guard: median %.3f us (target <= 3 us: %s)\n", median,
                Verdict(median <= 3));
  }
  double lo = 1e30, hi = 0;
  for (int factor : {1, 10, 100}) {
    const Figures* f = Find("tick/UpdateWorld/scaled/" + std::to_string(factor));
    if (!f) continue;
    const double per = counter(f, "ns_per_ray_solid");
    lo = std::min(lo, per);
    hi = std::max(hi, per);
    std::printf("tick x%-3d %6g solids %4g casters %10g ray-solid tests: %10.1f us/tick, "
                "%.3f ns per ray per solid\n",
                factor, counter(f, "solids"), counter(f, "casters"), counter(f, "ray_solid_tests"),
                f->realNs / 1000, per);
  }
  if (hi > 0) {
    const bool linear = hi / lo <= 1.5;
    ok &= linear;
    std::printf("cost per ray per solid from x1 to x100 varies by a factor %.2f "
                "(linear in rays x solids when <= 1.5: %s)\n",
                hi / lo, Verdict(linear));
  }
  for (const std::string& name : order_) {
    const Figures& f = runs_[name];
    auto it = f.counters.find("allocs_per_call");
    if (it == f.counters.end()) continue;
    ok &= it->second == 0;
    auto own = f.counters.find("own_allocs_per_call");
    std::printf("heap allocations per call, %s: %g, by the game and engine %g (target 0: %s)\n",
                name.c_str(), it->second, own == f.counters.end() ? it->second : own->second,
                Verdict(it->second == 0));
  }
  for (const std::string& name : order_) {
    if (name.rfind("frame/", 0) != 0) continue;
    const Figures* f = &runs_[name];
    const double calls = counter(f, "renderer_calls");
    const double batches = counter(f, "batches");
    const bool few = batches >= 0 && batches <= 10;
    ok &= few;
    std::printf("%s: median %.1f us a frame (draw and present), of which the draw callback "
                "%.1f us; renderer calls per frame %g, geometry batches %g "
                "(target: a handful of batches, <= 10: %s)\n",
                name.c_str(), counter(f, "median_us"), counter(f, "drawworld_median_us"), calls,
                batches, Verdict(few));
  }
  std::printf("%s\n", ok ? "all targets met" : "SOME TARGETS MISSED");
  return ok;
}

}  // namespace benchreport
