// SPDX-License-Identifier: Zlib
// The one pseudo-random generator of the game; only the population draws from it.
#pragma once

#include <cstdint>

// Seeds from a clock: every run places the world differently.
void Randomize();
// Seeds with a fixed value, for repeatable runs.
void RandSeed(uint64_t seed);
// A whole number from 0 to n - 1, uniformly distributed; 0 when n < 1.
int32_t Random(int32_t n);
// Replaces the generator by a scripted source (nullptr restores it), so that
// placement can be driven draw by draw.
void SetRandomSource(int32_t (*source)(int32_t n));
