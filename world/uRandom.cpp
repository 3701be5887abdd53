// SPDX-License-Identifier: Zlib
#include "world/uRandom.h"

#include <chrono>
#include <random>

namespace {
std::mt19937_64 generator;
int32_t (*scripted)(int32_t) = nullptr;
}  // namespace

void Randomize() {
  RandSeed(uint64_t(std::chrono::high_resolution_clock::now().time_since_epoch().count()));
}

void RandSeed(uint64_t seed) { generator.seed(seed); }

namespace {
// The 128-bit product of two 64-bit numbers: its low half, and its high half in `high`.
uint64_t MultiplyWide(uint64_t a, uint64_t b, uint64_t& high) {
  const uint64_t a0 = a & 0xFFFFFFFFu, a1 = a >> 32, b0 = b & 0xFFFFFFFFu, b1 = b >> 32;
  const uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
  const uint64_t middle = (p00 >> 32) + (p01 & 0xFFFFFFFFu) + (p10 & 0xFFFFFFFFu);
  high = p11 + (p01 >> 32) + (p10 >> 32) + (middle >> 32);
  return (middle << 32) | (p00 & 0xFFFFFFFFu);
}
}  // namespace

// Spelled out rather than left to std::uniform_int_distribution, whose way of drawing each
// standard library chooses for itself: a seed must place the same world in every build (the
// page's library is not the desktop's). This is the way the worlds were first placed with:
// the high half of a 64-bit draw times n, drawn again while the low half falls in the
// short stretch that would make some results likelier than others.
int32_t Random(int32_t n) {
  if (n < 1) return 0;
  if (scripted) return scripted(n);
  const uint64_t range = uint64_t(n);
  uint64_t high = 0, low = MultiplyWide(generator(), range, high);
  if (low < range) {
    const uint64_t threshold = (0 - range) % range;
    while (low < threshold) low = MultiplyWide(generator(), range, high);
  }
  return int32_t(high);
}

void SetRandomSource(int32_t (*source)(int32_t)) { scripted = source; }
