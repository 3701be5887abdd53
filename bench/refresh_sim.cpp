// SPDX-License-Identifier: Zlib
// Preloaded into a program under measurement (LD_PRELOAD) to make the display
// look like one that refreshes SIMULATED_REFRESH_HZ times a second with
// vertical sync in effect, whatever the X server does: the current display
// mode reports that rate, the renderer reports vsync, and every
// SDL_RenderPresent returns at the next refresh (the next whole multiple of
// 1/rate on the monotonic clock), sleeping until then as a synchronised swap
// blocks. The real swap is asked not to wait (SDL_RENDER_VSYNC=0), since an X
// server that paces swaps at its own rate would otherwise pace them twice.
// Every program measured with it is paced by the same refreshes. Without the
// variable (or with a rate outside 1..1000) it changes nothing.
#include <SDL.h>
#include <dlfcn.h>
#include <time.h>

#include <cstdint>
#include <cstdlib>

namespace {

int Rate() {
  static const int rate = [] {
    const char* text = std::getenv("SIMULATED_REFRESH_HZ");
    const int hz = text ? std::atoi(text) : 0;
    return hz >= 1 && hz <= 1000 ? hz : 0;
  }();
  return rate;
}

__attribute__((constructor)) void NoRealSync() {
  if (Rate()) setenv("SDL_RENDER_VSYNC", "0", 1);
}

// SDL's own entry: through the global scope when the program links SDL, else
// from SDL loaded by a library opened at run time (the game's engine).
template <typename F>
F Next(const char* name) {
  void* f = dlsym(RTLD_NEXT, name);
  if (!f) {
    if (void* sdl = dlopen("libSDL2-2.0.so.0", RTLD_LAZY | RTLD_NOLOAD)) f = dlsym(sdl, name);
  }
  if (!f) std::abort();  // measuring without SDL's own call would mislead
  return reinterpret_cast<F>(f);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void SDL_RenderPresent(SDL_Renderer* renderer) {
  static auto next = Next<void (*)(SDL_Renderer*)>("SDL_RenderPresent");
  next(renderer);
  const int hz = Rate();
  if (!hz) return;
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const uint64_t ns = uint64_t(now.tv_sec) * 1000000000u + uint64_t(now.tv_nsec);
  const uint64_t period = 1000000000u / uint64_t(hz);
  const uint64_t refresh = (ns / period + 1) * period;
  const timespec until{time_t(refresh / 1000000000u), long(refresh % 1000000000u)};
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) != 0) {
  }
}

extern "C" __attribute__((visibility("default"))) int SDL_GetCurrentDisplayMode(int display,
                                                                                SDL_DisplayMode* mode) {
  static auto next = Next<int (*)(int, SDL_DisplayMode*)>("SDL_GetCurrentDisplayMode");
  const int result = next(display, mode);
  if (result == 0 && mode && Rate()) mode->refresh_rate = Rate();
  return result;
}

extern "C" __attribute__((visibility("default"))) int SDL_GetRendererInfo(SDL_Renderer* renderer,
                                                                          SDL_RendererInfo* info) {
  static auto next = Next<int (*)(SDL_Renderer*, SDL_RendererInfo*)>("SDL_GetRendererInfo");
  const int result = next(renderer, info);
  if (result == 0 && info && Rate()) info->flags |= SDL_RENDERER_PRESENTVSYNC;
  return result;
}
