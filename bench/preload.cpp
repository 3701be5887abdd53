// SPDX-License-Identifier: Zlib
// Preloaded (LD_PRELOAD) into every program the benchmarks measure, the same for each:
//  - counts the frames it shows: every SDL_RenderPresent, and at exit appends
//    "presents=N seconds=S fps=F" (from the first present to the last) to the file named by
//    PRESENT_COUNT_FILE;
//  - with SIMULATED_REFRESH_HZ (1 to 1000) makes the display look like one of that refresh
//    rate with vertical sync in effect, whatever the X server does: the display mode reports
//    that rate, the renderer reports vsync, and every present returns at the next refresh (the
//    next whole multiple of 1/rate on the monotonic clock), as a synchronised swap blocks. The
//    real swap is then asked not to wait (SDL_RENDER_VSYNC=0): an X server that paces swaps
//    at its own rate would otherwise pace them twice.
#include <SDL.h>
#include <dlfcn.h>
#include <time.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

int gRate = 0;  // SIMULATED_REFRESH_HZ; 0 when not set or out of range

uint64_t NowNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return uint64_t(now.tv_sec) * 1000000000u + uint64_t(now.tv_nsec);
}

uint64_t gCount = 0, gFirst = 0, gLast = 0;

// Before the program starts, and so before SDL opens its first renderer.
__attribute__((constructor)) void ReadRate() {
  const char* text = std::getenv("SIMULATED_REFRESH_HZ");
  const int hz = text ? std::atoi(text) : 0;
  gRate = hz >= 1 && hz <= 1000 ? hz : 0;
  if (gRate) setenv("SDL_RENDER_VSYNC", "0", 1);
}

__attribute__((destructor)) void Report() {
  const char* path = std::getenv("PRESENT_COUNT_FILE");
  FILE* f = path && *path && gCount ? std::fopen(path, "a") : nullptr;
  if (!f) return;
  const double seconds = double(gLast - gFirst) / 1e9;
  std::fprintf(f, "presents=%llu seconds=%.3f fps=%.2f\n", (unsigned long long)gCount, seconds,
               seconds > 0 ? double(gCount - 1) / seconds : 0.0);
  std::fclose(f);
}

// SDL's own entry: through the global scope when the program links SDL, else from SDL
// loaded by a library opened at run time (the game's engine). Never measure without it.
template <typename F>
F Next(const char* name) {
  void* f = dlsym(RTLD_NEXT, name);
  if (!f)
    if (void* sdl = dlopen("libSDL2-2.0.so.0", RTLD_LAZY | RTLD_NOLOAD)) f = dlsym(sdl, name);
  if (!f) std::abort();
  return reinterpret_cast<F>(f);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void SDL_RenderPresent(SDL_Renderer* renderer) {
  static auto next = Next<void (*)(SDL_Renderer*)>("SDL_RenderPresent");
  gLast = NowNs();
  if (gCount++ == 0) gFirst = gLast;
  next(renderer);
  if (const uint64_t period = gRate ? 1000000000u / uint64_t(gRate) : 0) {
    const uint64_t refresh = (NowNs() / period + 1) * period;
    const timespec until{time_t(refresh / 1000000000u), long(refresh % 1000000000u)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) != 0) {
    }
  }
}

extern "C" __attribute__((visibility("default"))) int SDL_GetCurrentDisplayMode(int display, SDL_DisplayMode* mode) {
  static auto next = Next<int (*)(int, SDL_DisplayMode*)>("SDL_GetCurrentDisplayMode");
  const int result = next(display, mode);
  if (result == 0 && mode && gRate) mode->refresh_rate = gRate;
  return result;
}

extern "C" __attribute__((visibility("default"))) int SDL_GetRendererInfo(SDL_Renderer* renderer, SDL_RendererInfo* info) {
  static auto next = Next<int (*)(SDL_Renderer*, SDL_RendererInfo*)>("SDL_GetRendererInfo");
  const int result = next(renderer, info);
  if (result == 0 && info && gRate) info->flags |= SDL_RENDERER_PRESENTVSYNC;
  return result;
}
