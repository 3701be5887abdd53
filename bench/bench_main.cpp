// SPDX-License-Identifier: Zlib
// The benchmark program: binds the real engine library beside it, runs the
// tick and frame benchmarks and ends with every figure held against its
// target. Exit code 1 when a target was missed.
#include <benchmark/benchmark.h>

#include "bench_report.h"
#include "bench_world.h"

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
  if (!benchworld::BindEngine()) return 1;
  benchreport::Reporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const bool ok = reporter.Summarise();
  benchmark::Shutdown();
  return ok ? 0 : 1;
}
