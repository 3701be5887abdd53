// SPDX-License-Identifier: Zlib
#include "floor_window.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace floorwin {

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;

bool ParseNumber(const char* text, double* out) {
  char* end = nullptr;
  errno = 0;
  double v = std::strtod(text, &end);
  if (errno != 0 || end == text || *end != '\0' || !std::isfinite(v) || v < 0) return false;
  *out = v;
  return true;
}

}  // namespace

bool ParseOptions(int argc, char** argv, Options* out) {
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--idle") == 0) {
      out->idle = true;
      continue;
    }
    double* target = nullptr;
    if (std::strcmp(arg, "--seconds") == 0) target = &out->seconds;
    if (std::strcmp(arg, "--fps") == 0) target = &out->fps;
    if (!target || i + 1 >= argc || !ParseNumber(argv[i + 1], target)) {
      std::fprintf(stderr, "usage: %s [--idle] [--seconds S] [--fps F]\n", argv[0]);
      return false;
    }
    ++i;
  }
  return true;
}

bool Window::Open(const char* name) {
  name_ = name;
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "%s: SDL_Init: %s\n", name_, SDL_GetError());
    return false;
  }
  window_ = SDL_CreateWindow("TEST", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kWidth,
                             kHeight, SDL_WINDOW_SHOWN);
  if (!window_) {
    std::fprintf(stderr, "%s: SDL_CreateWindow: %s\n", name_, SDL_GetError());
    return false;
  }
  // As the engine: an accelerated renderer with vsync, the software one where
  // no accelerated renderer exists (the dummy driver, for one).
  renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
  if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
  if (!renderer_) {
    std::fprintf(stderr, "%s: SDL_CreateRenderer: %s\n", name_, SDL_GetError());
    return false;
  }
  SDL_RenderSetLogicalSize(renderer_, kWidth, kHeight);
  // The engine's pace: where vsync is claimed the present is trusted to wait
  // and sleeping only catches a sync that does not, a little short of the
  // refresh period; otherwise frames are held to 60 a second.
  SDL_RendererInfo info{};
  const char* driver = SDL_GetCurrentVideoDriver();
  const bool headless = driver && (std::strcmp(driver, "dummy") == 0 ||
                                   std::strcmp(driver, "offscreen") == 0);
  const bool vsync = SDL_GetRendererInfo(renderer_, &info) == 0 &&
                     (info.flags & SDL_RENDERER_PRESENTVSYNC) && !headless;
  SDL_DisplayMode mode{};
  const int display = SDL_GetWindowDisplayIndex(window_);
  const int hz = display >= 0 && SDL_GetCurrentDisplayMode(display, &mode) == 0 && mode.refresh_rate > 0
                     ? mode.refresh_rate
                     : 60;
  enginePace_ = vsync ? double(hz) / 0.9 : 60.0;
  return true;
}

Window::~Window() {
  if (renderer_) SDL_DestroyRenderer(renderer_);
  if (window_) SDL_DestroyWindow(window_);
  SDL_Quit();
}

int Window::Run(const Options& options, const std::function<void()>& draw) {
  using Clock = std::chrono::steady_clock;
  const double fps = options.fps > 0 ? options.fps : enginePace_;
  const auto period = std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(1.0 / fps));
  const auto start = Clock::now();
  const auto stop = options.seconds > 0
                        ? start + std::chrono::duration_cast<Clock::duration>(
                                      std::chrono::duration<double>(options.seconds))
                        : Clock::time_point::max();
  auto next = start + period;
  uint64_t frames = 0;
  bool running = true;
  while (running) {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
      if (e.type == SDL_QUIT) running = false;  // also what SDL makes of SIGINT and SIGTERM
    }
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    draw();
    SDL_RenderPresent(renderer_);
    ++frames;
    const auto now = Clock::now();
    if (now >= stop) break;
    // As the engine: frame starts at least one period apart.
    if (now < next) std::this_thread::sleep_until(next);
    next = std::max(now, next) + period;
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  SDL_RendererInfo info{};
  SDL_GetRendererInfo(renderer_, &info);
  std::fprintf(stderr, "%s: frames=%llu seconds=%.3f fps=%.2f paced_at=%.2f renderer=%s\n", name_,
               (unsigned long long)frames, seconds, seconds > 0 ? double(frames) / seconds : 0.0,
               fps, info.name ? info.name : "?");
  return 0;
}

}  // namespace floorwin
