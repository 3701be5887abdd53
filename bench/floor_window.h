// SPDX-License-Identifier: Zlib
// The bare SDL2 window of the floor program: an 800 x 600 window
// captioned like the game's, a renderer made the way the engine makes its own,
// and a frame loop paced like the engine's. The floors are the yardsticks the
// game's whole-process cost is compared with, so nothing here may be cheaper
// or dearer than what the engine does around a frame.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <functional>

namespace floorwin {

struct Options {
  double seconds = 0;  // stop after this long; 0 runs until closed or signalled
  double fps = 0;      // frames a second; 0 paces as the engine does
  bool idle = false;   // the idle floor: nothing drawn
};

// Reads --idle, --seconds S and --fps F; returns false (after a message) on bad input.
bool ParseOptions(int argc, char** argv, Options* out);

class Window {
 public:
  // Opens the window and the renderer; on failure writes why and returns false.
  bool Open(const char* name);
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

}  // namespace floorwin
