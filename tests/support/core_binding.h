// SPDX-License-Identifier: Zlib
// The engine table bound to the engine core linked into this executable
// rather than to libZenGL.so: the same code, but with its loop, batch and
// counters within reach, so that benchmarks can drive single frames, count
// the renderer calls of a frame and force the frame rate of the real loop.
#pragma once

#include "shell/zglHeader.h"

namespace corebinding {

// Points every entry of the table at the linked core's operation.
void Bind(zgl::Table* table);

// The game's start-up up to the engine's start, as the shell does it: the
// callbacks, the 17 ms timer and the window options. `timer` and `draw`
// stand in for the shell's own so that the caller can count around them.
void RegisterGame(zglProc load, zglProc draw, zglProc timer);

// One frame of the game's draw callback through the core's batch, presented.
void DrawFrame();

}  // namespace corebinding
