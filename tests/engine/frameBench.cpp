// SPDX-License-Identifier: Zlib
// What a frame like the game's costs: the grey field, six cones, thirty-seven
// walls and boxes, five guards with marks and the hero, drawn through the
// exported operations into a dummy-driver window (software renderer).
// Reports renderer calls and flushes per frame next to the time.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <numbers>
#include <vector>

#include "engine.h"

#define BENCH_DECLARE(ret, name, params, args) extern "C" ret name params;
ZGL_OPERATIONS(BENCH_DECLARE)
#undef BENCH_DECLARE

namespace {

void GameLikeFrame(benchmark::State& state) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  engine::Engine& core = engine::Core();
  if (!core.OpenDisplay().empty()) {
    state.SkipWithError("no window");
    return;
  }
  std::vector<Point2D> cone(39), uv(39);
  for (int i = 0; i < 13; ++i) {
    const double a0 = (i * 5 - 30) * std::numbers::pi / 180, a1 = a0 + 5 * std::numbers::pi / 180;
    cone[3 * i] = {0, 0};
    cone[3 * i + 1] = {float(200 * std::cos(a0)), float(200 * std::sin(a0))};
    cone[3 * i + 2] = {float(200 * std::cos(a1)), float(200 * std::sin(a1))};
    uv[3 * i] = {0.5f, 0.5f};
    uv[3 * i + 1] = {float(0.5 + 0.5 * std::cos(a0)), float(0.5 + 0.5 * std::sin(a0))};
    uv[3 * i + 2] = {float(0.5 + 0.5 * std::cos(a1)), float(0.5 + 0.5 * std::sin(a1))};
  }
  for (auto _ : state) {
    core.batch.BeginFrame();
    pr2d_Rect(0, 0, 800, 600, 0xCFCFCF, 255, 0x010000);
    for (int c = 0; c < 6; ++c) pr2d_TriList(nullptr, cone.data(), uv.data(), 0, 37, 0xFFFFFF, 100, 0x110000);
    for (int w = 0; w < 37; ++w) pr2d_Rect(float(w * 20), float(w * 15), 30, 30, 0x404040, 255, 0x010000);
    for (int g = 0; g < 5; ++g) {
      pr2d_Rect(float(100 + g * 120), 300, 20, 20, 0x802020, 255, 0x010000);
      pr2d_Circle(float(110 + g * 120), 290, 3, 0xFF0000, 255, 8, 0x010000);
    }
    pr2d_Rect(30, 30, 20, 20, 0x208020, 255, 0x010000);
    core.batch.Present();
  }
  state.counters["rendererCalls"] = core.batch.LastFrame().rendererCalls;
  state.counters["flushes"] = core.batch.LastFrame().flushes;
  state.counters["triangles"] = core.batch.LastFrame().triangles;
  core.CloseDisplay();
}
BENCHMARK(GameLikeFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
