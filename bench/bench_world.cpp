#include "bench_world.h"

#include <cmath>
#include <cstdio>

#include "input_bot.h"
#include "objects/uBox.h"
#include "objects/uEnemy.h"
#include "objects/uHero.h"
#include "shell/zglHeader.h"
#include "world/uRandom.h"
#include "world/uWorld.h"

namespace benchworld {

namespace {

constexpr int kWalls = 30;
constexpr int kBoxes = 7;
constexpr int kGuards = 5;
constexpr double kFieldW = 800;
constexpr double kFieldH = 600;
constexpr int32_t kHalfAngle = 30;
constexpr int32_t kViewRange = 200;
constexpr float kBoxSize = 25;
constexpr float kLiveSize = 20;

int32_t RaysPerCaster() { return Hero ? 2 * Hero->HalfFov + 1 : 0; }

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
  ClearWorld();
  RandSeed(seed);
  const double side = std::sqrt(double(factor));
  const int32_t w = int32_t(kFieldW * side), h = int32_t(kFieldH * side);
  const int walls = kWalls * factor, boxes = kBoxes * factor, guards = kGuards * factor;
  Solids.Reserve(walls + boxes);
  Boxes.Reserve(boxes);
  Enemies.Reserve(guards);
  for (int placed = 0; placed < walls;) {
    const int32_t x = Random(w), y = Random(h), s = 30 + Random(10);
    if (!IsFreePlace({float(x), float(y), float(s), float(s)})) continue;
    TObj* wall = NewWall();
    Solids.Add(wall);
    wall->Init(0x404040, float(x), float(y), float(s), float(s));
    ++placed;
  }
  for (int placed = 0; placed < boxes;) {
    const int32_t x = Random(w), y = Random(h);
    if (!IsFreePlace({float(x), float(y), kBoxSize, kBoxSize})) continue;
    TBox* box = NewBox();
    box->Init(0xF0F020, float(x), float(y), kBoxSize, kBoxSize);
    Solids.Add(box);
    Boxes.Add(box);
    ++placed;
  }
  for (int placed = 0; placed < guards;) {
    const int32_t x = Random(w), y = Random(h);
    if (!IsFreePlace({float(x), float(y), kLiveSize, kLiveSize})) continue;
    TEnemy* guard = NewGuard();
    guard->Setup(0xFF2050, kHalfAngle, float(x), float(y), kLiveSize, kLiveSize, kViewRange);
    Enemies.Add(guard);
    ++placed;
  }
  Hero = NewHero();
  Hero->Setup(0xAF5252, kHalfAngle, 50, 50, kLiveSize, kLiveSize, kViewRange);
  inputbot::Reset(uint32_t(seed));
}

int64_t RaysPerTick() { return int64_t(1 + Enemies.Count()) * RaysPerCaster(); }

int64_t RaySolidTestsPerTick() { return RaysPerTick() * Solids.Count(); }

}  // namespace benchworld
