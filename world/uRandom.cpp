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

int32_t Random(int32_t n) {
  if (n < 1) return 0;
  if (scripted) return scripted(n);
  return std::uniform_int_distribution<int32_t>(0, n - 1)(generator);
}

void SetRandomSource(int32_t (*source)(int32_t)) { scripted = source; }
