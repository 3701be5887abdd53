// SPDX-License-Identifier: Zlib
// The game measured in-process, with the engine core linked in and the scripted
// player at the keys. One program, built natively and for the page (run under node):
//
//   game_bench tick           the tick on the standard world and on worlds 10 and 100 times
//                             as full, one guard's cast; times, cost per ray per solid, heap
//                             allocations (all but the times are judged)
//   game_bench frame          a frame into SDL's software renderer (dummy video driver): time,
//                             renderer calls, batches and heap allocations, plain and with marks
//   game_bench pace --fps F [--seconds S] [--full-screen 1]   the engine's own loop, frames
//                             capped at F a second (0: the engine's pace), full screen from the
//                             first tick as F11 makes it; the tick rate is judged
//
// Prints key=value lines; exit code 1 when a judged figure is off.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "alloc_counter.h"
#include "clock.h"
#include "core_binding.h"
#include "engine.h"
#include "input_bot.h"
#include "objects/uEnemy.h"
#include "shell/uShell.h"
#include "world/uRandom.h"
#include "world/uWorld.h"
#include "world_setup.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr uint64_t kSeed = 20240607;
constexpr double kTickRate = 1000.0 / 17.0;
bool ok = true;

// Notes a judged figure, and says how it went.
const char* Verdict(bool met) {
  ok = ok && met;
  return met ? "met" : "MISSED";
}

// Times `calls` calls of `body` one by one (after `warmUp` untimed ones), counting what they
// allocate; the samples are sized before the first call.
struct Timing {
  double medianUs, p99Us, meanUs;
  alloc_counter::Counts allocs;
};
template <typename F>
Timing TimeEach(int warmUp, int calls, F&& body) {
  static std::vector<double> us(20000);
  for (int i = 0; i < warmUp; ++i) body();
  double sum = 0;
  alloc_counter::Arm();
  for (int i = 0; i < calls; ++i) {
    const auto t0 = Clock::now();
    body();
    sum += us[size_t(i)] = std::chrono::duration<double, std::micro>(Clock::now() - t0).count();
  }
  const auto allocs = alloc_counter::Disarm();
  std::sort(us.begin(), us.begin() + calls);
  return {us[size_t(calls / 2)], us[size_t(calls * 99 / 100)], sum / calls, allocs};
}

void Print(const char* name, const Timing& t, int calls) {
  std::printf("%s calls=%d median_us=%.3f p99_us=%.3f mean_us=%.3f allocs=%llu own_allocs=%llu (0: %s)\n",
              name, calls, t.medianUs, t.p99Us, t.meanUs, (unsigned long long)t.allocs.Total(),
              (unsigned long long)t.allocs.Own(), Verdict(t.allocs.Total() == 0));
}

int Tick() {
  worldsetup::BuildStandard(kSeed);
  Print("tick standard", TimeEach(2000, 20000, OnTimer), 20000);  // after 2000 ticks: the world in play
  std::printf("tick standard solids=%d casters=%d\n", Solids.Count(), 1 + Enemies.Count());
  Print("cast one-guard", TimeEach(0, 20000, [guard = Enemies[0]] { guard->CastView(); }), 20000);
  double lo = 1e30, hi = 0;
  for (int factor : {1, 10, 100}) {
    worldsetup::BuildScaled(factor, kSeed);
    const double tests = double(worldsetup::RaySolidTestsPerTick());
    const int calls = factor == 1 ? 20000 : factor == 10 ? 200 : 5;
    const Timing t = TimeEach(0, calls, OnTimer);
    // From the median tick: one tick the machine stalled must not move the spread.
    const double perTest = 1000 * t.medianUs / tests;
    lo = std::min(lo, perTest), hi = std::max(hi, perTest);
    std::printf("tick x%d solids=%d casters=%d ray_solid_tests=%.0f ns_per_ray_solid=%.3f ", factor,
                Solids.Count(), 1 + Enemies.Count(), tests, perTest);
    Print("", t, calls);
  }
  std::printf("tick linear spread=%.2f (ns per ray per solid, x1 to x100; <= 1.5: %s)\n", hi / lo,
              Verdict(hi / lo <= 1.5));
  return ok ? 0 : 1;
}

// 300 frames timed one by one, whole (draw and present) and up to the draw callback's end.
void TimeFrames(const char* name) {
  for (int i = 0; i < 3; ++i) corebinding::DrawFrame();  // SDL sizes its queues
  static double drawUs[300];
  int frame = 0;
  engine::Batch& batch = engine::Core().batch;
  const Timing t = TimeEach(0, 300, [&] {
    const auto t0 = Clock::now();
    batch.BeginFrame();
    OnDraw();
    drawUs[frame++] = std::chrono::duration<double, std::micro>(Clock::now() - t0).count();
    batch.Present();
  });
  std::sort(drawUs, drawUs + 300);
  const engine::FrameStats& s = batch.LastFrame();
  std::printf("frame %s median_us=%.1f draw_callback_median_us=%.1f renderer_calls=%u triangles=%u "
              "batches=%u (<= 10: %s) allocs=%llu own_allocs=%llu (0: %s)\n",
              name, t.medianUs, drawUs[150], unsigned(s.rendererCalls), unsigned(s.triangles),
              unsigned(s.flushes), Verdict(s.flushes <= 10), (unsigned long long)t.allocs.Total(),
              (unsigned long long)t.allocs.Own(), Verdict(t.allocs.Total() == 0));
}

int Frame() {
  setenv("SDL_VIDEODRIVER", "dummy", 1);  // the software renderer, whatever display this runs on
  corebinding::RegisterGame(OnLoad, OnDraw, OnTimer);
  const std::string why = engine::Core().OpenDisplay();
  if (!why.empty()) return std::fprintf(stderr, "game_bench: %s\n", why.c_str()), 1;
  SDL_RendererInfo info{};
  SDL_GetRendererInfo(engine::Core().Renderer(), &info);
  RandSeed(kSeed);
  OnLoad();
  inputbot::Reset(uint32_t(kSeed));
  for (int i = 0; i < 120; ++i) OnTimer();  // a played-in world
  const auto first = alloc_counter::CountIn(corebinding::DrawFrame);
  std::printf("frame renderer=%s first_frame_allocs=%llu (SDL filling its queues)\n",
              info.name ? info.name : "?", (unsigned long long)first.Total());
  TimeFrames("played-in");
  // A world played until a guard sights the hero, then held still.
  RandSeed(4);
  OnLoad();
  inputbot::Reset(4);
  bool marks = false;
  for (int tick = 0; tick < 5000 && !marks; ++tick) {
    OnTimer();
    for (int g = 0; g < Enemies.Count(); ++g) marks |= Enemies[g]->AlertLevel > 0;
  }
  if (marks) TimeFrames("with-marks");
  else std::printf("frame with-marks: no guard sighted the hero (%s)\n", Verdict(false));
  engine::Core().CloseDisplay();
  return ok ? 0 : 1;
}

// The pace: ticks are counted and the run timed in the timer procedure (a hidden window
// draws nothing); frames drawn while SDL has the window hidden or minimised apart.
engine::SystemClock gClock;
double gSeconds = 10, gElapsed = 0;
bool gFullScreen = false;
uint64_t gLoaded = 0, gTicks = 0, gFrames = 0, gHiddenFrames = 0;

int Pace(double fps) {
  setenv("SDL_VIDEODRIVER", "dummy", 0);  // headless unless a display is named
  corebinding::RegisterGame(
      [] { OnLoad(), gLoaded = gClock.Now(); },
      [] {
        ++gFrames;
        if (SDL_GetWindowFlags(engine::Core().Window()) & (SDL_WINDOW_HIDDEN | SDL_WINDOW_MINIMIZED))
          ++gHiddenFrames;
        OnDraw();
      },
      [] {
        if (++gTicks == 1 && gFullScreen) engine::Core().ToggleFullScreen();
        OnTimer();
        gElapsed = double(gClock.Now() - gLoaded) / double(gClock.Frequency());
        if (gElapsed >= gSeconds) engine::Core().RequestQuit();
      });
  Randomize();
  const auto period = fps > 0 ? std::optional(uint64_t(double(gClock.Frequency()) / fps)) : std::nullopt;
  const std::string why = engine::Core().Run(gClock, period);
  if (!why.empty()) return std::fprintf(stderr, "game_bench: %s\n", why.c_str()), 1;
  const double rate = double(gTicks) / gElapsed, off = (rate - kTickRate) / kTickRate;
  std::printf("pace capped_fps=%g frames=%llu fps=%.2f seconds=%.3f ticks=%llu tick_rate=%.3f "
              "off_pct=%+.3f hidden_frames=%llu (58.8 within 1 %%: %s)\n",
              fps, (unsigned long long)gFrames, double(gFrames) / gElapsed, gElapsed,
              (unsigned long long)gTicks, rate, 100 * off, (unsigned long long)gHiddenFrames,
              Verdict(std::fabs(off) <= 0.01));
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  corebinding::Bind(&zgl::api);
  const std::string mode = argc > 1 ? argv[1] : "";
  double fps = -1;
  for (int i = 2; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--fps") == 0) fps = std::atof(argv[i + 1]);
    if (std::strcmp(argv[i], "--seconds") == 0) gSeconds = std::max(1.0, std::atof(argv[i + 1]));
    if (std::strcmp(argv[i], "--full-screen") == 0) gFullScreen = std::atoi(argv[i + 1]) != 0;
  }
  if (mode == "tick" || mode == "frame") inputbot::Install(&zgl::api);  // the pace plays alone
  if (mode == "tick") return Tick();
  if (mode == "frame") return Frame();
  if (mode == "pace" && fps >= 0) return Pace(fps);
  std::fprintf(stderr, "usage: %s tick | frame | pace --fps F [--seconds S] [--full-screen 1]\n", argv[0]);
  return 2;
}
