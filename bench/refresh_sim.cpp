// Preloaded into a program under measurement (LD_PRELOAD) to make the display
// look like one that refreshes SIMULATED_REFRESH_HZ times a second with
// vertical sync in effect: the current display mode reports that rate, and
// every SDL_RenderPresent returns at the next refresh (the next whole multiple
// of 1/rate on the monotonic clock), sleeping until then as a synchronised
// swap blocks. Every program measured with it is paced by the same refreshes.
// Without the variable (or with a rate outside 1..1000) it changes nothing.
#include <dlfcn.h>
#include <time.h>

#include <cstdint>
#include <cstdlib>

struct SDL_Renderer;
struct SDL_DisplayModeLike {  // SDL_DisplayMode's layout (SDL 2)
  uint32_t format;
  int w, h;
  int refresh_rate;
  void* driverdata;
};

namespace {

using PresentFn = void (*)(SDL_Renderer*);
using ModeFn = int (*)(int, SDL_DisplayModeLike*);

int Rate() {
  static const int rate = [] {
    const char* text = std::getenv("SIMULATED_REFRESH_HZ");
    const int hz = text ? std::atoi(text) : 0;
    return hz >= 1 && hz <= 1000 ? hz : 0;
  }();
  return rate;
}

// SDL's own entry: through the global scope when the program links SDL, else
// from SDL loaded by a library opened at run time (the game's engine).
void* Next(const char* name) {
  if (void* f = dlsym(RTLD_NEXT, name)) return f;
  if (void* sdl = dlopen("libSDL2-2.0.so.0", RTLD_LAZY | RTLD_NOLOAD)) return dlsym(sdl, name);
  return nullptr;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) void SDL_RenderPresent(SDL_Renderer* renderer) {
  static PresentFn next = nullptr;
  if (!next) next = reinterpret_cast<PresentFn>(Next("SDL_RenderPresent"));
  if (!next) std::abort();  // never swallow a frame
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
                                                                                SDL_DisplayModeLike* mode) {
  static ModeFn next = nullptr;
  if (!next) next = reinterpret_cast<ModeFn>(Next("SDL_GetCurrentDisplayMode"));
  if (!next) return -1;
  const int result = next(display, mode);
  if (result == 0 && mode && Rate()) mode->refresh_rate = Rate();
  return result;
}
