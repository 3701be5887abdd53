// SPDX-License-Identifier: Zlib
// Benchmark of a frame drawn through the engine into SDL's software renderer
// (the dummy video driver, set here): the game's draw callback (the field and
// DrawWorld) into the engine's batch, then the present that rasterises it.
// Reports the time, the renderer calls and batches per frame, and the heap
// allocations made in a frame.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "alloc_counter.h"
#include "objects/uEnemy.h"
#include "bench_report.h"
#include "core_binding.h"
#include "engine.h"
#include "input_bot.h"
#include "shell/uShell.h"
#include "world/uRandom.h"
#include "world/uWorld.h"

namespace {

constexpr uint64_t kSeed = 20240607;
using Clock = std::chrono::steady_clock;

double Median(std::vector<double>& v, size_t count) {
  if (count == 0) return 0;
  std::nth_element(v.begin(), v.begin() + long(count / 2), v.begin() + long(count));
  return v[count / 2];
}

void DrawFrame() {
  engine::Core().batch.BeginFrame();
  OnDraw();
  engine::Core().batch.Present();
}

void BM_Frame(benchmark::State& state) {
  static std::vector<double> frameNs(1 << 20), drawNs(1 << 20);
  size_t n = 0;
  engine::Batch& batch = engine::Core().batch;
  uint64_t total = 0, own = 0;
  for (auto _ : state) {
    // Counted frame by frame, so that every allocation's caller is told apart.
    alloc_counter::Arm();
    const auto t0 = Clock::now();
    batch.BeginFrame();
    OnDraw();
    const auto t1 = Clock::now();
    batch.Present();
    const auto t2 = Clock::now();
    const auto allocs = alloc_counter::Disarm();
    total += allocs.Total();
    own += allocs.Own();
    if (n < frameNs.size()) {
      frameNs[n] = double(std::chrono::nanoseconds(t2 - t0).count());
      drawNs[n] = double(std::chrono::nanoseconds(t1 - t0).count());
      ++n;
    }
  }
  const engine::FrameStats& last = batch.LastFrame();
  state.counters["median_us"] = Median(frameNs, n) / 1000;
  state.counters["drawworld_median_us"] = Median(drawNs, n) / 1000;
  state.counters["renderer_calls"] = last.rendererCalls;
  state.counters["batches"] = last.flushes;
  state.counters["triangles"] = last.triangles;
  const double frames = double(std::max<benchmark::IterationCount>(state.iterations(), 1));
  state.counters["allocs_per_call"] = double(total) / frames;
  state.counters["own_allocs_per_call"] = double(own) / frames;
}
BENCHMARK(BM_Frame)->Name("frame/DrawWorld/software")->Unit(benchmark::kMicrosecond);

// The same with a guard showing its marks: a world played until a guard
// sights the hero, then held still.
void BM_FrameWithMarks(benchmark::State& state) {
  RandSeed(4);
  OnLoad();
  inputbot::Reset(4);
  bool marks = false;
  for (int tick = 0; tick < 5000 && !marks; ++tick) {
    OnTimer();
    for (int g = 0; g < Enemies.Count(); ++g) marks |= Enemies[g]->AlertLevel > 0;
  }
  if (!marks) {
    state.SkipWithError("no guard sighted the hero");
    return;
  }
  for (int i = 0; i < 3; ++i) DrawFrame();  // SDL sizes its queues
  BM_Frame(state);
}
BENCHMARK(BM_FrameWithMarks)->Name("frame/DrawWorld/software/with-marks")->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  // The software renderer, whatever display this runs on.
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;

  corebinding::Bind(&zgl::api);
  inputbot::Install(&zgl::api);
  corebinding::RegisterGame(OnLoad, OnDraw, OnTimer);
  const std::string why = engine::Core().OpenDisplay();
  if (!why.empty()) {
    std::fprintf(stderr, "bench_frame: %s\n", why.c_str());
    return 1;
  }
  SDL_RendererInfo info{};
  SDL_GetRendererInfo(engine::Core().Renderer(), &info);
  RandSeed(kSeed);
  OnLoad();
  inputbot::Reset(uint32_t(kSeed));
  // A played-in world: the guards have turned, the hero has moved.
  for (int i = 0; i < 120; ++i) OnTimer();
  const auto first = alloc_counter::CountIn(DrawFrame);
  for (int i = 0; i < 2; ++i) DrawFrame();
  std::printf("renderer: %s; heap allocations in the first frame (SDL filling its queues): %llu\n",
              info.name ? info.name : "?", (unsigned long long)first.Total());
  std::fflush(stdout);

  benchreport::Reporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const bool ok = reporter.Summarise();
  benchmark::Shutdown();
  engine::Core().CloseDisplay();
  return ok ? 0 : 1;
}
