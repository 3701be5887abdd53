// SPDX-License-Identifier: Zlib
// Worlds for the benchmarks and the allocation tests, with the engine table
// bound to the real engine library beside the executable (geometry, angle and
// distance are the library's own) and the input played by the bot.
#pragma once

#include <cstdint>

namespace worldsetup {

// Loads libZenGL.so from the executable's folder, then puts the bot in place
// of the keyboard and mouse. False, with the reason on stderr, on failure.
bool BindEngine();

// The game's own population: 30 walls, 7 boxes, 5 guards and the hero,
// placed by CreateWorld from a fixed seed. The bot starts afresh.
void BuildStandard(uint64_t seed);

// `factor` times the walls, boxes and guards of the standard world, on a
// field `sqrt(factor)` times as wide and as high so that they stand as densely
// as in the game, placed by the same free-place rule; the hero at (50, 50).
// For benchmarks only: the game always builds the standard world.
void BuildScaled(int factor, uint64_t seed);

// Per tick, the line-against-rectangle tests of the rays cast: 13 for the hero
// and for each guard, each ray against every solid.
int64_t RaySolidTestsPerTick();

}  // namespace worldsetup
