// SPDX-License-Identifier: Zlib
// The program's start-up and the four procedures through which the engine
// enters the game: load, draw and exit callbacks and the 17 ms timer.
#pragma once

#include <cstdint>
#include <optional>

void OnLoad();
void OnDraw();
void OnExit();
void OnTimer();

// Seeds (from the clock, or with a given seed to play a chosen world again), binds
// the engine, registers the callbacks and the timer, sets up the window and runs
// the engine until it shuts down. The process's exit code:
// 0 after a normal close, 1 when the engine library could not be loaded.
int RunGame(std::optional<uint64_t> seed = std::nullopt);
