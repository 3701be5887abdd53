// SPDX-License-Identifier: Zlib
// A player for benchmarks and allocation tests: stands in for the keyboard and
// the mouse in the engine table, so that ticks do what they do in play. It
// walks the hero to the nearest resting box, takes it, carries it a while,
// stands still under it (hidden), sets it down and goes for the next, turning
// the view round and round with the mouse. When the hero is stuck against
// walls it wanders off in another direction for a while.
//
// Only the six input entries are replaced; every other entry, the geometry
// above all, stays the engine library's own.
#pragma once

#include <cstdint>

#include "shell/zglHeader.h"

namespace inputbot {

struct Stats {
  uint64_t ticks = 0;
  uint64_t takes = 0;     // boxes taken
  uint64_t setDowns = 0;  // boxes set down
  uint64_t walking = 0;   // ticks with a movement key held
  uint64_t hidden = 0;    // ticks that ended with the hero hidden
};

// Points the input entries of `table` at the bot.
void Install(zgl::Table* table);
// Starts the bot afresh (the world must exist); the seed picks its wanderings.
void Reset(uint32_t seed);
const Stats& GetStats();

}  // namespace inputbot
