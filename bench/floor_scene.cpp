// SPDX-License-Identifier: Zlib
#include "floor_scene.h"

#include <cmath>
#include <random>

namespace floorscene {

namespace {

constexpr float kFieldW = 800;
constexpr float kFieldH = 600;
constexpr double kDegToRad = 0.017453292;
constexpr double kTexSpan = 2.0 * kConeRange + 2.0;

bool Overlaps(const Box& a, const Box& b) {
  return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

// Centres uniform over the field, each new solid away from the earlier ones,
// like the game's own population.
template <size_t N>
Box Place(std::mt19937& rng, float size, uint32_t color, const std::array<Box, N>& placed,
          int placedCount) {
  std::uniform_int_distribution<int> xs(0, int(kFieldW) - 1), ys(0, int(kFieldH) - 1);
  for (;;) {
    Box b{float(xs(rng)) - size / 2, float(ys(rng)) - size / 2, size, size, color};
    b.x = std::round(b.x);
    b.y = std::round(b.y);
    bool free = true;
    for (int i = 0; i < placedCount && free; ++i) free = !Overlaps(b, placed[i]);
    if (free) return b;
  }
}

void Centre(const Box& b, float* cx, float* cy) {
  *cx = b.x + b.w / 2;
  *cy = b.y + b.h / 2;
}

}  // namespace

void CastFan(float cx, float cy, float facing, std::array<Vertex, kConeVertices>* fan) {
  const int t = int(facing / 5.0f);
  Vertex centre{cx, cy, 0.5f, 0.5f};
  Vertex prev = centre;
  int v = 0;
  for (int k = t - 6; k <= t + 6; ++k) {
    const double r = double(k) * kDegToRad * 5.0;
    const double dx = std::cos(r) * kConeRange, dy = std::sin(r) * kConeRange;
    Vertex end{float(cx + dx), float(cy + dy), float(dx / kTexSpan + 0.5),
               float(dy / kTexSpan + 0.5)};
    (*fan)[v++] = centre;
    (*fan)[v++] = prev;
    (*fan)[v++] = end;
    prev = end;
  }
}

void Build(uint32_t seed, Scene* scene) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> sizes(30, 39);
  int n = 0;
  for (int i = 0; i < kWalls; ++i, ++n)
    scene->solids[n] = Place(rng, float(sizes(rng)), 0x404040, scene->solids, n);
  for (int i = 0; i < kBoxes; ++i, ++n)
    scene->solids[n] = Place(rng, 25, 0xF0F020, scene->solids, n);
  for (int i = 0; i < kGuards; ++i)
    scene->guards[i] = Place(rng, 20, 0xFF2050, scene->solids, n);
  scene->hero = Box{40, 40, 20, 20, 0xAF5252};
  std::uniform_int_distribution<int> angles(0, 359);
  for (int i = 0; i < kGuards; ++i) scene->facing[i] = float(angles(rng));
  scene->facing[kGuards] = 45;  // the hero looks into the field from his corner
  Sweep(0, scene);
}

void Sweep(float degrees, Scene* scene) {
  for (int i = 0; i < kLiving; ++i) {
    const Box& body = i < kGuards ? scene->guards[i] : scene->hero;
    if (i < kGuards) scene->facing[i] = std::fmod(scene->facing[i] + degrees, 360.0f);
    float cx = 0, cy = 0;
    Centre(body, &cx, &cy);
    CastFan(cx, cy, scene->facing[i], &scene->cones[i]);
  }
}

}  // namespace floorscene
