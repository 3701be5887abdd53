// SPDX-License-Identifier: Zlib
// The game's pace with the frame rate capped: the real engine loop and the
// game's own callbacks, with frame starts held apart through the loop's frame
// period. The loop draws a frame only after a tick (or a window event), so a
// cap above the tick rate leaves frames at the tick rate, and one below it
// makes every frame show several ticks. Either way the timer must tick
// 1000 / 17 = 58.8 times a second.
//
//   bench_pace --fps 20 [--seconds 10]
//
// --fps 0 leaves the pace to the engine. Frames drawn while SDL has the window
// hidden or minimised are counted apart (hidden_frames).
//
// Prints one line of key=value pairs; exit code 1 when the tick rate is more
// than 1 % off.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "core_binding.h"
#include "engine.h"
#include "shell/uShell.h"
#include "world/uRandom.h"

namespace {

constexpr double kTickRate = 1000.0 / 17.0;
constexpr double kTolerance = 0.01;

engine::SystemClock gClock;
double gSeconds = 10;
uint64_t gLoaded = 0;  // clock count when loading ended: the timer counts from here
uint64_t gTicks = 0, gFrames = 0, gHiddenFrames = 0;
double gElapsed = 0;

void Load() {
  OnLoad();
  gLoaded = gClock.Now();
}

// The tick count matches the time at this point to within one tick. The run
// is timed here, not at a frame: a hidden window draws none.
void Tick() {
  ++gTicks;
  OnTimer();
  gElapsed = double(gClock.Now() - gLoaded) / double(gClock.Frequency());
  if (gElapsed >= gSeconds) engine::Core().RequestQuit();
}

void Draw() {
  ++gFrames;
  // SDL's own record of the window, not the loop's.
  if (SDL_GetWindowFlags(engine::Core().Window()) & (SDL_WINDOW_HIDDEN | SDL_WINDOW_MINIMIZED)) ++gHiddenFrames;
  OnDraw();
}

bool Number(const char* text, double* out) {
  char* end = nullptr;
  const double v = std::strtod(text, &end);
  if (end == text || *end != '\0' || !std::isfinite(v) || v < 0) return false;
  *out = v;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  double fps = -1;
  for (int i = 1; i < argc; ++i) {
    double* target = std::strcmp(argv[i], "--fps") == 0       ? &fps
                     : std::strcmp(argv[i], "--seconds") == 0 ? &gSeconds
                                                              : nullptr;
    if (!target || i + 1 >= argc || !Number(argv[++i], target)) {
      fps = -1;
      break;
    }
  }
  if (fps < 0 || gSeconds < 1) {
    std::fprintf(stderr, "usage: %s --fps F [--seconds S>=1]   (F 0: the engine's own pace)\n", argv[0]);
    return 2;
  }
  // Headless unless a display is named: the pace must not depend on one.
  setenv("SDL_VIDEODRIVER", "dummy", 0);

  corebinding::Bind(&zgl::api);
  corebinding::RegisterGame(Load, Draw, Tick);
  Randomize();
  std::optional<uint64_t> period;
  if (fps > 0) period = uint64_t(double(gClock.Frequency()) / fps);
  const std::string why = engine::Core().Run(gClock, period);
  if (!why.empty()) {
    std::fprintf(stderr, "bench_pace: %s\n", why.c_str());
    return 1;
  }
  const double rate = double(gTicks) / gElapsed;
  const double off = (rate - kTickRate) / kTickRate;
  const bool ok = std::fabs(off) <= kTolerance;
  std::printf("pace capped_fps=%g video=%s frames=%llu fps=%.2f seconds=%.3f ticks=%llu "
              "tick_rate=%.3f expected=%.3f off_pct=%+.3f hidden_frames=%llu verdict=%s\n",
              fps, std::getenv("SDL_VIDEODRIVER"), (unsigned long long)gFrames,
              double(gFrames) / gElapsed, gElapsed, (unsigned long long)gTicks, rate, kTickRate,
              100 * off, (unsigned long long)gHiddenFrames, ok ? "met" : "MISSED");
  return ok ? 0 : 1;
}
