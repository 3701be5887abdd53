// SPDX-License-Identifier: Zlib
#include "world_setup.h"

#include <cmath>
#include <cstdio>

#include "input_bot.h"
#include "objects/uBox.h"
#include "objects/uEnemy.h"
#include "objects/uHero.h"
#include "shell/zglHeader.h"
#include "world/uRandom.h"
#include "world/uWorld.h"

namespace worldsetup {

namespace {

constexpr int kWalls = 30;
constexpr int kBoxes = 7;
constexpr int kGuards = 5;
constexpr double kFieldW = 800;
constexpr double kFieldH = 600;

}  // namespace

bool BindEngine() {
  if (!LoadEngine("ZenGL.dll", false)) {
    std::fprintf(stderr, "bench: the engine library libZenGL.so was not found beside the executable\n");
    return false;
  }
  inputbot::Install(&zgl::api);
  return true;
}

void BuildStandard(uint64_t seed) {
  RandSeed(seed);
  CreateWorld();
  inputbot::Reset(uint32_t(seed));
}

void BuildScaled(int factor, uint64_t seed) {
  RandSeed(seed);
  const double side = std::sqrt(double(factor));
  const int32_t w = int32_t(kFieldW * side), h = int32_t(kFieldH * side);
  PopulateWorld(kWalls * factor, kBoxes * factor, kGuards * factor, w, h);
  inputbot::Reset(uint32_t(seed));
}

int64_t RaySolidTestsPerTick() {
  const int64_t raysPerCaster = Hero ? 2 * Hero->HalfFov + 1 : 0;
  return (1 + Enemies.Count()) * raysPerCaster * Solids.Count();
}

}  // namespace worldsetup
