// SPDX-License-Identifier: Zlib
// The floor program's parts, apart from its main so that tests reach them. The picture of a
// game frame, laid out for the drawing floor: the field, 30 walls, 7 boxes, 5 guards, the hero
// and the six view cones as fans of 13 textured triangles, radius 200, unclipped (free of SDL:
// the floor turns it into SDL calls). And the bare SDL2 window: 800 x 600, captioned like the
// game's, a renderer made the way the engine makes its own and a frame loop paced like the
// engine's. The floors are the yardsticks the game's whole-process cost is compared with, so
// nothing here may be cheaper or dearer than what the engine does around a frame.
#pragma once

#include <SDL.h>

#include <array>
#include <cstdint>
#include <functional>

namespace floorbench {

constexpr int kWalls = 30;
constexpr int kBoxes = 7;
constexpr int kGuards = 5;
constexpr int kLiving = kGuards + 1;  // the guards and the hero
constexpr int kRaysPerCone = 13;
constexpr int kConeVertices = kRaysPerCone * 3;
constexpr float kConeRange = 200.0f;

struct Box {
  float x, y, w, h;  // top-left corner and size, whole pixels
  uint32_t color;    // 0xRRGGBB
};

// At (x, y) in window pixels, texture coordinates (u, v) 0 to 1.
struct Vertex {
  float x, y, u, v;
};

struct Scene {
  std::array<Box, kWalls + kBoxes> solids;  // walls, then boxes
  std::array<Box, kGuards> guards;
  Box hero;
  std::array<float, kLiving> facing;  // degrees; the hero last
  std::array<std::array<Vertex, kConeVertices>, kLiving> cones;
};

// Places everything from a fixed seed, so every run draws the same picture,
// and casts the cones for the facings it chose.
void Build(uint32_t seed, Scene* scene);

// Turns every guard's cone by `degrees` (the hero's stays), as the guards'
// idle sweep does, and recasts the fans.
void Sweep(float degrees, Scene* scene);

// One fan of 13 triangles around the centre: triangle i joins the centre to
// the ends of rays i - 1 and i (triangle 0 has no area), rays 5 degrees apart
// around `facing`; the texture is a square of side 2 x range + 2 centred on it.
void CastFan(float cx, float cy, float facing, std::array<Vertex, kConeVertices>* fan);

struct Options {
  double seconds = 0;  // stop after this long; 0 runs until closed or signalled
  double fps = 0;      // frames a second; 0 paces as the engine does
  bool idle = false;   // the idle floor: nothing drawn
  bool fullScreen = false;  // the whole screen, the picture scaled to it as the engine does
};

// Reads --idle, --full-screen, --seconds S and --fps F; returns false (after a message) on
// bad input.
bool ParseOptions(int argc, char** argv, Options* out);

class Window {
 public:
  // Opens the window and the renderer; on failure writes why and returns false.
  bool Open(const char* name, bool fullScreen = false);
  ~Window();

  SDL_Renderer* Renderer() const { return renderer_; }

  // Runs frames until the window closes, a signal arrives or the time is up.
  // Each frame: clear to black, draw(), present, then wait for the next frame.
  // Writes a one-line summary (frames, seconds, renderer) to standard error.
  int Run(const Options& options, const std::function<void()>& draw);

 private:
  const char* name_ = "";
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  double enginePace_ = 60;  // frames a second the engine would hold to here
};

}  // namespace floorbench
