// SPDX-License-Identifier: Zlib
#include "floor_parts.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <thread>

namespace floorbench {

namespace {

constexpr int kWidth = 800;  // the field and the window
constexpr int kHeight = 600;
constexpr double kDegToRad = 0.017453292;
constexpr double kTexSpan = 2.0 * kConeRange + 2.0;

bool Overlaps(const Box& a, const Box& b) {
  return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

// Centres uniform over the field, each new solid away from the earlier ones,
// like the game's own population.
template <size_t N>
Box Place(std::mt19937& rng, float size, uint32_t color, const std::array<Box, N>& placed,
          int placedCount) {
  std::uniform_int_distribution<int> xs(0, kWidth - 1), ys(0, kHeight - 1);
  for (;;) {
    Box b{float(xs(rng)) - size / 2, float(ys(rng)) - size / 2, size, size, color};
    b.x = std::round(b.x);
    b.y = std::round(b.y);
    bool free = true;
    for (int i = 0; i < placedCount && free; ++i) free = !Overlaps(b, placed[i]);
    if (free) return b;
  }
}

bool ParseNumber(const char* text, double* out) {
  char* end = nullptr;
  errno = 0;
  double v = std::strtod(text, &end);
  if (errno != 0 || end == text || *end != '\0' || !std::isfinite(v) || v < 0) return false;
  *out = v;
  return true;
}

}  // namespace

void CastFan(float cx, float cy, float facing, std::array<Vertex, kConeVertices>* fan) {
  const int t = int(facing / 5.0f);
  Vertex centre{cx, cy, 0.5f, 0.5f};
  Vertex prev = centre;
  int v = 0;
  for (int k = t - 6; k <= t + 6; ++k) {
    const double r = double(k) * kDegToRad * 5.0;
    const double dx = std::cos(r) * kConeRange, dy = std::sin(r) * kConeRange;
    Vertex end{float(cx + dx), float(cy + dy), float(dx / kTexSpan + 0.5),
               float(dy / kTexSpan + 0.5)};
    (*fan)[v++] = centre;
    (*fan)[v++] = prev;
    (*fan)[v++] = end;
    prev = end;
  }
}

void Build(uint32_t seed, Scene* scene) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> sizes(30, 39);
  int n = 0;
  for (int i = 0; i < kWalls; ++i, ++n)
    scene->solids[n] = Place(rng, float(sizes(rng)), 0x404040, scene->solids, n);
  for (int i = 0; i < kBoxes; ++i, ++n)
    scene->solids[n] = Place(rng, 25, 0xF0F020, scene->solids, n);
  for (int i = 0; i < kGuards; ++i)
    scene->guards[i] = Place(rng, 20, 0xFF2050, scene->solids, n);
  scene->hero = Box{40, 40, 20, 20, 0xAF5252};
  std::uniform_int_distribution<int> angles(0, 359);
  for (int i = 0; i < kGuards; ++i) scene->facing[i] = float(angles(rng));
  scene->facing[kGuards] = 45;  // the hero looks into the field from his corner
  Sweep(0, scene);
}

void Sweep(float degrees, Scene* scene) {
  for (int i = 0; i < kLiving; ++i) {
    const Box& body = i < kGuards ? scene->guards[i] : scene->hero;
    if (i < kGuards) scene->facing[i] = std::fmod(scene->facing[i] + degrees, 360.0f);
    CastFan(body.x + body.w / 2, body.y + body.h / 2, scene->facing[i], &scene->cones[i]);
  }
}

bool ParseOptions(int argc, char** argv, Options* out) {
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--idle") == 0 || std::strcmp(arg, "--full-screen") == 0) {
      (arg[2] == 'i' ? out->idle : out->fullScreen) = true;
      continue;
    }
    double* target = nullptr;
    if (std::strcmp(arg, "--seconds") == 0) target = &out->seconds;
    if (std::strcmp(arg, "--fps") == 0) target = &out->fps;
    if (!target || i + 1 >= argc || !ParseNumber(argv[i + 1], target)) {
      std::fprintf(stderr, "usage: %s [--idle] [--full-screen] [--seconds S] [--fps F]\n", argv[0]);
      return false;
    }
    ++i;
  }
  return true;
}

bool Window::Open(const char* name, bool fullScreen) {
  name_ = name;
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "%s: SDL_Init: %s\n", name_, SDL_GetError());
    return false;
  }
  window_ = SDL_CreateWindow("TEST", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kWidth,
                             kHeight, SDL_WINDOW_SHOWN | (fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0));
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

}  // namespace floorbench
