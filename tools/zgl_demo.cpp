// SPDX-License-Identifier: Zlib
// A small program that draws through libZenGL.so exactly as the game does:
// it loads the library at run time from its own folder, binds the 24
// operations by name, and draws the grey field, an opaque rectangle given a
// low alpha (which must not show), a circle and a translucent textured fan
// that turns with the ticks.
//
//   zgl_demo [--seconds N]   N > 0: stops itself with SIGTERM after N seconds
//
// On exit it prints frames, ticks and their rates, so a run under Xvfb shows
// the frame pacing and the tick rate; its exit code says whether the run drew
// frames, ran the timer at no more than its rate and called the exit callback.
#include <SDL.h>
#include <SDL_image.h>
#include <dlfcn.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <numbers>
#include <string>

#include "common/zglApi.h"

namespace {

#define DEMO_POINTER(ret, name, params, args) ret(*name) params = nullptr;
struct Engine {
  ZGL_OPERATIONS(DEMO_POINTER)
} api;
#undef DEMO_POINTER

// Binds every operation by name; the name of one the library lacks, or null.
const char* Bind(void* library) {
  const char* lacking = nullptr;
#define DEMO_BIND(ret, name, params, args) \
  if (!(api.name = reinterpret_cast<ret(*) params>(dlsym(library, #name)))) lacking = #name;
  ZGL_OPERATIONS(DEMO_BIND)
#undef DEMO_BIND
  return lacking;
}

constexpr int kRays = 13;
double gSeconds = 0;
std::string gLightFile;
Texture* gLight = nullptr;
int gFrames = 0, gTicks = 0;
std::chrono::steady_clock::time_point gStart;
Point2D gFan[3 * kRays], gFanUV[3 * kRays];

void OnLoad() {
  gLight = api.tex_LoadFromFile(gLightFile.c_str(), zgl::kNoColorKey, 0x432);
  gStart = std::chrono::steady_clock::now();
}

void BuildFan(float x, float y, double facing, double range) {
  for (int i = 0; i < kRays; ++i) {
    gFan[3 * i] = {x, y};
    gFanUV[3 * i] = {0.5f, 0.5f};
    for (int end = 1; end <= 2; ++end) {  // the rays 5 degrees apart
      const double a = (facing - 37.5 + 5 * (i + end)) * std::numbers::pi / 180;
      gFan[3 * i + end] = {float(x + range * std::cos(a)), float(y + range * std::sin(a))};
      gFanUV[3 * i + end] = {float(0.5 + 0.5 * std::cos(a)), float(0.5 + 0.5 * std::sin(a))};
    }
  }
}

void OnDraw() {
  ++gFrames;
  api.pr2d_Rect(0, 0, 800, 600, 0xCFCFCF, 255, zgl::kFill);
  api.pr2d_Rect(80, 80, 240, 140, 0x203060, 40, zgl::kFill);  // opaque: alpha ignored
  api.pr2d_Rect(560, 420, 160, 100, 0x000000, 255, 0);         // an outline
  api.pr2d_Circle(640, 140, 40, 0xC03030, 255, 24, zgl::kFill);
  // Rays from the rectangle's corner; the light is fully clear at the rim.
  BuildFan(320, 220, 30 + gTicks * 0.5, 260);
  api.pr2d_TriList(gLight, gFan, gFanUV, 0, 3 * kRays - 2, 0xFFF0A0, 200, zgl::kFill | zgl::kBlend);
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - gStart).count();
  if (gSeconds > 0 && elapsed >= gSeconds) std::raise(SIGTERM);
}

bool gExited = false;
double gElapsed = 0;

void OnExit() {
  gExited = true;
  gElapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - gStart).count();
  std::printf("zgl_demo: %d frames, %d ticks in %.2f s: %.1f frames/s, %.1f ticks/s\n", gFrames, gTicks, gElapsed,
              gFrames / gElapsed, gTicks / gElapsed);
}

// What a run must have shown: the exit callback, frames, and ticks no faster than
// their 17 ms (a busy machine may drop some, never add any).
bool RunWasSound() {
  const char* fault = nullptr;
  if (!gExited) fault = "the exit callback was never called";
  else if (gFrames == 0) fault = "no frame was drawn";
  else if (gTicks == 0) fault = "the timer never ran";
  else if (gTicks > gElapsed * 1000 / 17 + 2) fault = "more ticks than the time allows";
  else if (!gLight) fault = "the light texture did not load";
  if (fault) std::fprintf(stderr, "zgl_demo: %s\n", fault);
  return fault == nullptr;
}

bool MakeLight(const std::string& path) {
  const int n = 128;
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, n, n, 32, SDL_PIXELFORMAT_ARGB8888);
  if (!s) return false;
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const double d = std::hypot((x + 0.5) / n - 0.5, (y + 0.5) / n - 0.5) / 0.5;
      const uint32_t a = uint32_t(std::lround(255 * std::max(0.0, 1.0 - d) * std::max(0.0, 1.0 - d)));
      reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) + y * s->pitch)[x] = (a << 24) | 0xFFFFFF;
    }
  const bool ok = IMG_SavePNG(s, path.c_str()) == 0;
  SDL_FreeSurface(s);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--seconds") == 0) gSeconds = std::atof(argv[i + 1]);

  const std::string dir = std::filesystem::canonical("/proc/self/exe").parent_path().string();
  void* library = dlopen((dir + "/libZenGL.so").c_str(), RTLD_NOW | RTLD_LOCAL);
  const char* lacking = library ? Bind(library) : dlerror();
  if (!library || lacking)
    return std::fprintf(stderr, "zgl_demo: cannot load the engine: %s%s\n", library ? "it lacks " : "", lacking), 1;
  gLightFile = (std::filesystem::temp_directory_path() / ("zgl_demo_light_" + std::to_string(getpid()) + ".png"))
                   .string();
  if (!MakeLight(gLightFile)) return std::fprintf(stderr, "zgl_demo: cannot write %s\n", gLightFile.c_str()), 1;
  api.zgl_Reg(zgl::kRegLoad, OnLoad);
  api.zgl_Reg(zgl::kRegDraw, OnDraw);
  api.zgl_Reg(zgl::kRegExit, OnExit);
  api.timer_Add([] { ++gTicks; }, 17);
  api.wnd_SetCaption("zgl_demo");
  api.scr_SetOptions(800, 600, 0, false, true);
  api.wnd_ShowCursor(true);
  api.zgl_Init(0, 0);
  std::remove(gLightFile.c_str());
  return RunWasSound() ? 0 : 1;
}
