// SPDX-License-Identifier: Zlib
// The idle floor: an 800 x 600 window that is only cleared and presented, at
// the engine's frame pace. What any SDL2 game costs before it draws anything.
#include "floor_window.h"

int main(int argc, char** argv) {
  floorwin::Options options;
  if (!floorwin::ParseOptions(argc, argv, &options)) return 2;
  floorwin::Window window;
  if (!window.Open("floor_idle")) return 1;
  return window.Run(options, [] {});
}
