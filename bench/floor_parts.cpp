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
#include <string>
#include <thread>

namespace floorbench {

namespace {

constexpr int kWidth = 800, kHeight = 600;  // the field and the window
constexpr double kDegToRad = 0.017453292;
constexpr double kTexSpan = 2.0 * kConeRange + 2.0;

bool Overlaps(const Box& a, const Box& b) {
  return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

// Centres uniform over the field, each new solid away from the earlier ones,
// like the game's own population.
template <size_t N>
Box Place(std::mt19937& rng, float size, uint32_t color, const std::array<Box, N>& placed, int placedCount) {
  std::uniform_int_distribution<int> xs(0, kWidth - 1), ys(0, kHeight - 1);
  for (;;) {
    const Box b{std::round(float(xs(rng)) - size / 2), std::round(float(ys(rng)) - size / 2), size, size,
                color};
    if (std::none_of(placed.begin(), placed.begin() + placedCount, [&](const Box& o) { return Overlaps(b, o); }))
      return b;
  }
}

bool ParseNumber(const char* text, double* out) {
  char* end = nullptr;
  errno = 0;
  *out = std::strtod(text, &end);
  return errno == 0 && end != text && *end == '\0' && std::isfinite(*out) && *out >= 0;
}

// Says which SDL call failed and why; false.
bool Fail(const char* name, const char* call) {
  std::fprintf(stderr, "%s: %s: %s\n", name, call, SDL_GetError());
  return false;
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
    Vertex end{float(cx + dx), float(cy + dy), float(dx / kTexSpan + 0.5), float(dy / kTexSpan + 0.5)};
    (*fan)[v++] = centre;
    (*fan)[v++] = prev;
    (*fan)[v++] = end;
    prev = end;
  }
}

void Build(uint32_t seed, Scene* scene) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> sizes(30, 39);
  for (int n = 0; n < kWalls + kBoxes; ++n)
    scene->solids[n] = n < kWalls ? Place(rng, float(sizes(rng)), 0x404040, scene->solids, n)
                                  : Place(rng, 25, 0xF0F020, scene->solids, n);
  for (int i = 0; i < kGuards; ++i)
    scene->guards[i] = Place(rng, 20, 0xFF2050, scene->solids, kWalls + kBoxes);
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
    const std::string arg = argv[i];
    if (arg == "--idle") out->idle = true;
    else if (arg == "--full-screen") out->fullScreen = true;
    else if ((arg != "--seconds" && arg != "--fps") || i + 1 >= argc ||
             !ParseNumber(argv[++i], arg == "--fps" ? &out->fps : &out->seconds))
      return std::fprintf(stderr, "usage: %s [--idle] [--full-screen] [--seconds S] [--fps F]\n", argv[0]),
             false;
  }
  return true;
}

bool Window::Open(const char* name, bool fullScreen) {
  name_ = name;
  if (SDL_Init(SDL_INIT_VIDEO) != 0) return Fail(name_, "SDL_Init");
  window_ = SDL_CreateWindow("TEST", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kWidth,
                             kHeight, SDL_WINDOW_SHOWN | (fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0));
  if (!window_) return Fail(name_, "SDL_CreateWindow");
  // As the engine: an accelerated renderer with vsync, the software one where
  // no accelerated renderer exists (the dummy driver, for one).
  renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
  if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
  if (!renderer_) return Fail(name_, "SDL_CreateRenderer");
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
  const bool known = display >= 0 && SDL_GetCurrentDisplayMode(display, &mode) == 0 && mode.refresh_rate > 0;
  const int hz = known ? mode.refresh_rate : 60;
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
  const auto span = [](double s) {
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(s));
  };
  const double fps = options.fps > 0 ? options.fps : enginePace_;
  const auto period = span(1.0 / fps);
  const auto start = Clock::now();
  const auto stop = options.seconds > 0 ? start + span(options.seconds) : Clock::time_point::max();
  auto next = start + period;
  uint64_t frames = 0;
  bool running = true;
  while (running) {
    SDL_Event e;
    while (SDL_PollEvent(&e))
      if (e.type == SDL_QUIT) running = false;  // also what SDL makes of SIGINT and SIGTERM
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
